// TVexa's folders and files: the folder tables, the first start of a user,
// the settings file, the state files and the configuration files, and the
// run-at-logon entry.
#include <filesystem>
#include <system_error>
#include <thread>

#include "activity/Users.h"
#include "alerts/Extensions.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "app/StateFiles.h"
#include "app/VexaWindows.h"
#include "app/Vexas.h"
#include "classify/Aliases.h"
#include "classify/Profiles.h"
#include "classify/SharedFiles.h"
#include "core/AdvDates.h"
#include "core/AdvFiles.h"
#include "core/AdvPaths.h"
#include "core/AdvShell.h"
#include "core/AdvXMLFilers.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/LoaderStates.h"
#include "monitor/MonitorFolders.h"
#include "platform/Folders.h"
#include "platform/SystemInfo.h"

namespace {

// "Varnex/Vexa 2.2/" under a per-user folder.
std::string ProductFolder(const std::string& base) {
  return IncludeTrailingDelimiter(base) + TVarnex::kMakerName + "/" + TVexa::kTitle + "/";
}

// Loads a configuration file into a scratch object of the live object's
// class and copies it over only when the whole file was read; a damaged
// file is kept aside as .bad. Empty on success or for a missing file.
std::string LoadKeepingBad(TAdvPersistent& live, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TAdvPersistent> scratch(AdvCast<TAdvPersistent>(live.ClassType()->Create()));
  try {
    scratch->LoadFromFile(fileName);
  } catch (const EAdvanced& e) {
    const std::string kept = AdvKeepFileAsBad(fileName);
    return kept.empty() ? e.Message() : e.Message() + " (kept as " + kept + ")";
  }
  live.Assign(*scratch);
  return {};
}

// Runs a save; a failure is ignored (the next save tries again) but kept
// for the caller's report.
template <class F>
void TrySave(std::vector<std::string>* problems, F&& save) {
  try {
    save();
  } catch (const std::exception& error) {
    if (problems) problems->push_back(TAdvApplication::ErrorText(error));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Folders

void TVexa::FillFolderTables() {
  const std::string app = ApplicationFolder();
  const std::string config = platform::ConfigFolder();
  const std::string state = platform::StateFolder();
  const std::string documents = platform::DocumentsFolder();
  const std::string temp = platform::PrivateTempFolder();
  TPaths& user = Paths();
  TPaths& data = DataPaths();
  if (!config.empty() && !state.empty() && !documents.empty()) {
    const std::string userDocuments = ProductFolder(documents);
    const std::string roaming = ProductFolder(config);
    user.SetPath("Triggers", userDocuments + "Triggers/");
    user.SetPath("Profiles", userDocuments + "Profiles/");
    user.SetPath("Aliases", userDocuments + "Aliases/");
    user.SetPath("Loaders", LoaderFolder());
    user.SetPath("Sounds", app + "Sounds/");
    for (const char* name :
         {"Default Triggers", "Default Profiles", "Default Aliases", "Default Loader"})
      data.SetPath(name, roaming);
    data.SetPath("State", ProductFolder(state) + "State/");
    data.SetPath("Temp", temp.empty() ? roaming + "Temp/" : temp);
    data.SetPath("Common Program Files", m_commonDataFolder);
    data.SetPath("Help", app + "Help/");
    m_settingsFolder = roaming;
    if (!FolderExists(ExcludeTrailingDelimiter(roaming))) CopyMachineDefaults();
  } else {
    // No per-user folders: everything beside the program.
    for (const char* name : {"Triggers", "Profiles", "Aliases", "Loaders", "Sounds"})
      user.SetPath(name, app + name + "/");
    data.SetPath("Default Triggers", app + "Triggers/");
    data.SetPath("Default Profiles", app + "Profiles/");
    data.SetPath("Default Aliases", app + "Aliases/");
    data.SetPath("Default Loader", app + "Loaders/");
    data.SetPath("State", app + "State/");
    data.SetPath("Temp", app + "Temp/");
    data.SetPath("Help", app + "Help/");
    data.SetPath("Common Program Files", SystemFolder());
    m_settingsFolder = app;
  }
}

// The first start of a user: the per-machine defaults and samples become
// the user's own copies. The data folder holds them either in the
// "Defaults/<kind>/" sub-folders or, as the build ships them, as
// "Default.<kind>" files at its top.
void TVexa::CopyMachineDefaults() {
  const std::string common = m_commonDataFolder;
  if (common.empty() || !FolderExists(ExcludeTrailingDelimiter(common))) return;
  const struct {
    const char* Sub;
    const char* Target;
  } kFolders[] = {{"Triggers", "Default Triggers"},
                  {"Profiles", "Default Profiles"},
                  {"Aliases", "Default Aliases"},
                  {"Loaders", "Default Loader"},
                  {"State", "State"}};
  for (const auto& folder : kFolders) {
    const std::string source = common + "Defaults/" + folder.Sub;
    if (FolderExists(source)) CopyFolder(source, DataPaths().Path(folder.Target), "*", false);
  }
  const struct {
    const char* Name;
    const char* Target;
  } kFiles[] = {
      {"Default.Triggers", "Default Triggers"}, {"Default.Profiles", "Default Profiles"},
      {"Default.UserNames", "Default Aliases"}, {"Default.SiteNames", "Default Aliases"},
      {"Default.FileTypes", "Default Aliases"}, {"Default.Departments", "Default Aliases"}};
  const auto copyFile = [&](const std::string& name, const std::string& target) {
    if (!FileExists(common + name) || FileExists(target + name)) return;
    ::ForceFolders(ExcludeTrailingDelimiter(target));
    CopyFolder(common, target, name, false);
  };
  for (const auto& file : kFiles) copyFile(file.Name, DataPaths().Path(file.Target));
  copyFile(kExtensionsFileName, m_settingsFolder);
  const std::string samples = common + "Samples";
  const std::string documents = platform::DocumentsFolder();
  if (FolderExists(samples) && !documents.empty())
    CopyFolder(samples, ProductFolder(documents), "*", false);
}

void TVexa::ForceFolders(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const TPaths& table = DataPaths().ExistsByKey(name) ? DataPaths() : Paths();
    // A folder that cannot be made (the program's own folder may be
    // read-only) only matters to what is later stored there.
    try {
      table.Force(name);
    } catch (const std::exception& error) {
      m_loadProblems.push_back(ErrorText(error));
    }
  }
}

std::string TVexa::SettingsFileName() const {
  return m_settingsFolder + kSettingsFileName;
}

std::string TVexa::StateFile(const std::string& name) const {
  return DataPaths().Path("State") + name;
}

std::string TVexa::ConfigurationFile(const char* folderName, const std::string& name) const {
  return DataPaths().Path(folderName) + name;
}

// ---------------------------------------------------------------------------
// The settings file

void TVexa::LoadSettingsFile() {
  const std::string fileName = SettingsFileName();
  m_firstRun = !FileExists(fileName);
  if (m_firstRun) return;
  // Read into a scratch application object whose folder table starts as
  // this one's, so names the file lacks keep their values; nothing changes
  // here unless the whole file was read.
  TAdvRef<TVexa> scratch = AdvNew<TVexa>();
  scratch->Paths().Assign(Paths());
  const std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvXMLReader::ClassInfo);
  if (!error.empty()) {
    ReportProblem(error);
    return;
  }
  Paths().Assign(scratch->Paths());
  m_settings->Assign(scratch->Settings());
}

void TVexa::LoadExtensionsFile() {
  const std::string error =
      ::LoadExtensionsFile(*m_extensions, m_settingsFolder + kExtensionsFileName);
  if (!error.empty()) ReportProblem(error);
}

void TVexa::SaveSettingsFile() {
  ::ForceFolders(ExcludeTrailingDelimiter(m_settingsFolder));
  SaveToFile(SettingsFileName(), &TAdvXMLWriter::ClassInfo);
}

// ---------------------------------------------------------------------------
// State

void TVexa::SaveState() {
  SaveUsersState(&m_loadProblems);
  SaveOtherState();
}

void TVexa::SaveUsersState(std::vector<std::string>* problems) {
  TrySave(problems, [&] { SaveUsersFile(m_monitor->Users(), StateFile("Default.Users")); });
}

void TVexa::SaveOtherState() {
  TMonitorFolders& inputs = m_monitor->Inputs();
  TrySave(&m_loadProblems, [&] { SaveInputsFile(inputs, StateFile("Default.Inputs")); });
  TrySave(&m_loadProblems, [&] { SaveLoaderStates(inputs, StateFile(kLoaderStateFileName)); });
  TrySave(&m_loadProblems, [&] { m_monitor->SaveIndex(); });
}

void TVexa::RestoreState() {
  for (const std::string& error :
       {LoadUsersFile(m_monitor->Users(), StateFile("Default.Users")),
        LoadInputsFile(m_monitor->Inputs(), StateFile("Default.Inputs"))})
    if (!error.empty()) ReportProblem(error);
  TMonitorFolders& inputs = m_monitor->Inputs();
  for (int i = 0; i < inputs.Count(); ++i) inputs.Input(i)->Rescan();
  LoadLoaderStates(inputs, StateFile(kLoaderStateFileName));
}

// ---------------------------------------------------------------------------
// Configuration files

void TVexa::LoadConfigurationFiles() {
  struct TStep {
    const char* Text;
    TAdvPersistent* Table;
    const char* Folder;
    const char* File;
  };
  const TStep steps[] = {
      {"Loading Triggers...", &m_monitor->Triggers(), "Default Triggers", "Default.Triggers"},
      {"Loading Profiles...", &m_monitor->Profiles(), "Default Profiles", "Default.Profiles"},
      {"Loading User Aliases...", &m_monitor->UserNames(), "Default Aliases", "Default.UserNames"},
      {"Loading Site Aliases...", &m_monitor->SiteNames(), "Default Aliases", "Default.SiteNames"},
      {"Loading Filetype Aliases...", &m_monitor->FileTypes(), "Default Aliases",
       "Default.FileTypes"},
      {"Loading Departments...", &m_monitor->Departments(), "Default Aliases",
       "Default.Departments"},
  };
  // The tables change under the shared-files object's eyes: suspended, it
  // neither writes them out nor reloads them meanwhile.
  if (m_sharedFiles) m_sharedFiles->Suspend(true);
  for (const TStep& step : steps) {
    Say(step.Text);
    const std::string error =
        LoadKeepingBad(*step.Table, ConfigurationFile(step.Folder, step.File));
    if (!error.empty()) ReportProblem(error);
  }
  if (m_sharedFiles) m_sharedFiles->Suspend(false);
}

void TVexa::SaveTriggers() {
  m_monitor->Triggers().SaveToFile(ConfigurationFile("Default Triggers", "Default.Triggers"));
}

void TVexa::SaveConfigurationFiles() {
  TrySave(&m_loadProblems, [&] { SaveTriggers(); });
  const struct {
    TAdvPersistent* Table;
    const char* Folder;
    const char* File;
  } files[] = {
      {&m_monitor->Profiles(), "Default Profiles", "Default.Profiles"},
      {&m_monitor->UserNames(), "Default Aliases", "Default.UserNames"},
      {&m_monitor->SiteNames(), "Default Aliases", "Default.SiteNames"},
      {&m_monitor->FileTypes(), "Default Aliases", "Default.FileTypes"},
      {&m_monitor->Departments(), "Default Aliases", "Default.Departments"},
  };
  for (const auto& file : files)
    TrySave(&m_loadProblems,
            [&] { file.Table->SaveToFile(ConfigurationFile(file.Folder, file.File)); });
}

void TVexa::SaveAll() {
  if (m_windows) m_windows->StorePositions(*m_settings);
  TrySave(&m_loadProblems, [&] { SaveSettingsFile(); });
  TrySave(&m_loadProblems,
          [&] { SaveExtensionsFile(*m_extensions, m_settingsFolder + kExtensionsFileName); });
  ForceFolders({"Triggers", "Profiles", "Aliases", "Loaders", "Sounds", "Default Triggers",
                "Default Profiles", "Default Aliases", "Default Loader", "State", "Temp"});
  // The users file is by far the largest (a busy proxy's day is tens of
  // megabytes): it is written on a thread of its own while this one writes
  // the rest. Both only read what they save, and nothing else runs
  // meanwhile (the caller waits; the inputs' threads touch none of it).
  std::vector<std::string> usersProblems;
  std::thread users;
  try {
    users = std::thread([&] {
      try {
        SaveUsersState(&usersProblems);
      } catch (...) {
        // TrySave reports every error of the EAdvanced family; nothing else
        // may leave the thread.
        usersProblems.push_back("The users file could not be saved.");
      }
    });
  } catch (const std::system_error&) {
    SaveUsersState(&usersProblems);
  }
  SaveOtherState();
  SaveConfigurationFiles();
  if (users.joinable()) users.join();
  m_loadProblems.insert(m_loadProblems.end(), usersProblems.begin(), usersProblems.end());
  if (m_sharedFiles) {
    TrySave(&m_loadProblems, [&] {
      m_sharedFiles->AliasesChanged();
      m_sharedFiles->ProfilesChanged();
    });
  }
}

// ---------------------------------------------------------------------------
// Run at logon

namespace {

// The program's path as one quoted argument of a desktop entry's Exec key:
// quoting escapes first, then the string escape doubles every backslash,
// and "%" (a field code) is doubled.
std::string DesktopExecQuoted(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string result;
  for (char c : quoted) {
    if (c == '\\') result += '\\';
    if (c == '%') result += '%';
    result += c;
  }
  return result;
}

}  // namespace

std::string TVexa::RunAtLogonCommand() const {
  std::string command = DesktopExecQuoted(ApplicationFolder() + ExeName());
  if (!m_logonArguments.empty()) command += " " + m_logonArguments;
  return command;
}

bool TVexa::IsRunAtLogon() {
  try {
    Registry().SetMode(TAdvRegistry::TMode::Read);
    Registry().SetKey(TAdvRegistry::kRunKey);
    return Registry().ValueExists(kExeName);
  } catch (const std::exception&) {
    return false;
  }
}

void TVexa::SetRunAtLogon(bool enabled) {
  try {
    if (enabled) {
      Registry().SetMode(TAdvRegistry::TMode::Write);
      Registry().SetKey(TAdvRegistry::kRunKey);
      std::string command = RunAtLogonCommand();
      Registry().Field(kExeName).DefineString(command);
    } else {
      Registry().SetMode(TAdvRegistry::TMode::Write);
      Registry().SetKey(TAdvRegistry::kRunKey);
      Registry().DeleteValue(kExeName);
    }
  } catch (const std::exception&) {
    // Errors are ignored: the entry is a convenience.
  }
}

std::string TVexa::SystemInfo() const {
  std::string computer = platform::ComputerName();
  return "OS: " + OperatingSystemText() + "\r" + "Computer: " + computer + "\r" +
         "Timezone: " + ZoneName() + "\r" + "Language: " + LanguageName() + "\r" +
         "Loader: " + m_settings->Loader() + "\r";
}
