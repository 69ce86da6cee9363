#include "activity/Reports.h"

#include <algorithm>

#include "core/AdvAscii.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TReport, TAdvList)
ADV_CLASS_IMPL(TUserReport, TReport)
ADV_CLASS_IMPL(TOnlineUsers, TUserReport)
ADV_CLASS_IMPL(TOfflineUsers, TUserReport)
ADV_CLASS_IMPL(TSessionReport, TAdvList)
ADV_CLASS_IMPL(TSiteReport, TReport)
ADV_CLASS_IMPL(THitReport, TVexaHits)

namespace {

template <class T>
int Ascending(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int ByName(const TSummary* a, const TSummary* b) {
  return CompareTextAscii(a->Name(), b->Name());
}

// Appends a reference to `object` at the end of `list`.
void AppendReference(TAdvList& list, TAdvObject* object) {
  object->Retain();
  try {
    list.Insert(list.Count(), object);
  } catch (...) {
    object->Release();
    throw;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

int TReport::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  return ByName(static_cast<TSummary*>(a), static_cast<TSummary*>(b));
}

int TReport::IndexOf(TAdvObject* object) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Entry(i) == object) return i;
  return -1;
}

void TReport::AddSummary(TSummary* summary) {
  if (!summary) Error("Add", "Summary not assigned");
  AppendReference(*this, summary);
}

void TReport::Fill(const TSummaries& summaries) {
  summaries.ForEach([this](TAdvHashable* entry) { AddSummary(static_cast<TSummary*>(entry)); });
}

int TReport::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameTextAscii(static_cast<TSummary*>(Entry(i))->Name(), name)) return i;
  return -1;
}

// ---------------------------------------------------------------------------

bool TUserReport::AddUser(TUser* user, double now) {
  AddSummary(user);
  m_now = now;
  const bool active = user->IsActive(now);
  if (active) ++m_activeCount;
  const int64_t elapsed = user->TotalElapsed();
  const int64_t sessions = user->Sessions().Count();
  m_totalHits = SaturatingAdd(m_totalHits, user->Hits());
  m_totalSize = SaturatingAdd(m_totalSize, user->Size());
  m_totalElapsed = SaturatingAdd(m_totalElapsed, elapsed);
  m_totalSessions += sessions;
  m_maxHits = std::max<int64_t>(m_maxHits, user->Hits());
  m_maxSize = std::max(m_maxSize, user->Size());
  m_maxElapsed = std::max(m_maxElapsed, elapsed);
  m_maxSessions = std::max(m_maxSessions, sessions);
  return active;
}

void TUserReport::Fill(const TSummaries& summaries) {
  summaries.ForEach([this](TAdvHashable* entry) { AddUser(static_cast<TUser*>(entry), m_now); });
}

void TUserReport::ResetTotals() {
  m_activeCount = 0;
  m_totalHits = m_totalSize = m_totalElapsed = m_totalSessions = 0;
  m_maxHits = m_maxSize = m_maxElapsed = m_maxSessions = 1;
}

void TUserReport::Clear() {
  TReport::Clear();
  ResetTotals();
}

void TUserReport::SortBy(TUserOrder order) {
  // The refresh sorts every user twice a second by these two: their keys
  // are taken once per user instead of once per comparison.
  if (order == TUserOrder::Recent || order == TUserOrder::Name) {
    const bool recent = order == TUserOrder::Recent;
    SortByKey<int64_t>(
        [recent](TAdvObject* x) {
          return recent ? static_cast<TUser*>(x)->Sessions().LastFinish() : int64_t(0);
        },
        [](int64_t a, TAdvObject* x, int64_t b, TAdvObject* y) {
          const int result = -Ascending(a, b);
          return result != 0 ? result : ByName(static_cast<TUser*>(x), static_cast<TUser*>(y));
        });
    return;
  }
  const double now = m_now;
  Sort([order, now](TAdvObject* x, TAdvObject* y) {
    const auto* a = static_cast<TUser*>(x);
    const auto* b = static_cast<TUser*>(y);
    int result = 0;
    switch (order) {
      case TUserOrder::Name:
        break;
      case TUserOrder::Sessions:
        result = Ascending(a->Sessions().Count(), b->Sessions().Count());
        break;
      case TUserOrder::Elapsed:
        result = Ascending(a->TotalElapsed(), b->TotalElapsed());
        break;
      case TUserOrder::Hits:
        result = Ascending(a->Hits(), b->Hits());
        break;
      case TUserOrder::Size:
        result = Ascending(a->Size(), b->Size());
        break;
      case TUserOrder::Activity: {
        const bool activeA = a->IsActive(now);
        const bool activeB = b->IsActive(now);
        result = activeA == activeB ? 0 : (activeA ? -1 : 1);
        if (result == 0) result = CompareTextAscii(a->StatusText(now), b->StatusText(now));
        break;
      }
      case TUserOrder::Recent:
        result = -Ascending(a->Sessions().LastFinish(), b->Sessions().LastFinish());
        break;
    }
    return result != 0 ? result : ByName(a, b);
  });
}

