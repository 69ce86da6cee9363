// Triggers: the rules that watch the hits and raise alerts.
//
// Kinds (TypeName): a single-hit trigger (THitTrigger, "Single") tests each
// hit on its own; a session trigger (TSessionTrigger, "Session") the length
// of the user's current session and a cumulative one (TSessionTrigger with
// Overall, "Cumulative") the user's total time; a time-range trigger
// (TTimeRangeTrigger, TimeTriggers.h, "Time range") counts a user's matching
// hits within a sliding or fixed window. TTriggers is the user's ordered
// list, kept in the XML file "Default.Triggers".
//
// The engine evaluates the triggers for every counted hit, after the hit was
// folded into its user and session, in three passes (Low, Medium, High):
// TTriggers::EvaluateTriggers. What the evaluation needs of the engine (the
// hit store, the alert queue, the groups, the raise call, the retention
// boundary and the clock) travels in a TTriggerContext that the engine fills
// once per hit (BeginHit) and keeps for the cycle.
//
// Thread safety: none; triggers are edited and evaluated on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "alerts/Alerts.h"
#include "alerts/NameIndexes.h"
#include "core/AdvLists.h"
#include "core/AdvStrings.h"

class TAdvList;
class TCategoryFilter;
class TDepartmentFilter;
class TGroups;
class THitIndicies;
class TProfileFilter;
class TSession;
class TSettings;
class TUser;
class TVexaHit;

ADV_EXCEPTION(ETrigger, EAdvanced)

// The unit trigger sizes are shown in: "B", "KB", "MB", "GB".
constexpr uint8_t kMetricBytes = 0;
constexpr uint8_t kMetricKilobytes = 1;
constexpr uint8_t kMetricMegabytes = 2;
constexpr uint8_t kMetricGigabytes = 3;
constexpr uint8_t kMetricCount = 4;
std::string_view MetricName(uint8_t metric);
int64_t MetricDivisor(uint8_t metric);

// NewHitAction of hit triggers.
constexpr uint8_t kNewAlertForEachHit = 0;  // "Trigger new alert for each hit"
constexpr uint8_t kAddHitsToAlert = 1;      // "Add new hits to existing alert"
std::string_view NewHitActionName(uint8_t action);

// What the evaluation needs of the engine. The engine fills the fields that
// last the cycle once, and calls BeginHit before evaluating a hit.
struct TTriggerContext {
  // Where matching hits are stored; the hit is stored at most once, by the
  // first trigger that needs its number. Null: no store, no hit numbers.
  THitIndicies* HitStore = nullptr;
  // The engine's alert queue (TAlertQueue or any TAdvList used as one).
  TAdvList* Queue = nullptr;
  // When set, alerts that are made or brought back (undismissed) are put
  // into their group at once, without waiting for the next refresh.
  TGroups* Groups = nullptr;
  // The engine's RaiseAlert: sets its alert-raised flag and plays the
  // priority's sound. May be empty.
  std::function<void(TAlert&)> RaiseAlert;
  // The retention boundary in seconds (PurgeCutoffSeconds): alerts of
  // sessions starting before it are made but not raised.
  int64_t CutoffSeconds = 0;
  // The same as a date-time (PurgeCutoff): windows of time-range triggers
  // whose newest hit is older are dropped.
  double Cutoff = 0;
  // The current local date-time; 0 reads the program's clock.
  double Now = 0;
  // Units for descriptions (durations); null uses the H:M:S clock form.
  const TSettings* Settings = nullptr;

  // Forgets the previous hit's number; call before evaluating a new hit.
  void BeginHit() { m_hitNumber = -1; }
  // The hit's number in the store, storing it on first use; -1 without a store.
  int32_t HitNumber(TVexaHit& hit);
  // The current time (Now, or the clock when Now is 0).
  double CurrentTime() const;

 private:
  int32_t m_hitNumber = -1;
};

// The port condition of hit triggers: each range, when on, must hold the
// hit's port (bounds inclusive).
class TTriggerPorts : public TAdvPersistent {
  ADV_CLASS(TTriggerPorts)

  TTriggerPorts() = default;

