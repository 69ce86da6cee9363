#include "documents/DocumentClasses.h"

#include "core/AdvFactories.h"
#include "documents/AdvFramedHTMLs.h"
#include "documents/AdvRTFs.h"
#include "documents/CSVs.h"

std::vector<TAdvClass> DocumentClasses() {
  return {&TAdvText::ClassInfo, &TAdvHTML::ClassInfo, &TAdvFramedHTML::ClassInfo,
          &TAdvRTF::ClassInfo, &TAdvCSV::ClassInfo};
}

void RegisterDocumentClasses() {
  AdvFactory().RegisterAll(DocumentClasses());
}