// ---------------------------------------------------------------------------

int TSessionReport::IndexOf(TAdvObject* object) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Entry(i) == object) return i;
  return -1;
}

void TSessionReport::Fill(const TSessions& sessions) {
  for (int i = 0; i < sessions.Count(); ++i) {
    TSession* session = sessions.GetSession(i);
    AppendReference(*this, session);
    m_totalElapsed = SaturatingAdd(m_totalElapsed, session->ElapsedSeconds());
    m_totalHits = SaturatingAdd(m_totalHits, session->Hits());
    m_totalSize = SaturatingAdd(m_totalSize, session->Size());
    m_totalSites += session->Sites().Count();
  }
}

void TSessionReport::Clear() {
  TAdvList::Clear();
  m_totalElapsed = m_totalHits = m_totalSize = m_totalSites = 0;
}

void TSessionReport::SortBy(TSessionOrder order) {
  Sort([order](TAdvObject* x, TAdvObject* y) {
    const auto* a = static_cast<TSession*>(x);
    const auto* b = static_cast<TSession*>(y);
    int result = 0;
    switch (order) {
      case TSessionOrder::Start:
        break;
      case TSessionOrder::Sites:
        result = Ascending(a->Sites().Count(), b->Sites().Count());
        break;
      case TSessionOrder::Elapsed:
        result = Ascending(a->ElapsedSeconds(), b->ElapsedSeconds());
        break;
      case TSessionOrder::Hits:
        result = Ascending(a->Hits(), b->Hits());
        break;
      case TSessionOrder::Size:
        result = Ascending(a->Size(), b->Size());
        break;
    }
    return result != 0 ? result : -Ascending(a->Start(), b->Start());
  });
}

// ---------------------------------------------------------------------------

void TSiteReport::Fill(const TSummaries& sites) {
  sites.ForEach([this](TAdvHashable* entry) {
    auto* site = static_cast<TSite*>(entry);
    AddSummary(site);
    m_totalHits = SaturatingAdd(m_totalHits, site->Hits());
    m_totalSize = SaturatingAdd(m_totalSize, site->Size());
  });
}

void TSiteReport::Fill(const TSiteTable& sites) {
  sites.ForEach([this](const TSiteEntry& entry) {
    TAdvRef<TSite> site = AdvNew<TSite>();
    site->SetName(entry.Name());
    site->SetCounts(entry.Counts());
    AddSummary(site.Get());
    m_totalHits = SaturatingAdd(m_totalHits, site->Hits());
    m_totalSize = SaturatingAdd(m_totalSize, site->Size());
  });
}

void TSiteReport::Clear() {
  TReport::Clear();
  m_totalHits = m_totalSize = 0;
}

void TSiteReport::SortBy(TSiteOrder order) {
  Sort([order](TAdvObject* x, TAdvObject* y) {
    const auto* a = static_cast<TSite*>(x);
    const auto* b = static_cast<TSite*>(y);
    int result = 0;
    switch (order) {
      case TSiteOrder::Name:
        break;
      case TSiteOrder::Hits:
        result = Ascending(a->Hits(), b->Hits());
        break;
      case TSiteOrder::Accessed:
        result = -Ascending(a->Accessed(), b->Accessed());
        break;
      case TSiteOrder::Size:
        result = -Ascending(a->Size(), b->Size());
        break;
    }
    return result != 0 ? result : ByName(a, b);
  });
}

// ---------------------------------------------------------------------------

void THitReport::Clear() {
  TVexaHits::Clear();
  m_fill = 0;
  m_totalSize = 0;
  m_totalTimeTaken = 0;
}

void THitReport::BeginFill(int count) {
  if (count < 0) Error("BeginFill", "Invalid hit count " + std::to_string(count));
  if (count < Count()) SetCount(count);
  while (Count() < count) {
    TAdvRef<TVexaHit> slot = AdvNew<TVexaHit>();
    Insert(Count(), slot.Get());
    slot.Detach();
  }
  m_fill = 0;
}

void THitReport::Add(const THit& hit) {
  if (m_fill >= Count()) Error("Add", "Hit report didn't process the correct number of hits");
  // A plain THit carries no classification to copy.
  TVexaHit* slot = GetHit(m_fill);
  if (AdvCast<TVexaHit>(&hit))
    slot->Assign(hit);
  else
    slot->THit::Assign(hit);
  ++m_fill;
  if (hit.Failed()) return;
  m_totalSize = SaturatingAdd(m_totalSize, int64_t(hit.Size()));
  m_totalTimeTaken = SaturatingAdd(m_totalTimeTaken, int64_t(hit.Data().TimeTaken));
}

void THitReport::AddAll(const THits& hits) {
  for (int i = 0; i < hits.Count(); ++i) Add(*hits.GetHit(i));
}

void THitReport::Close() {
  if (m_fill != Count()) Error("Close", "Hit report didn't process the correct number of hits");
}
