#include "alerts/TimeTriggers.h"

#include <cmath>
#include <string>
#include <vector>

#include "activity/Users.h"
#include "core/AdvDates.h"
#include "core/AdvFilers.h"
#include "core/AdvFormats.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TTimeRangeHit, TAdvPersistent)
ADV_CLASS_IMPL(TTimeRangeHitList, TAdvList)
ADV_CLASS_IMPL(TTimeRangeHits, TAdvStringHashable)
ADV_CLASS_IMPL(TTimeRangeHash, TAdvStringHash)
ADV_CLASS_IMPL(TTimeRangeTrigger, THitTrigger)

std::string_view TimeRangeModeName(uint8_t mode) {
  switch (mode) {
    case kSlidingTimeRange:
      return "Sliding time range";
    case kFixedTimeRange:
      return "Fixed time range";
    default:
      return "";
  }
}

namespace {
constexpr double kSecondsPerDay = 86400.0;
constexpr int64_t kMillisecondsPerDay = 86400000;

// The time of day of a date-time in whole milliseconds (0 .. one day).
int64_t MillisecondOfDay(double dateTime) {
  if (!std::isfinite(dateTime)) return 0;
  const int64_t ms = std::llround((dateTime - std::floor(dateTime)) * double(kMillisecondsPerDay));
  return ms >= kMillisecondsPerDay ? kMillisecondsPerDay - 1 : ms;
}
}  // namespace

// ---------------------------------------------------------------------------
// TTimeRangeHit

void TTimeRangeHit::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TTimeRangeHit&>(source);
  HitIndex = other.HitIndex;
  Initiated = other.Initiated;
  DestinationSize = other.DestinationSize;
  SourceSize = other.SourceSize;
}

void TTimeRangeHit::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("HitIndex").DefineInteger(HitIndex);
  filer.Field("Initiated").DefineReal(Initiated);
  filer.Field("DestinationSize").DefineInteger64(DestinationSize);
  filer.Field("SourceSize").DefineInteger64(SourceSize);
}

void TTimeRangeHitList::Load(TAdvFiler& filer) {
  TAdvList::Load(filer);
  for (int i = Count() - 1; i >= 0; --i)
    if (!AdvCast<TTimeRangeHit>(GetItem(i))) DeleteByIndex(i);
}

// ---------------------------------------------------------------------------
// TTimeRangeHits

TTimeRangeHits::TTimeRangeHits() : m_hits(AdvNew<TTimeRangeHitList>()) {}

void TTimeRangeHits::AddToWindow(const TVexaHit& hit, int32_t number) {
  TAdvRef<TTimeRangeHit> entry = AdvNew<TTimeRangeHit>();
  entry->HitIndex = number;
  entry->Initiated = hit.Initiated();
  entry->DestinationSize = hit.Data().DestinationSize;
  entry->SourceSize = hit.Data().SourceSize;
  m_hits->Insert(m_hits->Count(), entry.Get());
  entry.Detach();
  if (hit.Initiated() > m_newest) m_newest = hit.Initiated();
  m_aggrSourceSize += hit.Data().SourceSize;
  m_aggrDestinationSize += hit.Data().DestinationSize;
  m_aggrSize += int64_t(hit.Data().SourceSize) + int64_t(hit.Data().DestinationSize);
}

void TTimeRangeHits::Subtract(const TTimeRangeHit& hit) {
  m_aggrSourceSize -= hit.SourceSize;
  m_aggrDestinationSize -= hit.DestinationSize;
  m_aggrSize -= hit.SourceSize + hit.DestinationSize;
}

void TTimeRangeHits::TrimBefore(double t) {
  // Count the leaving hits first and remove them as one block, so a trim
  // costs one move of the remaining entries however many hits leave.
  int leaving = 0;
  while (leaving < m_hits->Count() && m_hits->Hit(leaving)->Initiated < t)
    Subtract(*m_hits->Hit(leaving++));
  if (leaving == 0) return;
  if (leaving == m_hits->Count()) {
    m_hits->Clear();
    return;
  }
  std::vector<TAdvObject*> kept;
  kept.reserve(size_t(m_hits->Count() - leaving));
  for (int i = leaving; i < m_hits->Count(); ++i) kept.push_back(m_hits->GetItem(i)->Retain());
  m_hits->Clear();
  for (TAdvObject* entry : kept) m_hits->Insert(m_hits->Count(), entry);
}