  bool SourcePort = false;
  int32_t SourcePortStart = 0;
  int32_t SourcePortEnd = 65535;
  bool DestinationPort = false;
  int32_t DestinationPortStart = 0;
  int32_t DestinationPortEnd = 65535;

  // Either range on.
  bool IsActive() const { return SourcePort || DestinationPort; }
  bool Match(const TVexaHit& hit) const;
  // Appends the ports clauses to `text`.
  std::string Describe(std::string text) const;

  void Assign(const TAdvObject& source) override;
  // "SourcePort", "SourcePortStart", "SourcePortEnd", "DestinationPort",
  // "DestinationPortStart", "DestinationPortEnd".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TTriggerPorts() override = default;
};

class TTrigger : public TAdvNamed {
  ADV_CLASS(TTrigger)
  ADV_RAISES(ETrigger)

  // Enabled, Created now, priority Medium, Metric MB, one placeholder
  // recipient, no conditions.
  TTrigger();

  // The recipient a new trigger starts with; the editor replaces it.
  static constexpr const char* kPlaceholderRecipient = "administrator@example.com";

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value) { m_enabled = value; }
  double Created() const { return m_created; }
  void SetCreated(double value) { m_created = value; }
  uint8_t Priority() const { return m_priority; }
  void SetPriority(uint8_t value) { m_priority = value < kPriorityCount ? value : kPriorityHigh; }
  bool Overall() const { return m_overall; }
  void SetOverall(bool value) { m_overall = value; }
  // Bytes; 0 = off. Incoming is the hit's SourceSize, outgoing its
  // DestinationSize, total their sum.
  int64_t IncomingSize() const { return m_incomingSize; }
  void SetIncomingSize(int64_t value) { m_incomingSize = value; }
  int64_t OutgoingSize() const { return m_outgoingSize; }
  void SetOutgoingSize(int64_t value) { m_outgoingSize = value; }
  int64_t TotalSize() const { return m_totalSize; }
  void SetTotalSize(int64_t value) { m_totalSize = value; }
  uint8_t Metric() const { return m_metric; }
  void SetMetric(uint8_t value) { m_metric = value < kMetricCount ? value : kMetricMegabytes; }
  TAdvStrings& Users() const { return *m_users; }
  // The department condition; in force only when both its lists hold names.
  TDepartmentFilter& Filter() const;
  bool Notify() const { return m_notify; }
  void SetNotify(bool value) { m_notify = value; }
  // Recipient lists, joined by ";".
  TAdvStrings& Tos() const { return *m_tos; }
  TAdvStrings& Ccs() const { return *m_ccs; }
  TAdvStrings& Bccs() const { return *m_bccs; }
  const std::string& Subject() const { return m_subject; }
  void SetSubject(std::string value) { m_subject = std::move(value); }

  // Operations in slot order.

  // Whether the trigger applies to the hit, which the engine has already
  // folded into `user` and `session`. Time-range triggers keep state here.
  virtual bool Applies(const TUser& user, const TSession& session, TVexaHit& hit,
                       TTriggerContext& context);
  // The text shown with the alert. Durations follow the settings' unit
  // (the H:M:S clock without settings).
  virtual std::string Describe(const TSettings* settings = nullptr) const;
  // Whether the alert collects hit numbers (hit and time-range triggers).
  virtual bool CountsHits() const { return false; }
  // Drops evaluation state (time-range windows); nothing here.
  virtual void ResetState() {}

  // Hit triggers' settings, fixed in the others: Refire false,
  // NewHitAction "Add new hits to existing alert".
  virtual bool Refire() const { return false; }
  virtual uint8_t NewHitAction() const { return kAddHitsToAlert; }
  // The engine hands the hit trigger's window (time-range triggers) to the
  // alert; false for every other kind.
  virtual bool IsTimeRange() const { return false; }

  // The base conditions: sizes, users, department.
  bool BaseConditions(const TUser& user, const TVexaHit& hit) const;
  // Each size limit that is set is exceeded by the hit.
  bool SizesMatch(const TVexaHit& hit) const;
  // Users is empty or holds the user's name.
  bool UsersMatch(const TUser& user) const;
  // The department filter is not in force (one of its lists is empty) or
  // includes the hit's department.
  bool DepartmentMatches(const TVexaHit& hit) const;

  void Assign(const TAdvObject& source) override;
  // "Name", "Enabled", "Created", "Priority", "Overall", "IncomingSize",
  // "OutgoingSize", "TotalSize", "Metric", "Users", "Filter", then (read
  // only when the file has them) "Notify", "Tos", "Ccs", "Bccs", "Subject".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TTrigger() override;

  // The base clauses (sizes, then "; users: ") before the kind's own.
  void DescribeSizes(std::string& text) const;
  void DescribeUsers(std::string& text) const;
  void DescribeDepartments(std::string& text) const;
  // Drops the leading "; ", capitalises, cuts and ends with ".".
  static std::string FinishDescription(const std::string& text);

 private:
  bool m_enabled = true;
  double m_created = 0;
  uint8_t m_priority = kPriorityMedium;
  bool m_overall = false;
  int64_t m_incomingSize = 0;
  int64_t m_outgoingSize = 0;
  int64_t m_totalSize = 0;
  uint8_t m_metric = kMetricMegabytes;
  TAdvRef<TAdvStrings> m_users;  // the owned parts are never null
  TAdvRef<TDepartmentFilter> m_filter;
  bool m_notify = false;
  TAdvRef<TAdvStrings> m_tos;
  TAdvRef<TAdvStrings> m_ccs;
  TAdvRef<TAdvStrings> m_bccs;
  std::string m_subject;
};

