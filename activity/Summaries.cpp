#include "activity/Summaries.h"

#include <utility>
#include <vector>

ADV_CLASS_IMPL(TSummary, THashable)
ADV_CLASS_IMPL(TSummaries, THash)

namespace {

// One blank entry per entry class and thread answers KeyOfHit for every
// table of that class: a session's site table must not carry its own.
const TSummary* PrototypeOf(TAdvClass entryClass) {
  thread_local std::vector<std::pair<TAdvClass, TAdvRef<TSummary>>> prototypes;
  for (const auto& [cls, prototype] : prototypes)
    if (cls == entryClass) return prototype.Get();
  TAdvRef<TSummary> made = AdvCreate<TSummary>(entryClass);
  if (!made) return nullptr;
  prototypes.emplace_back(entryClass, std::move(made));
  return prototypes.back().second.Get();
}

}  // namespace

std::string_view TSummaries::KeyOfHit(const THit& hit) const {
  const TSummary* prototype = PrototypeOf(EntryClass());
  if (!prototype)
    Error("KeyOfHit", std::string("Entry class is not a summary: ") + EntryClass()->Name);
  return prototype->KeyOfHit(hit);
}

TSummary* TSummaries::FindForHit(const THit& hit) {
  const std::string_view key = KeyOfHit(hit);
  auto* summary = static_cast<TSummary*>(GetByName(key));
  if (!summary) summary = static_cast<TSummary*>(AddEntry(key));
  summary->AddHit(hit);
  return summary;
}
