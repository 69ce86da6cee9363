#include "activity/Summaries.h"

ADV_CLASS_IMPL(TSummary, THashable)
ADV_CLASS_IMPL(TSummaries, THash)

std::string_view TSummaries::KeyOfHit(const THit& hit) const {
  if (!m_prototype) {
    m_prototype = AdvCreate<TSummary>(EntryClass());
    if (!m_prototype)
      Error("KeyOfHit", std::string("Entry class is not a summary: ") + EntryClass()->Name);
  }
  return m_prototype->KeyOfHit(hit);
}

TSummary* TSummaries::FindForHit(const THit& hit) {
  const std::string_view key = KeyOfHit(hit);
  auto* summary = static_cast<TSummary*>(GetByName(key));
  if (!summary) summary = static_cast<TSummary*>(AddEntry(key));
  summary->AddHit(hit);
  return summary;
}