class THitTrigger : public TTrigger {
  ADV_CLASS(THitTrigger)

  // No conditions, Threshold 1, Refire on, NewHitAction "Add new hits to
  // existing alert", the profile filter off.
  THitTrigger();

  // Destination must be one of them (when not empty).
  TAdvStrings& Sites() const { return *m_sites; }
  // The hit's file-type alias must be one of them.
  TAdvStrings& Files() const { return *m_files; }
  // In force only when its Enabled flag is set.
  TProfileFilter& Profiles() const;
  // Display names of protocols ("Web" ...).
  TAdvStrings& Protocols() const { return *m_protocols; }
  // Shown in the description when not 1; takes no part in the evaluation.
  int32_t Threshold() const { return m_threshold; }
  void SetThreshold(int32_t value) { m_threshold = value; }
  // One must occur (as a substring, ASCII case ignored) in the hit's
  // keyword text.
  TAdvStrings& Keywords() const { return *m_keywords; }
  TTriggerPorts& Ports() const { return *m_ports; }
  // Status names ("Successful", "Failed", "Blocked", "Cached"): when not
  // empty, the hit's status must be one of them.
  TAdvStrings& Statuses() const { return *m_statuses; }
  bool Refire() const override { return m_refire; }
  virtual void SetRefire(bool value) { m_refire = value; }
  uint8_t NewHitAction() const override { return m_newHitAction; }
  virtual void SetNewHitAction(uint8_t value) { m_newHitAction = value ? kAddHitsToAlert : 0; }

  bool Applies(const TUser& user, const TSession& session, TVexaHit& hit,
               TTriggerContext& context) override;
  std::string Describe(const TSettings* settings = nullptr) const override;
  bool CountsHits() const override { return true; }

  // Conditions 2 to 7 of a hit trigger (sites, files, keywords, ports,
  // profiles, protocols) and the statuses, without the base conditions.
  bool HitConditions(const TVexaHit& hit) const;
  // The text keywords are looked for in, in lower case: URL and query for
  // web, secure web and gopher; source, destination and subject joined by
  // "|" for mail; the destination otherwise.
  static std::string KeywordText(const TVexaHit& hit);

  void Assign(const TAdvObject& source) override;
  // After the trigger's: "Sites", "Files", "Profiles", "Protocols",
  // "Threshold", then "Keywords" and "Ports" (each read only when the file
  // has it), then "Refire" and "NewHitAction" (likewise), then "Statuses"
  // (likewise).
  void Define(TAdvFiler& filer) override;

 protected:
  ~THitTrigger() override;

  // The hit trigger's text before it is finished (no capital, no ".").
  std::string DescribeRaw(const TSettings* settings) const;

