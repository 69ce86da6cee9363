// TTriggers: the list, its name index, the evaluation of a hit and the
// triggers file.
#include <algorithm>

#include "activity/Sessions.h"
#include "activity/Users.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/TimeTriggers.h"
#include "alerts/Triggers.h"
#include "core/AdvPaths.h"
#include "core/AdvXMLFilers.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TTriggers, TAdvNamedList)

int TTriggers::IndexByName(std::string_view name) const {
  if (Sorted()) return TAdvNamedList::IndexByName(name);
  return m_index.Find(*this, name);
}

TTrigger* TTriggers::FindTrigger(std::string_view name) const {
  const int index = IndexByName(name);
  return index >= 0 ? Trigger(index) : nullptr;
}

int TTriggers::EnabledCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    if (Trigger(i) && Trigger(i)->Enabled()) ++count;
  return count;
}

void TTriggers::Clear() {
  m_index.Invalidate();
  TAdvNamedList::Clear();
}

void TTriggers::OpenSlot(int index) {
  if (index != Count()) m_index.Invalidate();
  TAdvNamedList::OpenSlot(index);
}

void TTriggers::DisposeEntry(int index) {
  m_index.Invalidate();
  TAdvNamedList::DisposeEntry(index);
}

void TTriggers::MoveEntries(int from, int to, int count) {
  if (count > 0) m_index.Invalidate();
  TAdvNamedList::MoveEntries(from, to, count);
}

void TTriggers::ExchangeEntries(int a, int b) {
  m_index.Invalidate();
  TAdvNamedList::ExchangeEntries(a, b);
}

void TTriggers::Reset() {
  for (int i = 0; i < Count(); ++i)
    if (TTrigger* trigger = Trigger(i)) trigger->ResetState();
}

void TTriggers::DropHitsPast(int32_t hitCount) {
  for (int i = 0; i < Count(); ++i)
    if (auto* trigger = AdvCast<TTimeRangeTrigger>(Trigger(i))) trigger->DropHitsPast(hitCount);
}

// ---------------------------------------------------------------------------
// Evaluation

void TTriggers::EvaluateTriggers(uint8_t priority, TUser& user, TSession& session, TVexaHit& hit,
                                 TTriggerContext& context) {
  for (int i = 0; i < Count(); ++i) {
    TTrigger* trigger = Trigger(i);
    if (!trigger || !trigger->Enabled() || trigger->Priority() != priority) continue;
    Evaluate(*trigger, user, session, hit, context);
  }
}

void TTriggers::EvaluateAll(TUser& user, TSession& session, TVexaHit& hit,
                            TTriggerContext& context) {
  context.BeginHit();
  for (uint8_t priority = kPriorityLow; priority < kPriorityCount; ++priority)
    EvaluateTriggers(priority, user, session, hit, context);
}

void EvaluateTriggers(TTriggers& triggers, uint8_t priority, TUser& user, TSession& session,
                      TVexaHit& hit, TTriggerContext& context) {
  triggers.EvaluateTriggers(priority, user, session, hit, context);
}

namespace {

void Queue(TTriggerContext& context, TAlert& alert, TTrigger& trigger) {
  if (context.Queue) AppendAlertQueueItem(*context.Queue, &alert, &trigger);
}

void Raise(TTriggerContext& context, TAlert& alert) {
  if (context.RaiseAlert) context.RaiseAlert(alert);
}

void ShowInGroups(TTriggerContext& context, TAlert& alert) {
  if (context.Groups && !context.Groups->Rebuilding()) context.Groups->AddToGroups(&alert);
}

// The window's hits become the alert's and the window starts afresh. Hits
// the store no longer holds (numbers at or past its end) are left out.
void TakeWindow(TTimeRangeTrigger& trigger, const TUser& user, TAlert& alert,
                TTriggerContext& context, double now) {
  TTimeRangeHits* window = trigger.FindWindow(user.Name(), now, context.Cutoff);
  if (!window) return;
  alert.Hits().Clear();
  window->CopyNumbersTo(alert.Hits(), context.HitStore ? context.HitStore->Capacity() : -1);
  window->EmptyWindow();
}

}  // namespace

