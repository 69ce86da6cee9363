#include "core/AdvCollectionClasses.h"

#include "core/AdvHashes.h"
#include "core/AdvHolders.h"
#include "core/AdvIntegers.h"
#include "core/AdvLists.h"
#include "core/AdvPointers.h"
#include "core/AdvStringLists.h"
#include "core/AdvStringMatches.h"
#include "core/AdvStrings.h"
#include "core/AdvTrees.h"

std::vector<TAdvClass> CoreCollectionClasses() {
  return {
      &TAdvBooleans::ClassInfo,       &TAdvHash::ClassInfo,         &TAdvHolder::ClassInfo,
      &TAdvHolders::ClassInfo,        &TAdvIntegers::ClassInfo,     &TAdvList::ClassInfo,
      &TAdvObjects::ClassInfo,        &TAdvPointerMatch::ClassInfo, &TAdvStringHash::ClassInfo,
      &TAdvStringHashable::ClassInfo, &TAdvStringList::ClassInfo,   &TAdvStringMatch::ClassInfo,
      &TAdvStrings::ClassInfo,        &TAdvTree::ClassInfo,
  };
}
