#include "classify/ClassifyClasses.h"

#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "core/AdvFactories.h"
#include "core/AdvStringMatches.h"

std::vector<TAdvClass> ClassifyClasses() {
  return {
      &TAlias::ClassInfo,     &TAliases::ClassInfo,     &TSitenames::ClassInfo,
      &TFileTypes::ClassInfo, &TDepartments::ClassInfo, &TMatch::ClassInfo,
      &TMatches::ClassInfo,   &TProfile::ClassInfo,     &TProfiles::ClassInfo,
  };
}

void RegisterClassifyClasses() {
  TAdvFactory& factory = AdvFactory();
  factory.RegisterAll(ClassifyClasses());
  factory.Register(&TAdvStringMatch::ClassInfo, "TAdvMatch");
}