namespace {
bool Fires(const TTrigger& trigger, int32_t hitsSquelch, int n, int64_t source, int64_t destination,
           int64_t total) {
  const bool sized =
      trigger.IncomingSize() > 0 || trigger.OutgoingSize() > 0 || trigger.TotalSize() > 0;
  if (!sized) return n > hitsSquelch;
  if (n <= hitsSquelch) return false;
  return (trigger.IncomingSize() > 0 && source > trigger.IncomingSize()) ||
         (trigger.OutgoingSize() > 0 && destination > trigger.OutgoingSize()) ||
         (trigger.TotalSize() > 0 && total > trigger.TotalSize());
}
}  // namespace

bool TTimeRangeHits::WindowFires(const TTrigger& trigger, int32_t hitsSquelch) const {
  return Fires(trigger, hitsSquelch, Count(), m_aggrSourceSize, m_aggrDestinationSize, m_aggrSize);
}

void TTimeRangeHits::EmptyWindow() {
  m_hits->Clear();
  m_aggrSourceSize = 0;
  m_aggrDestinationSize = 0;
  m_aggrSize = 0;
}

void TTimeRangeHits::CopyNumbersTo(TRange& range, int32_t hitCount) const {
  for (int i = 0; i < m_hits->Count(); ++i) {
    const int32_t number = m_hits->Hit(i)->HitIndex;
    if (number >= 0 && (hitCount < 0 || number < hitCount)) range.AddValue(number);
  }
}

void TTimeRangeHits::DropHitsPast(int32_t hitCount) {
  bool dropped = false;
  for (int i = m_hits->Count() - 1; i >= 0; --i)
    if (m_hits->Hit(i)->HitIndex >= hitCount) {
      m_hits->DeleteByIndex(i);
      dropped = true;
    }
  if (dropped) Recount();
}

void TTimeRangeHits::Recount() {
  m_aggrSourceSize = 0;
  m_aggrDestinationSize = 0;
  m_aggrSize = 0;
  for (int i = 0; i < m_hits->Count(); ++i) {
    const TTimeRangeHit& hit = *m_hits->Hit(i);
    m_aggrSourceSize += hit.SourceSize;
    m_aggrDestinationSize += hit.DestinationSize;
    m_aggrSize += hit.SourceSize + hit.DestinationSize;
  }
}

void TTimeRangeHits::Assign(const TAdvObject& source) {
  TAdvStringHashable::Assign(source);
  const auto& other = static_cast<const TTimeRangeHits&>(source);
  m_hits->Assign(*other.m_hits);
  m_aggrSourceSize = other.m_aggrSourceSize;
  m_aggrDestinationSize = other.m_aggrDestinationSize;
  m_aggrSize = other.m_aggrSize;
  m_newest = other.m_newest;
}

void TTimeRangeHits::Define(TAdvFiler& filer) {
  TAdvStringHashable::Define(filer);
  filer.Field("Hits").DefineObjectRef(m_hits);
  if (!m_hits) m_hits = AdvNew<TTimeRangeHitList>();
  filer.Field("AggrSourceSize").DefineInteger64(m_aggrSourceSize);
  filer.Field("AggrDestinationSize").DefineInteger64(m_aggrDestinationSize);
  filer.Field("AggrSize").DefineInteger64(m_aggrSize);
  if (filer.HasOptional(TAdvFilerKind::Real)) filer.Field("Newest").DefineReal(m_newest);
  if (filer.IsReader()) {
    // The totals follow from the hits; a file cannot make them disagree.
    Recount();
    for (int i = 0; i < m_hits->Count(); ++i)
      if (m_hits->Hit(i)->Initiated > m_newest) m_newest = m_hits->Hit(i)->Initiated;
  }
}

// ---------------------------------------------------------------------------
// TTimeRangeHash

TTimeRangeHash::TTimeRangeHash() {
  SetCapacity(16);
}

