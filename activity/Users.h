// The running picture of who uses the internet: one TUser per user name seen
// in the hits, with totals, the time and target of its latest hit, its
// sessions and the alerts raised against it as a whole; TUsers is the
// engine's table of them.
//
// The engine's per-hit step is
//   user = users.FindForHit(hit); user->Sessions().SetGap(threshold);
//   session = user->Sessions().AddHit(hit);
// one hash probe for the user, a binary search over its sessions and a
// short walk (or one probe) of the session's site table, none of which
// allocates once the user, the session and the site exist.
//
// On every display refresh Purge drops what left the retention window and
// files the remaining users into the active and idle reports. The table is
// kept across runs in the state file "Default.Users" (tagged binary):
// LoadUsersFile reads it into a scratch table and takes the users over only
// when the whole file loaded; a damaged file is kept aside as ".bad".
//
// Thread safety: none; the engine, the refresh and the views share the main
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "activity/ActivityAlerts.h"
#include "activity/Sessions.h"
#include "activity/Summaries.h"

class TUserReport;

// Whole seconds on the hit time scale of a local date-time, rounded half to
// even; 0 for a value that is no finite number.
int64_t DateTimeSeconds(double dateTime);

class TUser : public TSummary {
  ADV_CLASS(TUser)

  TUser();

  uint32_t IP() const { return m_ip; }
  int32_t Hits() const { return m_hits; }
  int64_t Size() const { return m_size; }
  const std::string& Destination() const { return m_destination; }
  uint8_t Protocol() const { return m_protocol; }
  double Accessed() const { return m_accessed; }
  TSessions& Sessions() const { return *m_sessions; }
  // In order of creation; references shared with the alert groups. Made
  // on first use: read-only walks ask HasAlerts first.
  TAdvNamedList& Alerts() const;
  bool HasAlerts() const { return m_alerts && m_alerts->Count() > 0; }

  // Sessions and alerts emptied, Destination empty, Protocol Unknown, the
  // numbers zero.
  void ClearActivity() override;
  // Counts the hit; unless Accessed is later than the hit (an equal time
  // still counts as the latest) the hit's Destination, Protocol, time and
  // (when it carries one) address become the user's latest.
  void AddHit(const THit& hit) override;
  // The hit's Source.
  std::string_view KeyOfHit(const THit& hit) const override;
  // Takes in another user: its sessions (MergeSessions), its alerts not
  // already held, its totals, and its latest hit unless this user's is later.
  void MergeFrom(const TSummary& other) override;
  // Hits and Size recomputed from the sessions.
  virtual void Recount();

  // The last session ended no more than Gap seconds before `now` (a local
  // date-time). A clock set back before the last hit still reads active.
  bool IsActive(double now) const;
  // The Destination when active, otherwise "Idle".
  std::string StatusText(double now) const;
  // The session with the greatest Finish (sessions never overlap: the last
  // one); null when there is none.
  TSession* LatestSession() const;
  int64_t TotalElapsed() const { return m_sessions->TotalElapsed(); }

  void Assign(const TAdvObject& source) override;
  // "Name", "IP", "Hits", "Size", "Destination", "Protocol", "Sessions",
  // "Alerts", "Accessed".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TUser() override = default;

 private:
  uint32_t m_ip = 0;
  int32_t m_hits = 0;  // stops at INT32_MAX rather than wrapping
  int64_t m_size = 0;
  std::string m_destination;
  uint8_t m_protocol;
  TAdvRef<TSessions> m_sessions;    // never null
  mutable TAdvRef<TAdvNamedList> m_alerts;  // null until Alerts() is first asked for
  double m_accessed = 0;
};

// What a refresh purges by and how it files the users.
struct TActivityPurge {
  // Sessions ending at or before this second (PurgeCutoffSeconds of the
  // settings) are dropped; a user whose latest session is among them goes.
  int64_t CutoffSeconds = 0;
  // The session threshold ("Threshold"), used to tell active from idle.
  int64_t Gap = TSessions::kDefaultGap;
  // The current local date-time.
  double Now = 0;
  // Order both reports by latest activity instead of by name ("SortRecent").
  bool SortRecent = true;
  // File the kept users in the reports. Without it (no view shows them)
  // both reports are left empty and nothing is sorted.
  bool FillReports = true;
};

class TUsers : public TSummaries {
  ADV_CLASS(TUsers)

  TUsers() = default;

  TAdvClass EntryClass() const override { return &TUser::ClassInfo; }

  TUser* FindForHit(const THit& hit) override {
    return static_cast<TUser*>(TSummaries::FindForHit(hit));
  }
  TUser* FindUser(std::string_view name) const { return static_cast<TUser*>(FindByName(name)); }

  // Gives the user `oldName` the name `newName` (a user alias set while
  // monitoring runs). When another user already has the new name, the old
  // user is merged into it and removed. Every alert of the resulting user
  // and of its sessions is then told its new user through `alerts` (when
  // given). Returns the resulting user, or null when there is no `oldName`.
  TUser* RenameUser(std::string_view oldName, std::string_view newName, TActivityAlertSink* alerts);

  // The refresh step: empties the alert groups (through `alerts`) and both
  // reports; drops every user whose latest session ended at or before the
  // cutoff, and, of the others, the sessions ending by then and the user's
  // own alerts raised by then (dismissed); puts the kept alerts back into
  // their groups; then files each kept user, with its purged totals, as
  // active or idle, and sorts both reports. A user without any session (only
  // a damaged file makes one) is dropped as well. Without a sink the alerts
  // stay as they are and no group is touched.
  void Purge(const TActivityPurge& purge, TUserReport& active, TUserReport& idle,
             TActivityAlertSink* alerts);

  // Moves every user of `other` into this table, which is emptied first;
  // `other` ends empty. Nothing is copied.
  void TakeUsersFrom(TUsers& other);

  // A table of kParallelSaveFrom users or more, written in the tagged binary
  // form, is written by two threads: the users are cut into runs of
  // kSaveRun, a helper thread writes every other run into memory (at most
  // two runs ahead) while the calling thread writes the others and then the
  // helper's in their turn. The bytes are those of the one-thread walk.
  static constexpr int kParallelSaveFrom = 8192;
  static constexpr size_t kSaveRun = 512;
  void Save(TAdvFiler& filer) override;

 protected:
  ~TUsers() override = default;
};

// The state file's name in the state folder.
constexpr const char* kUsersFileName = "Default.Users";

// Reads a users file into a scratch table and, when the whole file loaded,
// moves its users into `users` (replacing what it held). A missing file
// changes nothing and is no error. A damaged file changes nothing, is kept
// aside as "<file>.bad", and its error text is returned; empty means success.
std::string LoadUsersFile(TUsers& users, const std::string& fileName);
// Writes the table atomically (tagged binary): a reader never sees half a file.
void SaveUsersFile(TUsers& users, const std::string& fileName);
