// Alerts: the record that a trigger fired for a user, the alert lists that
// users and sessions keep, and the alert groups the status window shows.
//
// TAlert is shared by reference: the same object sits in its user's or
// session's list, in the group of its name and in the alert queue. Its Name
// is the name of the trigger that raised it; Hits holds the numbers, in the
// hit store, of the hits that make it up.
//
// TAlerts is the list class the activity model makes its alert lists of
// (RegisterAlertClasses installs it). A user's list keeps the order of
// creation, a session's list is sorted by name; finding the alert of a
// trigger is a binary search in a sorted list and a hash look-up in an
// unsorted one (see NameIndexes.h), never a walk over the list.
//
// TGroups holds the groups (TGroup: the alerts of one trigger name, latest
// session first), sorted by group name, and the current alert: the unread
// alert of the highest priority, earliest raised. A refresh empties the
// groups and puts every kept alert back (TAlertGroupSink); while such a
// rebuild runs, alerts are appended and each list is sorted once when it
// ends, so a rebuild of n alerts costs O(n log n).
//
// Thread safety: none; evaluation, refresh and the windows share the main
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "activity/ActivityAlerts.h"
#include "alerts/NameIndexes.h"
#include "core/AdvLists.h"
#include "core/AdvSets.h"

ADV_EXCEPTION(EAlert, EAdvanced)

// Priorities of triggers and alerts ("Low", "Medium", "High").
constexpr uint8_t kPriorityLow = 0;
constexpr uint8_t kPriorityMedium = 1;
constexpr uint8_t kPriorityHigh = 2;
constexpr uint8_t kPriorityCount = 3;
// "Low", "Medium", "High"; an out-of-range value reads as "High".
std::string_view PriorityName(uint8_t priority);
// The settings' "Sounds" key of a priority: "Low Priority Alert" ...
std::string_view PrioritySoundName(uint8_t priority);

// The hit numbers of an alert: a set of integers kept as ranges.
class TRange : public TAdvSet {
  ADV_CLASS(TRange)

  TRange() = default;

  // Calls `visit(number)` for every member in ascending order.
  template <class F>
  void ForEachNumber(F&& visit) const {
    for (int i = 0; i < Count(); ++i) {
      const TAdvRange& range = GetRange(i);
      for (int64_t n = range.Low; n <= range.High; ++n) visit(int32_t(n));
    }
  }

 protected:
  ~TRange() override = default;
};

class TAlert : public TAdvNamed {
  ADV_CLASS(TAlert)
  ADV_RAISES(EAlert)

  // An empty hit set, every flag false, Priority Low.
  TAlert();
  explicit TAlert(std::string triggerName);

  TRange& Hits() const { return *m_hits; }
  const std::string& Description() const { return m_description; }
  void SetDescription(std::string value) { m_description = std::move(value); }
  // Date-time of the latest hit that raised or updated the alert.
  double Alerted() const { return m_alerted; }
  void SetAlerted(double value) { m_alerted = value; }
  const std::string& User() const { return m_user; }
  void SetUser(std::string value) { m_user = std::move(value); }
  // Start (seconds) of the session it was last raised in.
  int64_t Session() const { return m_session; }
  void SetSession(int64_t value) { m_session = value; }
  uint8_t Priority() const { return m_priority; }
  void SetPriority(uint8_t value) { m_priority = value < kPriorityCount ? value : kPriorityHigh; }
  bool Dismissed() const { return m_dismissed; }
  void SetDismissed(bool value) { m_dismissed = value; }
  bool Viewed() const { return m_viewed; }
  void SetViewed(bool value) { m_viewed = value; }
  // Raised by a cumulative trigger.
  bool Overall() const { return m_overall; }
  void SetOverall(bool value) { m_overall = value; }
  // The user's client address when the alert was made; 0 = none.
  uint32_t IP() const { return m_ip; }
  void SetIP(uint32_t value) { m_ip = value; }
  // The name of the trigger that raised it (the alert's Name).
  const std::string& TriggerName() const { return Name(); }

  // Alerted the later, Hits the union, Priority the higher, Dismissed if
  // either was; the other fields stay.
  void MergeFrom(const TAlert& other);
  // The User, followed by " [a.b.c.d]" when IP is set and its dotted form
  // differs from the User.
  std::string UserText() const;

  void Assign(const TAdvObject& source) override;
  // "Name", "Hits", "Description", "Alerted", "User", "Session",
  // "Priority", "Dismissed", "Viewed", "Overall", then "IP" (read only when
  // the file has it).
  void Define(TAdvFiler& filer) override;

 protected:
  ~TAlert() override = default;

 private:
  TAdvRef<TRange> m_hits;  // never null
  std::string m_description;
  double m_alerted = 0;
  std::string m_user;
  int64_t m_session = 0;
  uint8_t m_priority = kPriorityLow;
  bool m_dismissed = false;
  bool m_viewed = false;
  bool m_overall = false;
  uint32_t m_ip = 0;
};