bool TTimeRangeHash::SavesEntry(const TAdvHashable& entry) const {
  // An empty window is as good as none: the next hit starts one afresh.
  return static_cast<const TTimeRangeHits&>(entry).Count() > 0;
}

void TTimeRangeHash::RemoveOlderThan(double cutoff) {
  if (Count() == 0) return;
  std::vector<std::string> stale;
  ForEach([&](TAdvHashable* entry) {
    auto* window = static_cast<TTimeRangeHits*>(entry);
    if (window->Newest() < cutoff) stale.push_back(window->Name());
  });
  for (const std::string& name : stale) RemoveByName(name);
}

// ---------------------------------------------------------------------------
// TTimeRangeTrigger

TTimeRangeTrigger::TTimeRangeTrigger() : m_hash(AdvNew<TTimeRangeHash>()) {
  THitTrigger::SetRefire(false);
  THitTrigger::SetNewHitAction(kNewAlertForEachHit);
}

void TTimeRangeTrigger::SetRefire(bool) {
  THitTrigger::SetRefire(false);
}

void TTimeRangeTrigger::SetNewHitAction(uint8_t) {
  THitTrigger::SetNewHitAction(kNewAlertForEachHit);
}

bool TTimeRangeTrigger::LoneHitFires(const TVexaHit& hit) const {
  const int64_t source = hit.Data().SourceSize;
  const int64_t destination = hit.Data().DestinationSize;
  return Fires(*this, m_hitsSquelch, 1, source, destination, source + destination);
}

bool TTimeRangeTrigger::InFixedWindow(double initiated) const {
  const int64_t d = MillisecondOfDay(initiated);
  const int64_t start = MillisecondOfDay(m_fixedStart);
  const int64_t end = MillisecondOfDay(m_fixedEnd);
  if (start <= end) return start <= d && d <= end;
  return d >= start || d <= end;  // across midnight
}

bool TTimeRangeTrigger::Applies(const TUser& user, const TSession& session, TVexaHit& hit,
                                TTriggerContext& context) {
  bool fires = false;
  // The conditions of the trigger's own: users, department and the hit
  // conditions; the size limits apply to the window's totals instead (and
  // in fixed mode to each hit as well).
  const bool own = UsersMatch(user) && DepartmentMatches(hit) && HitConditions(hit);
  if (own) {
    if (m_mode == kSlidingTimeRange) {
      // An empty window is as good as none: one is made only for a hit
      // that joins it.
      TTimeRangeHits* window = FindLiveWindow(user.Name(), context.Cutoff);
      const double start = context.CurrentTime() - double(m_slidingTime) / kSecondsPerDay;
      if (window) window->TrimBefore(start);
      // A hit older than the window's start that finds the window empty
      // would lead it, so the next trim, and the one before an alert takes
      // the window's hits, would take it out: no alert can ever list it. It
      // counts for this firing test alone, without joining the window or
      // being stored: a backlog of old hits is not copied into the store and
      // the windows hit by hit for nothing.
      if (hit.Initiated() < start && (!window || window->Count() == 0)) {
        fires = LoneHitFires(hit);
      } else {
        if (!window) window = m_hash->ForceWindow(user.Name());
        window->AddToWindow(hit, context.HitNumber(hit));
        fires = window->WindowFires(*this, m_hitsSquelch);
      }
    } else if (m_mode == kFixedTimeRange) {
      if (InFixedWindow(hit.Initiated()) && BaseConditions(user, hit)) {
        TTimeRangeHits* window = LiveWindow(user.Name(), context.Cutoff);
        window->AddToWindow(hit, context.HitNumber(hit));
        fires = window->WindowFires(*this, m_hitsSquelch);
      }
    }
  }
  // Windows whose newest hit left the retention period are dropped. The
  // current user's window is checked on every use (LiveWindow, FindWindow);
  // the sweep over every user's window only frees memory, so it runs when
  // the boundary has moved on by a minute, not on every hit: walking all
  // users per hit made a busy proxy's backlog crawl.
  if (context.Cutoff - m_sweptCutoff >= kSweepStep || context.Cutoff < m_sweptCutoff) {
    m_hash->RemoveOlderThan(context.Cutoff);
    m_sweptCutoff = context.Cutoff;
  }
  return fires;
}

