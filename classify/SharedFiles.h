// TSharedFiles keeps the profiles and the four alias tables of the programs
// of one product family (run by one user) identical, when the "SyncData"
// setting is on. A program that changes a table writes all tables of its
// kind to the shared folder and notifies the others (message 1025 for the
// alias tables, 1026 for the profiles), which read them back.
//
// The shared folder is the user's roaming configuration folder followed by
// "Varnex/Shared Files/" (the private temporary folder when there is none);
// it is created at construction whatever the setting says. Shared files are
// written atomically (a temporary file renamed over the old one) and read
// into a scratch table that replaces the live one only when the whole file
// was read, so a reader never sees half a file.
//
// No echo: every guarded operation raises the suspend count for its
// duration, and a table reloaded from a shared file notifies its change
// into an operation that finds itself suspended and does nothing. The
// sender does not receive its own notification.
//
// Notifications travel as datagrams between the programs' hidden windows
// (AdvWindows.h); they are handled when the owner dispatches its window's
// messages, on its main thread.
//
// Thread safety: main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "classify/AdvWindows.h"
#include "core/AdvStringMatches.h"

class TAliases;
class THosts;
class TProfiles;

inline constexpr uint32_t kAliasesChangedMessage = kUserMessage + 1;   // 1025
inline constexpr uint32_t kProfilesChangedMessage = kUserMessage + 2;  // 1026

// The tables a program shares, for ConnectTables. Hosts (optional) is
// rebuilt after the alias tables were reloaded, so that the engine renames
// hits with the new names at once; Refresh (optional) runs after every
// reload (the configuration window refreshes its view).
struct TSharedTables {
  TAliases* Users = nullptr;
  TAliases* Sites = nullptr;
  TAliases* FileTypes = nullptr;
  TAliases* Departments = nullptr;
  TProfiles* Profiles = nullptr;
  THosts* Hosts = nullptr;
  std::function<void()> Refresh;
};

class TSharedFiles : public TAdvWindow {
  ADV_CLASS(TSharedFiles)

  static constexpr std::string_view kWindowClass = "Varnex Shared Data Window";

  // The default shared folder: see the file comment. Ends with "/".
  static std::string DefaultFolder();

  // Creates `folder` (the default when empty) with every missing parent.
  explicit TSharedFiles(std::string folder = {});

  // The shared folder, ending with "/".
  const std::string& Folder() const { return m_folder; }
  // The shared file of "Users", "Sites", "Files", "Departments" or
  // "Profiles" (ASCII case ignored); raises for another key.
  std::string FileOf(std::string_view key) const;

  // On adds 1 to the suspend count, off takes 1 away (never below 0).
  void Suspend(bool on);
  bool IsSuspended() const { return m_suspended > 0; }
  int32_t SuspendCount() const { return m_suspended; }

  // The program's answers; each may be left unset.
  std::function<bool()> SyncEnabled;
  std::function<void()> SaveSharedAliases;
  std::function<void()> SaveSharedProfiles;
  std::function<void()> LoadSharedAliases;
  std::function<void()> LoadSharedProfiles;

  // Each does nothing while suspended or with sync off; otherwise it runs
  // suspended (restored also when it raises). Errors of the save callbacks
  // pass on to the caller.
  // Saves the alias tables and notifies the others (1025).
  void AliasesChanged();
  // Saves the profiles and notifies the others (1026).
  void ProfilesChanged();
  // Reloads the alias tables; run when 1025 arrives and once at start-up.
  void AliasesArrived();
  // Reloads the profiles; run when 1026 arrives and once at start-up.
  void ProfilesArrived();
  // Sends `number` to every other window of the family; the number reached.
  int Broadcast(uint32_t number);

  // 1025 runs AliasesArrived, 1026 ProfilesArrived.
  void HandleMessage(TAdvMessage& message) override;

  // Sets the four callbacks to write and read `tables` in the shared files
  // (users, sites, file types, departments in that order; an alias reload
  // is skipped while any of the four has Editing set, each table is loaded
  // only when its file exists, and the first error ends the reload quietly;
  // a profile reload is skipped while Editing and ignores any error), and
  // makes every table's change notify this object. The tables are retained
  // until this object goes, which disconnects them.
  void ConnectTables(const TSharedTables& tables);
  // Undoes ConnectTables: the tables' change handlers are cleared.
  void DisconnectTables();

 protected:
  void BeforeDestruction() override;
  ~TSharedFiles() override = default;

 private:
  // The common guard of the four operations.
  template <class F>
  void Guarded(F&& body);
  void LoadAliasTables();
  void LoadProfileTable();

  std::string m_folder;
  TAdvRef<TAdvStringMatch> m_files;
  int32_t m_suspended = 0;
  TSharedTables m_tables;
  bool m_connected = false;
};