// A list of alerts: users' and sessions' alert lists, and the base of a group.
class TAlerts : public TAdvNamedList {
  ADV_CLASS(TAlerts)

  TAlerts() = default;

  TAlert* Alert(int index) const { return ItemAs<TAlert>(index); }
  TAdvClass ItemClass() const override { return &TAlert::ClassInfo; }

  // The first alert, in list order, of this name (ASCII case ignored): a
  // binary search when sorted, an index look-up otherwise.
  int IndexByName(std::string_view name) const override;
  TAlert* FindAlert(std::string_view name) const;
  // Adds a reference to every alert of `other` not held already (the same
  // object), in order (at its sorted place in a sorted list).
  void MergeAlerts(const TAlerts& other);

  void Clear() override;
  void OpenSlot(int index) override;

 protected:
  ~TAlerts() override = default;

  void DisposeEntry(int index) override;
  void MoveEntries(int from, int to, int count) override;
  void ExchangeEntries(int a, int b) override;
  // For descendants that reorder entries with SetItem.
  void InvalidateIndex() { m_index.Invalidate(); }

 private:
  mutable TNameIndex m_index;
};

// The alerts of one trigger name, latest session first, then by alert name.
class TGroup : public TAlerts {
  ADV_CLASS(TGroup)

  TGroup();
  explicit TGroup(std::string name);

  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }

  // Session descending, then Name ascending (ASCII case ignored).
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  // The index of the alert (by identity), or -1.
  int IndexOf(TAdvObject* object) const override;
  // Adds a reference to the alert at its sorted place (among equal ones,
  // after them, so that equals keep the order they were added in).
  void AddAlert(TAlert* alert);
  // Appends a reference without ordering; SortAlerts puts the list right.
  void AppendAlert(TAlert* alert);
  // A stable sort by the group's order.
  void SortAlerts();

 protected:
  ~TGroup() override = default;

 private:
  std::string m_name;
};

class TGroups : public TAdvList {
  ADV_CLASS(TGroups)
  ADV_RAISES(EAlert)

  TGroups();

  // Groups in name order (a rebuild in progress is finished first).
  int GroupCount() const;
  TGroup* Group(int index) const;
  // The group of that name (ASCII case ignored), or null.
  TGroup* FindGroup(std::string_view name) const;
  // The unread alert that should be shown first, or null.
  TAlert* CurrentAlert() const { return m_current.Get(); }

  // Nothing for a dismissed alert; otherwise a reference goes into the
  // group of its name (made when missing), and an unread alert becomes
  // current when there is none, when the current one's priority is lower,
  // or when the priorities are equal and the current one was raised later.
  void AddToGroups(TAlert* alert);
  void AddAllToGroups(const TAdvNamedList& alerts);
  // Forgets the alert as current, takes it out of its group and drops the
  // group when it empties. Raises "Unable to find the alert '%s' in the
  // groups" (operation "Remove") when no group has its name.
  void RemoveFromGroups(TAlert* alert);
  // Every group removed, no current alert.
  void Clear() override;

  // A rebuild: Clear, then AddToGroups for every kept alert (appending),
  // then EndRebuild, which sorts the groups and each group once.
  void BeginRebuild();
  void EndRebuild();
  bool Rebuilding() const { return m_rebuilding; }

  // Dismissed := true, then RemoveFromGroups.
  void DismissAlert(TAlert* alert);
  // DismissAlert for every alert of the group, from the last to the first.
  // Nothing when there is no such group.
  void DismissGroup(std::string_view name);
  // Viewed := true for every alert of every group.
  void MarkAllViewed();

 protected:
  ~TGroups() override;

 private:
  TGroup* ForceGroup(const std::string& name);
  void Finish() const;
  static std::string KeyOf(std::string_view name);

  TAdvRef<TAlert> m_current;
  // Lower-cased group name -> group (owned by the list).
  std::unordered_map<std::string, TGroup*> m_byName;
  bool m_rebuilding = false;
};

// The sink the activity model's purge and renaming report to: it rebuilds
// the groups and dismisses purged alerts. The rebuild ends (the groups are
// sorted) when the sink is destroyed or Finish is called.
class TAlertGroupSink : public TActivityAlertSink {
 public:
  explicit TAlertGroupSink(TGroups& groups) : m_groups(groups) {}
  ~TAlertGroupSink() override { Finish(); }
  TAlertGroupSink(const TAlertGroupSink&) = delete;
  TAlertGroupSink& operator=(const TAlertGroupSink&) = delete;

  void ClearGroups() override { m_groups.BeginRebuild(); }
  double AlertedOf(const TAdvNamed& alert) const override;
  void Dismiss(TAdvNamed& alert) override;
  void AddToGroups(TAdvNamed& alert) override;
  void SetUserOf(TAdvNamed& alert, const std::string& userName) override;
  void Finish() { m_groups.EndRebuild(); }

 private:
  TGroups& m_groups;
};

// Registers the alert and trigger classes with the class factory and
// installs TAlerts as the activity model's alert list class. Call at
// start-up, after RegisterCoreClasses and before users are made or read.
void RegisterAlertClasses();
