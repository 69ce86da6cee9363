#include "activity/Sessions.h"

#include <limits>

#include "core/AdvFilers.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TSession, TAdvPersistent)
ADV_CLASS_IMPL(TSessions, TAdvList)

TSession::TSession()
    : m_start(std::numeric_limits<int64_t>::max()), m_finish(std::numeric_limits<int64_t>::min()) {}

static_assert(sizeof(void*) != 8 || sizeof(TSession) <= 72,
              "a session outgrew the allocator's 80-byte block");

TAdvNamedList& TSession::Alerts() const {
  return ForceActivityAlerts(m_alerts, true);
}

void TSession::AddHit(const THit& hit) {
  const int64_t t = hit.SecondStamp();
  // Count the site first: if that fails the session is left unchanged.
  m_sites.AddHit(hit);
  if (t < m_start) m_start = t;
  if (t > m_finish) m_finish = t;
  m_hits = SaturatingAdd32(m_hits, 1);
  m_size = SaturatingAdd(m_size, int64_t(hit.Size()));
}

void TSession::MergeFrom(const TSession& other) {
  if (&other == this) return;
  m_sites.MergeSites(other.m_sites);
  if (other.HasAlerts()) MergeActivityAlerts(Alerts(), *other.m_alerts);
  if (other.m_start < m_start) m_start = other.m_start;
  if (other.m_finish > m_finish) m_finish = other.m_finish;
  m_hits = SaturatingAdd32(m_hits, other.m_hits);
  m_size = SaturatingAdd(m_size, other.m_size);
}

void TSession::AddAlert(TAdvNamed* alert) {
  if (!alert) Error("AddAlert", "Alert not assigned");
  alert->Retain();
  try {
    Alerts().Add(alert);
  } catch (...) {
    alert->Release();
    throw;
  }
}

int64_t TSession::ElapsedSeconds() const {
  return IsEmpty() ? 0 : SaturatingSub(m_finish, m_start);
}

bool TSession::OverlapsWithin(const TSession& other, int64_t gap) const {
  return SaturatingSub(other.m_start, gap) <= m_finish &&
         m_start <= SaturatingAdd(other.m_finish, gap);
}

void TSession::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& session = static_cast<const TSession&>(source);
  m_start = session.m_start;
  m_finish = session.m_finish;
  m_hits = session.m_hits;
  m_size = session.m_size;
  m_sites = session.m_sites;
  if (m_alerts) m_alerts->Clear();
  if (session.HasAlerts()) MergeActivityAlerts(Alerts(), *session.m_alerts);
}

void TSession::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Start").DefineInteger64(m_start);
  filer.Field("Finish").DefineInteger64(m_finish);
  filer.Field("Hits").DefineInteger(m_hits);
  filer.Field("Size").DefineInteger64(m_size);
  TSites::DefineTable(filer, "Sites", m_sites);
  DefineActivityAlerts(filer, "Alerts", m_alerts, true);
}

// ---------------------------------------------------------------------------

int TSessions::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  const int64_t x = static_cast<TSession*>(a)->Start();
  const int64_t y = static_cast<TSession*>(b)->Start();
  return x < y ? -1 : (x > y ? 1 : 0);
}

int TSessions::IndexOf(TAdvObject* object) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Entry(i) == object) return i;
  return -1;
}