// One trigger against one hit. The steps:
//  1. the trigger's conditions (a time-range trigger also updates the
//     user's window here);
//  2. the alert list: the session's for a session trigger without Overall,
//     otherwise the user's;
//  3. the alert: none wanted (a new one for each hit), or the first of the
//     trigger's name in that list;
//  4. a new alert is added to the list, queued when Notify is on, and
//     raised when it lies inside the retention period; a time-range
//     trigger hands it the window's hits;
//  5. the alert takes the hit's session, time, the higher priority and the
//     current description;
//  6. a dismissed alert of a re-firing trigger is brought back;
//  7. hit-counting triggers add the hit's number, and re-firing ones queue
//     the alert (once per hit) and raise it again.
void TTriggers::Evaluate(TTrigger& trigger, TUser& user, TSession& session, TVexaHit& hit,
                         TTriggerContext& context) {
  bool queued = false;
  if (!trigger.Applies(user, session, hit, context)) return;

  const bool sessionKind = AdvCast<TSessionTrigger>(&trigger) != nullptr;
  const bool perSession = sessionKind && !trigger.Overall();
  TAdvNamedList& list = perSession ? session.Alerts() : user.Alerts();

  TAdvRef<TAlert> alert;
  if (sessionKind || trigger.NewHitAction() != kNewAlertForEachHit) {
    const int index = list.IndexByName(trigger.Name());
    if (index >= 0) alert = TAdvRef<TAlert>::Share(AdvCast<TAlert>(list.GetItem(index)));
  }
  const bool existed = bool(alert);

  if (!existed) {
    alert = AdvNew<TAlert>(trigger.Name());
    alert->SetUser(user.Name());
    alert->SetIP(user.IP());
    alert->SetPriority(trigger.Priority());
    if (perSession) {
      session.AddAlert(alert.Get());
    } else {
      alert->Retain();
      try {
        list.Insert(list.Count(), alert.Get());
      } catch (...) {
        alert->Release();
        throw;
      }
    }
    if (trigger.Notify()) {
      Queue(context, *alert, trigger);
      queued = true;
    }
    // Retention: an alert made for old hits (a backlog read at start-up) is
    // kept but not announced. A time-range alert is judged by the hit that
    // fired it, since the session may have begun long before; it always
    // takes the window's hits, so that one set of hits fires at most once.
    bool inside = session.Start() >= context.CutoffSeconds;
    if (auto* range = AdvCast<TTimeRangeTrigger>(&trigger)) {
      TakeWindow(*range, user, *alert, context, context.CurrentTime());
      inside = hit.SecondStamp() >= context.CutoffSeconds;
    }
    if (inside) {
      ShowInGroups(context, *alert);
      Raise(context, *alert);
    }
  }

  alert->SetSession(session.Start());
  alert->SetAlerted(hit.Initiated());
  alert->SetPriority(std::max(alert->Priority(), trigger.Priority()));
  alert->SetDescription(trigger.Describe(context.Settings));
  alert->SetOverall(trigger.Overall());
  bool raiseAgain = false;

  if (existed && !sessionKind && trigger.Refire() && alert->Dismissed()) {
    alert->SetDismissed(false);
    alert->SetViewed(false);
    raiseAgain = true;
    ShowInGroups(context, *alert);
  }

  if (trigger.CountsHits()) {
    if (!trigger.IsTimeRange()) {
      const int32_t number = context.HitNumber(hit);
      if (number >= 0) alert->Hits().AddValue(number);
    }
    if (trigger.Refire()) {
      alert->SetDismissed(false);
      raiseAgain = true;
      if (!queued) Queue(context, *alert, trigger);
    }
  }

  if (raiseAgain) Raise(context, *alert);
}

// ---------------------------------------------------------------------------
// Files

void TTriggers::LoadFromFile(const std::string& fileName) {
  TAdvPersistent::LoadFromFile(fileName, &TAdvXMLReader::ClassInfo);
}

void TTriggers::SaveToFile(const std::string& fileName) {
  TAdvPersistent::SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}

std::string LoadTriggersFile(TTriggers& triggers, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TTriggers> scratch = AdvCreate<TTriggers>(triggers.ClassType());
  if (!scratch) scratch = AdvNew<TTriggers>();
  std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvXMLReader::ClassInfo);
  if (!error.empty()) return error;
  // An entry stored as nil holds no trigger.
  for (int i = scratch->Count() - 1; i >= 0; --i)
    if (!scratch->Trigger(i)) scratch->DeleteByIndex(i);
  triggers.Clear();
  for (int i = 0; i < scratch->Count(); ++i) {
    TTrigger* trigger = scratch->Trigger(i);
    trigger->Retain();
    triggers.Insert(triggers.Count(), trigger);
  }
  return {};
}

void SaveTriggersFile(TTriggers& triggers, const std::string& fileName) {
  triggers.SaveToFile(fileName);
}