TTimeRangeHits* TTimeRangeTrigger::FindLiveWindow(const std::string& user, double cutoff) {
  // A window that left the retention period counts as gone, as if the
  // sweep had already removed it.
  TTimeRangeHits* window = m_hash->Window(user);
  if (window && window->Newest() < cutoff) {
    m_hash->RemoveByName(user);
    window = nullptr;
  }
  return window;
}

TTimeRangeHits* TTimeRangeTrigger::LiveWindow(const std::string& user, double cutoff) {
  // The user starts a fresh window when there is no live one.
  TTimeRangeHits* window = FindLiveWindow(user, cutoff);
  return window ? window : m_hash->ForceWindow(user);
}

TTimeRangeHits* TTimeRangeTrigger::FindWindow(std::string_view user, double now, double cutoff) {
  TTimeRangeHits* window = m_hash->Window(user);
  if (!window || window->Newest() < cutoff) return nullptr;
  if (m_mode == kSlidingTimeRange)
    window->TrimBefore(now - double(m_slidingTime) / kSecondsPerDay);
  else
    window->TrimBefore(cutoff);
  return window;
}

void TTimeRangeTrigger::ResetState() {
  m_hash->Clear();
}

void TTimeRangeTrigger::DropHitsPast(int32_t hitCount) {
  m_hash->ForEach(
      [&](TAdvHashable* entry) { static_cast<TTimeRangeHits*>(entry)->DropHitsPast(hitCount); });
}

std::string TTimeRangeTrigger::Describe(const TSettings* settings) const {
  std::string text = THitTrigger::Describe(settings);
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] == '.') ++first;
  while (last > first && text[last - 1] == '.') --last;
  text = text.substr(first, last - first);

  if (m_mode == kSlidingTimeRange && m_slidingTime > 0) {
    double number;
    std::string unit;
    if (m_slidingTime >= 3600) {
      number = double(m_slidingTime) / 3600.0;
      unit = "hour";
    } else if (m_slidingTime < 60) {
      number = double(m_slidingTime);
      unit = "second";
    } else {
      number = double(m_slidingTime) / 60.0;
      unit = "minute";
    }
    if (number != 1.0) unit += 's';
    text = AdvFormat("%s; Time range: Last %.0f %s.", {text, number, unit});
  } else if (m_mode == kFixedTimeRange && (m_fixedStart > 0 || m_fixedEnd > 0)) {
    text = AdvFormat("%s; Time range: Between %s and %s.",
                     {text, FormatDateTimeText("hh:nn:ss", m_fixedStart),
                      FormatDateTimeText("hh:nn:ss", m_fixedEnd)});
  }
  if (m_hitsSquelch > 0)
    text = AdvFormat("%s; When number of hits exceeds %d.", {text, m_hitsSquelch});
  return text;
}

void TTimeRangeTrigger::Assign(const TAdvObject& source) {
  THitTrigger::Assign(source);
  const auto* other = AdvCast<TTimeRangeTrigger>(&source);
  if (!other) return;
  m_mode = other->m_mode;
  m_fixedStart = other->m_fixedStart;
  m_fixedEnd = other->m_fixedEnd;
  m_slidingTime = other->m_slidingTime;
  m_hitsSquelch = other->m_hitsSquelch;
  m_hash->Assign(*other->m_hash);
}

void TTimeRangeTrigger::Define(TAdvFiler& filer) {
  THitTrigger::Define(filer);
  filer.Field("Mode").DefineEnumerated(m_mode);
  filer.Field("FixedStart").DefineReal(m_fixedStart);
  filer.Field("FixedEnd").DefineReal(m_fixedEnd);
  filer.Field("SlidingTime").DefineInteger(m_slidingTime);
  if (filer.HasOptional(TAdvFilerKind::Integer))
    filer.Field("HitsSquelch").DefineInteger(m_hitsSquelch);
  if (filer.HasOptional(TAdvFilerKind::Object)) {
    filer.Field("Hash").DefineObjectRef(m_hash);
    if (!m_hash) m_hash = AdvNew<TTimeRangeHash>();
  }
}
