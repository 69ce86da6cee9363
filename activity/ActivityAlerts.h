// How the activity model holds the alerts raised against users and sessions
// without depending on the alert unit.
//
// Every user and every session has one alert list, made on first use (most
// never raise an alert; a busy proxy has hundreds of thousands of sessions). The list is a
// TAdvNamedList of the class that ActivityAlertListClass names: the plain
// TAdvNamedList until the alert unit installs its own list class (TAlerts)
// at start-up, before any user is made or any state file is read. A user's
// list keeps alerts in order of creation; a session's list is kept sorted by
// name. Lists hold references: the same alert object may sit in a session's
// list, in an alert group and in the alert queue at once.
//
// What the activity model cannot tell about an alert by itself (when it was
// raised, how to dismiss it, which group shows it, whose it is) it asks the
// TActivityAlertSink the engine passes to the purge and to renaming.
//
// Thread safety: the class record is set once at start-up on the main thread
// and read-only afterwards; a sink is used on the main thread only.
#pragma once

#include <string>
#include <string_view>

#include "core/AdvLists.h"

class TActivityAlertSink {
 public:
  virtual ~TActivityAlertSink() = default;

  // Empties every alert group before they are rebuilt.
  virtual void ClearGroups() = 0;
  // The date-time of the latest hit that raised or updated the alert.
  virtual double AlertedOf(const TAdvNamed& alert) const = 0;
  // Marks the alert dismissed (it is being purged).
  virtual void Dismiss(TAdvNamed& alert) = 0;
  // Puts a kept alert into the group of its name (dismissed ones stay out).
  virtual void AddToGroups(TAdvNamed& alert) = 0;
  // Records the name of the user the alert now belongs to.
  virtual void SetUserOf(TAdvNamed& alert, const std::string& userName) = 0;
};

// The class of the alert lists made from now on; TAdvNamedList by default.
TAdvClass ActivityAlertListClass();
// Installs the alert unit's list class (a TAdvNamedList descendant); null
// restores the default. Raises EAdvanced for a class of another kind.
void SetActivityAlertListClass(TAdvClass listClass);
// A new, empty alert list of the installed class; `sorted` keeps it in name
// order (a session's list).
TAdvRef<TAdvNamedList> NewActivityAlertList(bool sorted);
// The list held in `list`, made (empty, of the installed class) when null.
TAdvNamedList& ForceActivityAlerts(TAdvRef<TAdvNamedList>& list, bool sorted);
// Files an alert list that may not be made yet as a field: a null list is
// written as an empty one, so files look as they always did, and an empty
// list read is dropped again.
void DefineActivityAlerts(TAdvFiler& filer, std::string_view field, TAdvRef<TAdvNamedList>& list,
                          bool sorted);
// Adds to `target` a reference to every alert of `source` that `target` does
// not hold already (the same object), keeping a sorted target in order.
void MergeActivityAlerts(TAdvNamedList& target, const TAdvNamedList& source);
