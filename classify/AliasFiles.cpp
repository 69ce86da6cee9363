// Reading and writing alias tables as files: the XML list of TAlias objects,
// and the older layout (a string match of alias name -> patterns, one per
// line) that earlier versions wrote.
#include <string>
#include <vector>

#include "classify/Aliases.h"
#include "core/AdvAscii.h"
#include "core/AdvCaches.h"
#include "core/AdvFiles.h"
#include "core/AdvStringMatches.h"
#include "core/AdvXMLFilers.h"

namespace {

constexpr uint32_t kFileCache = 65536;

// The root object of an XML file, made of whatever class the file names
// (the class must be registered and persistent).
TAdvRef<TAdvObject> ReadRootObject(const std::string& fileName) {
  TAdvRef<TAdvFile> file(new TAdvFile(fileName, TAdvFile::kNormalAttributes, 3, 0));
  TAdvRef<TAdvCacheAdapter> cache(new TAdvCacheAdapter(file.Get(), kFileCache));
  TAdvRef<TAdvXMLReader> reader = AdvNew<TAdvXMLReader>();
  reader->SetStream(cache.Get());
  TAdvRef<TAdvObject> root;  // owns what the reader made, also when it then fails
  reader->Field("Aliases").DefineObjectRef(root);
  return root;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// The older layout: each value is the alias's patterns, one per line.
void ConvertOlderLayout(const TAdvStringMatch& pairs, TAliases& into) {
  for (int i = 0; i < pairs.Count(); ++i) {
    if (IsBlankText(pairs.GetKey(i))) continue;
    TAlias* alias = into.Alias(into.AddAlias(pairs.GetKey(i)));
    alias->Clear();
    std::string_view value = pairs.GetValue(i);
    while (!value.empty() && uint8_t(value.front()) <= 32) value.remove_prefix(1);
    while (!value.empty() && uint8_t(value.back()) <= 32) value.remove_suffix(1);
    AdvSplitText(value, "\n", [&](std::string_view piece) {
      while (!piece.empty() && IsLineEnd(piece.front())) piece.remove_prefix(1);
      while (!piece.empty() && IsLineEnd(piece.back())) piece.remove_suffix(1);
      // Blank pieces and invalid masks are weeded out with the rest of the
      // table, so that they are reported in one place.
      alias->TAdvStrings::Add(std::string(piece));
    });
  }
}

}  // namespace

void TAliases::LoadFromFile(const std::string& fileName) {
  TAdvRef<TAliases> scratch = AdvCreate<TAliases>(ClassType());
  TAdvRef<TAdvObject> root = ReadRootObject(fileName);
  if (auto* pairs = AdvCast<TAdvStringMatch>(root.Get())) {
    ConvertOlderLayout(*pairs, *scratch);
  } else if (auto* table = AdvCast<TAliases>(root.Get())) {
    for (int i = 0; i < table->Count(); ++i)
      scratch->TAdvList::Insert(scratch->Count(), table->Alias(i)->Retain());
  } else {
    Error("LoadFromFile", "'" + fileName + "' holds " + root->ClassName() + ", not aliases");
  }
  std::vector<std::string> problems;
  for (int i = 0; i < scratch->Count();) {
    TAlias* alias = scratch->Alias(i);
    if (IsBlankText(alias->Name())) {
      problems.push_back("Skipped an alias without a name");
      scratch->TAdvList::CloseSlot(i);
      continue;
    }
    alias->Sanitise(problems);
    ++i;
  }
  TakeAliasesOf(*scratch);
  m_loadProblems = std::move(problems);
}

void TAliases::TakeAliasesOf(const TAliases& source) {
  if (&source == this) return;
  BeginChanges();
  TAdvList::Clear();
  ClearIndex();
  m_changedInBatch = true;
  for (int i = 0; i < source.Count(); ++i) TAdvList::Insert(Count(), source.Alias(i)->Clone());
  EndChanges();
}

void TAliases::SaveToFile(const std::string& fileName) {
  TAdvPersistent::SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}
