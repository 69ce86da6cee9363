#include "classify/SharedFiles.h"

#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "core/AdvAscii.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

ADV_CLASS_IMPL(TSharedFiles, TAdvWindow)

namespace {

bool FileExists(const std::string& path) {
  platform::TFileStatus status;
  return platform::QueryFile(path, status) && !status.IsFolder;
}

}  // namespace

std::string TSharedFiles::DefaultFolder() {
  std::string base = platform::ConfigFolder();
  if (base.empty()) base = platform::PrivateTempFolder();
  return base + "/Varnex/Shared Files/";
}

TSharedFiles::TSharedFiles(std::string folder)
    : m_folder(folder.empty() ? DefaultFolder() : std::move(folder)),
      m_files(AdvNew<TAdvStringMatch>()) {
  if (m_folder.back() != '/') m_folder += '/';
  SetWindowClassName(std::string(kWindowClass));
  // A folder that cannot be made shows up as the first write's error.
  platform::ForceFolders(m_folder.substr(0, m_folder.size() - 1));
  m_files->Add("Users", m_folder + "Shared.Usernames");
  m_files->Add("Sites", m_folder + "Shared.Sitenames");
  m_files->Add("Files", m_folder + "Shared.Filetypes");
  m_files->Add("Departments", m_folder + "Shared.Departments");
  m_files->Add("Profiles", m_folder + "Shared.Profiles");
}

std::string TSharedFiles::FileOf(std::string_view key) const {
  const int index = m_files->IndexByKey(key);
  if (index < 0) Error("FileOf", "No shared file for '" + std::string(key) + "'");
  return m_files->GetValue(index);
}

void TSharedFiles::Suspend(bool on) {
  if (on)
    ++m_suspended;
  else if (m_suspended > 0)
    --m_suspended;
}

template <class F>
void TSharedFiles::Guarded(F&& body) {
  if (IsSuspended() || !SyncEnabled || !SyncEnabled()) return;
  Suspend(true);
  try {
    body();
  } catch (...) {
    Suspend(false);
    throw;
  }
  Suspend(false);
}

void TSharedFiles::AliasesChanged() {
  Guarded([&] {
    if (SaveSharedAliases) SaveSharedAliases();
    Broadcast(kAliasesChangedMessage);
  });
}

void TSharedFiles::ProfilesChanged() {
  Guarded([&] {
    if (SaveSharedProfiles) SaveSharedProfiles();
    Broadcast(kProfilesChangedMessage);
  });
}

void TSharedFiles::AliasesArrived() {
  Guarded([&] {
    if (LoadSharedAliases) LoadSharedAliases();
  });
}

void TSharedFiles::ProfilesArrived() {
  Guarded([&] {
    if (LoadSharedProfiles) LoadSharedProfiles();
  });
}

int TSharedFiles::Broadcast(uint32_t number) {
  return BroadcastToClass(number);
}

void TSharedFiles::HandleMessage(TAdvMessage& message) {
  if (message.Number == kAliasesChangedMessage)
    AliasesArrived();
  else if (message.Number == kProfilesChangedMessage)
    ProfilesArrived();
}

// ---------------------------------------------------------------------------
// The standard callbacks

void TSharedFiles::ConnectTables(const TSharedTables& tables) {
  DisconnectTables();
  m_tables = tables;
  m_connected = true;
  TAliases* aliasTables[] = {m_tables.Users, m_tables.Sites, m_tables.FileTypes,
                             m_tables.Departments, m_tables.Hosts};
  for (TAliases* table : aliasTables)
    if (table) table->Retain();
  if (m_tables.Profiles) m_tables.Profiles->Retain();
  // The tables' handlers point back here without a reference, so that the
  // two do not keep each other alive; DisconnectTables clears them before
  // this object goes.
  for (TAliases* table : {m_tables.Users, m_tables.Sites, m_tables.FileTypes, m_tables.Departments})
    if (table) table->SetChangeHandler([this] { AliasesChanged(); });
  if (m_tables.Profiles) m_tables.Profiles->SetChangeHandler([this] { ProfilesChanged(); });

  SaveSharedAliases = [this] {
    if (m_tables.Users) m_tables.Users->SaveToFile(FileOf("Users"));
    if (m_tables.Sites) m_tables.Sites->SaveToFile(FileOf("Sites"));
    if (m_tables.FileTypes) m_tables.FileTypes->SaveToFile(FileOf("Files"));
    if (m_tables.Departments) m_tables.Departments->SaveToFile(FileOf("Departments"));
  };
  SaveSharedProfiles = [this] {
    if (m_tables.Profiles) m_tables.Profiles->SaveToFile(FileOf("Profiles"));
  };
  LoadSharedAliases = [this] { LoadAliasTables(); };
  LoadSharedProfiles = [this] { LoadProfileTable(); };
}

void TSharedFiles::DisconnectTables() {
  if (!m_connected) return;
  m_connected = false;
  SaveSharedAliases = nullptr;
  SaveSharedProfiles = nullptr;
  LoadSharedAliases = nullptr;
  LoadSharedProfiles = nullptr;
  TAliases* aliasTables[] = {m_tables.Users, m_tables.Sites, m_tables.FileTypes,
                             m_tables.Departments, m_tables.Hosts};
  for (TAliases* table : aliasTables)
    if (table) {
      if (table != m_tables.Hosts) table->SetChangeHandler(nullptr);
      table->Release();
    }
  if (m_tables.Profiles) {
    m_tables.Profiles->SetChangeHandler(nullptr);
    m_tables.Profiles->Release();
  }
  m_tables = TSharedTables();
}

void TSharedFiles::BeforeDestruction() {
  DisconnectTables();
  TAdvWindow::BeforeDestruction();
}

void TSharedFiles::LoadAliasTables() {
  const std::pair<TAliases*, const char*> order[] = {{m_tables.Users, "Users"},
                                                     {m_tables.Sites, "Sites"},
                                                     {m_tables.FileTypes, "Files"},
                                                     {m_tables.Departments, "Departments"}};
  for (const auto& [table, key] : order)
    if (table && table->Editing()) return;
  try {
    for (const auto& [table, key] : order) {
      if (!table) continue;
      const std::string file = FileOf(key);
      if (FileExists(file)) table->LoadFromFile(file);
    }
  } catch (const EAdvanced&) {
    // A shared file that cannot be read ends the reload; the tables read
    // before it keep the shared content, the rest what they had.
  }
  if (m_tables.Hosts) m_tables.Hosts->Reindex();
  if (m_tables.Refresh) m_tables.Refresh();
}

void TSharedFiles::LoadProfileTable() {
  if (!m_tables.Profiles || m_tables.Profiles->Editing()) return;
  try {
    m_tables.Profiles->LoadFromFile(FileOf("Profiles"));
  } catch (const EAdvanced&) {
    // Missing or unreadable: the profiles stay as they were.
  }
  if (m_tables.Refresh) m_tables.Refresh();
}