 private:
  TAdvRef<TAdvStrings> m_sites;  // the owned parts are never null
  TAdvRef<TAdvStrings> m_files;
  TAdvRef<TProfileFilter> m_profiles;
  TAdvRef<TAdvStrings> m_protocols;
  int32_t m_threshold = 1;
  TAdvRef<TAdvStrings> m_keywords;
  TAdvRef<TTriggerPorts> m_ports;
  bool m_refire = true;
  uint8_t m_newHitAction = kAddHitsToAlert;
  TAdvRef<TAdvStrings> m_statuses;
};

class TSessionTrigger : public TTrigger {
  ADV_CLASS(TSessionTrigger)

  TSessionTrigger() = default;

  // Seconds; 0 = always met.
  int64_t Time() const { return m_time; }
  void SetTime(int64_t value) { m_time = value; }

  // The base conditions, and the session's length (the user's total
  // elapsed time with Overall) at least Time.
  bool Applies(const TUser& user, const TSession& session, TVexaHit& hit,
               TTriggerContext& context) override;
  std::string Describe(const TSettings* settings = nullptr) const override;

  void Assign(const TAdvObject& source) override;
  // After the trigger's: "Time".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TSessionTrigger() override = default;

 private:
  int64_t m_time = 0;
};

// "Time range", "Single", "Cumulative", "Session", or "Unknown".
std::string_view TypeName(const TTrigger* trigger);

// Orders of the triggers view; each breaks ties by name.
enum class TTriggerOrder : uint8_t { Priority, Enabled, TypeName, NameDescription, Description };
// <0, 0, >0 as a orders before, with, after b.
int CompareTriggers(const TTrigger& a, const TTrigger& b, TTriggerOrder order);

class TTriggers : public TAdvNamedList {
  ADV_CLASS(TTriggers)
  ADV_RAISES(ETrigger)

  TTriggers() = default;

  TTrigger* Trigger(int index) const { return ItemAs<TTrigger>(index); }
  TAdvClass ItemClass() const override { return &TTrigger::ClassInfo; }
  // The first trigger of this name (ASCII case ignored), by index look-up.
  int IndexByName(std::string_view name) const override;
  TTrigger* FindTrigger(std::string_view name) const;
  int EnabledCount() const;

  // Runs every enabled trigger of `priority`, in list order, against the
  // hit that the engine has folded into `user` and `session`: finds or
  // makes the alerts, queues and raises them (see Triggers.cpp).
  void EvaluateTriggers(uint8_t priority, TUser& user, TSession& session, TVexaHit& hit,
                        TTriggerContext& context);
  // The three passes, Low, then Medium, then High (BeginHit included).
  void EvaluateAll(TUser& user, TSession& session, TVexaHit& hit, TTriggerContext& context);
  // ResetState of every trigger: the time-range windows are emptied.
  void Reset();
  void ClearWindows() { Reset(); }
  // Drops window entries whose hit number is not below `hitCount` (hits the
  // store no longer holds, after it started afresh).
  void DropHitsPast(int32_t hitCount);

  void Clear() override;
  void OpenSlot(int index) override;

  // Kept as XML.
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;

 protected:
  ~TTriggers() override = default;

  void DisposeEntry(int index) override;
  void MoveEntries(int from, int to, int count) override;
  void ExchangeEntries(int a, int b) override;

 private:
  void Evaluate(TTrigger& trigger, TUser& user, TSession& session, TVexaHit& hit,
                TTriggerContext& context);

  mutable TNameIndex m_index;
};

// The same as TTriggers::EvaluateTriggers, for callers that hold the list.
void EvaluateTriggers(TTriggers& triggers, uint8_t priority, TUser& user, TSession& session,
                      TVexaHit& hit, TTriggerContext& context);

// The triggers file in the triggers folder.
constexpr const char* kTriggersFileName = "Default.Triggers";

// Reads a triggers file into a scratch list and, when the whole file loaded,
// takes its triggers (replacing the list's). A missing file changes nothing
// and is no error; a damaged one changes nothing, is kept aside as
// "<file>.bad", and its error text is returned. Empty means success.
std::string LoadTriggersFile(TTriggers& triggers, const std::string& fileName);
// Writes the list atomically as XML.
void SaveTriggersFile(TTriggers& triggers, const std::string& fileName);