TSession* TSessions::AddHit(const THit& hit) {
  const int64_t t = hit.SecondStamp();
  // Phase 1: the last session starting no later than t + Gap is the only one
  // that can hold t; earlier ones end more than Gap before it starts.
  const int64_t reach = SaturatingAdd(t, m_gap);
  int low = 0;
  int high = Count() - 1;
  int last = -1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    if (static_cast<TSession*>(Entry(middle))->Start() <= reach) {
      last = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }

  // Phase 2: that session if t lies within Gap of its end, else a new one
  // at the place the search ended.
  int index = last;
  TSession* session = nullptr;
  if (last >= 0 && t <= SaturatingAdd(static_cast<TSession*>(Entry(last))->Finish(), m_gap)) {
    session = static_cast<TSession*>(Entry(last));
    session->AddHit(hit);
  } else {
    index = last + 1;
    TAdvRef<TSession> made = AdvNew<TSession>();
    made->AddHit(hit);
    Insert(index, made.Get());
    session = made.Detach();
  }

  // Phase 3: a neighbour the session now reaches within Gap joins it.
  if (index + 1 < Count()) {
    TSession* next = static_cast<TSession*>(Entry(index + 1));
    if (SaturatingSub(next->Start(), session->Finish()) <= m_gap) {
      session->MergeFrom(*next);
      DeleteByIndex(index + 1);
    }
  }
  if (index > 0) {
    TSession* previous = static_cast<TSession*>(Entry(index - 1));
    if (SaturatingSub(session->Start(), previous->Finish()) <= m_gap) {
      session->MergeFrom(*previous);
      DeleteByIndex(index - 1);
    }
  }
  return session;
}

int TSessions::FindSession(int64_t t) const {
  for (int i = Count() - 1; i >= 0; --i) {
    const auto* session = static_cast<TSession*>(Entry(i));
    if (session->Start() <= t && t <= session->Finish()) return i;
  }
  return -1;
}

int64_t TSessions::TotalElapsed() const {
  int64_t total = 0;
  for (int i = 0; i < Count(); ++i)
    total = SaturatingAdd(total, static_cast<TSession*>(Entry(i))->ElapsedSeconds());
  return total;
}

int64_t TSessions::LastFinish() const {
  return Count() == 0 ? 0 : static_cast<TSession*>(Entry(Count() - 1))->Finish();
}

void TSessions::InsertSorted(TSession* session) {
  int low = 0;
  int high = Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (static_cast<TSession*>(Entry(middle))->Start() <= session->Start())
      low = middle + 1;
    else
      high = middle;
  }
  Insert(low, session);
}

void TSessions::MergeSessions(const TSessions& other) {
  if (&other == this) return;
  for (int i = 0; i < other.Count(); ++i) {
    TSession* incoming = other.GetSession(i);
    if (!incoming || incoming->IsEmpty()) continue;
    TSession* target = nullptr;
    for (int j = 0; j < Count() && !target; ++j) {
      auto* own = static_cast<TSession*>(Entry(j));
      if (own->OverlapsWithin(*incoming, m_gap)) target = own;
    }
    if (target) {
      target->MergeFrom(*incoming);
    } else {
      incoming->Retain();
      try {
        InsertSorted(incoming);
      } catch (...) {
        incoming->Release();
        throw;
      }
    }
  }
  // A merge can move a session's Start before its predecessor's.
  Sort();
  Coalesce();
}

void TSessions::Coalesce() {
  for (int i = Count() - 1; i > 0; --i) {
    auto* later = static_cast<TSession*>(Entry(i));
    for (int j = i - 1; j >= 0; --j) {
      auto* earlier = static_cast<TSession*>(Entry(j));
      if (earlier->OverlapsWithin(*later, m_gap)) {
        earlier->MergeFrom(*later);
        DeleteByIndex(i);
        break;
      }
    }
  }
}

void TSessions::Load(TAdvFiler& filer) {
  TAdvList::Load(filer);
  for (int i = Count() - 1; i >= 0; --i) {
    auto* session = static_cast<TSession*>(Entry(i));
    if (session && !session->IsEmpty()) continue;
    if (session && session->Hits() > 0) Error("Load", "Session ends before it starts");
    DeleteByIndex(i);
  }
  Sort();
  // Sessions from a file are trusted to be apart by some gap, but not by
  // the current one: merge only those that really overlap.
  const int64_t gap = m_gap;
  m_gap = 0;
  try {
    Coalesce();
  } catch (...) {
    m_gap = gap;
    throw;
  }
  m_gap = gap;
}

void TSessions::Assign(const TAdvObject& source) {
  TAdvList::Assign(source);
  m_gap = static_cast<const TSessions&>(source).m_gap;
}
