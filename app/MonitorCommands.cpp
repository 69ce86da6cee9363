#include "app/MonitorCommands.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <optional>

#include "alerts/Triggers.h"
#include "app/ConsoleWindows.h"
#include "app/SettingFields.h"
#include "app/Settings.h"
#include "app/StateFiles.h"
#include "app/Vexas.h"
#include "core/AdvAscii.h"
#include "core/AdvPaths.h"
#include "core/AdvStrings.h"
#include "monitor/LoaderStates.h"
#include "monitor/Loaders.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "platform/Signals.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// A wrong argument: the caller prints the text and the usage.
struct TUsageError {
  std::string Text;
};

// The words after the command, with "--name [value]" options taken out.
class TArguments {
 public:
  TArguments(const std::vector<std::string>& words, size_t first)
      : m_words(words.begin() + std::ptrdiff_t(std::min(first, words.size())), words.end()) {}

  // Removes "--name" and returns whether it was there.
  bool Flag(const std::string& name) {
    for (size_t i = 0; i < m_words.size(); ++i)
      if (m_words[i] == name) {
        m_words.erase(m_words.begin() + std::ptrdiff_t(i));
        return true;
      }
    return false;
  }
  // Removes "--name VALUE" (or "--name=VALUE") and returns the value.
  std::optional<std::string> Option(const std::string& name) {
    for (size_t i = 0; i < m_words.size(); ++i) {
      if (m_words[i] == name) {
        if (i + 1 >= m_words.size()) throw TUsageError{"Option " + name + " needs a value"};
        std::string value = m_words[i + 1];
        m_words.erase(m_words.begin() + std::ptrdiff_t(i), m_words.begin() + std::ptrdiff_t(i) + 2);
        return value;
      }
      if (m_words[i].rfind(name + "=", 0) == 0) {
        std::string value = m_words[i].substr(name.size() + 1);
        m_words.erase(m_words.begin() + std::ptrdiff_t(i));
        return value;
      }
    }
    return std::nullopt;
  }
  // The remaining words, which must be exactly `count` plain words.
  std::vector<std::string> Positional(size_t count, const char* what) {
    for (const std::string& word : m_words)
      if (word.size() > 2 && word.compare(0, 2, "--") == 0)
        throw TUsageError{"Unknown option " + word};
    if (m_words.size() != count)
      throw TUsageError{m_words.size() < count ? std::string("Missing ") + what
                                               : "Unexpected argument '" + m_words[count] + "'"};
    return m_words;
  }

 private:
  std::vector<std::string> m_words;
};

uint32_t ParseTimer(const std::string& text) {
  uint32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value == 0 ||
      value > 3600000)
    throw TUsageError{"--timer takes milliseconds from 1 to 3600000, not '" + text + "'"};
  return value;
}

// An absolute folder path with one trailing delimiter, as inputs name it.
std::string InputFolderPath(const std::string& folder) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(folder, error);
  if (error) path = folder;
  std::string text = path.lexically_normal().string();
  return IncludeTrailingDelimiter(text);
}

std::string YesNo(bool value) {
  return value ? "yes" : "no";
}

// One application object for one command, with the console as its
// interface.
class TCommandSession {
 public:
  TCommandSession(const std::string& program, std::ostream& out, std::ostream& err)
      : m_out(out), m_err(err), m_console(out, err), m_app(AdvNew<TVexa>()) {
    m_app->SetParameters({program});
    m_app->SetWindows(&m_console);
  }
  ~TCommandSession() {
    // Frees the engine and unloads the plug-ins; saves nothing (the
    // configuration commands save what they changed themselves).
    try {
      m_app->Finalise();
    } catch (...) {
    }
  }

  // Loads everything under the instance lock; false when that failed (the
  // reason was shown).
  bool Load() {
    m_app->SetLockBeforeLoading(true);
    return m_app->Prepare();
  }

  TVexa& App() { return *m_app; }
  TConsoleWindows& Console() { return m_console; }
  std::ostream& Out() { return m_out; }
  std::ostream& Err() { return m_err; }

 private:
  std::ostream& m_out;
  std::ostream& m_err;
  TConsoleWindows m_console;
  TAdvRef<TVexa> m_app;
};

// Runs a configuration step; library errors become status 1 with their text.
int Guarded(TCommandSession& session, const std::function<int()>& body) {
  try {
    return body();
  } catch (const TUsageError&) {
    throw;
  } catch (const std::exception& error) {
    session.Err() << "error: " << TConsoleWindows::OneLine(TAdvApplication::ErrorText(error))
                  << std::endl;
    return kFailed;
  }
}

void SaveInputs(TVexa& app) {
  SaveInputsFile(app.Monitor().Inputs(), app.StateFile("Default.Inputs"));
  SaveLoaderStates(app.Monitor().Inputs(), app.StateFile(kLoaderStateFileName));
}

// --- input -----------------------------------------------------------------

int InputAdd(TCommandSession& session, TArguments& args) {
  const std::optional<std::string> mask = args.Option("--mask");
  const std::optional<std::string> loaderName = args.Option("--loader");
  const std::optional<std::string> timerText = args.Option("--timer");
  const bool noRecurse = args.Flag("--no-recurse");
  const bool resolve = args.Flag("--resolve");
  const bool ignoreErrors = args.Flag("--ignore-errors");
  const bool fromEnd = args.Flag("--from-end");
  const std::string folder = args.Positional(1, "FOLDER")[0];
  if (folder.empty()) throw TUsageError{"FOLDER must not be empty"};
  if (mask && mask->empty()) throw TUsageError{"--mask must not be empty"};
  const uint32_t timer = timerText ? ParseTimer(*timerText) : TMonitorFolder::kDefaultTimer;

  if (!session.Load()) return kFailed;
  return Guarded(session, [&] {
    TVexa& app = session.App();
    const std::string path = InputFolderPath(folder);
    if (!FolderExists(ExcludeTrailingDelimiter(path))) {
      session.Err() << "error: Folder '" << path << "' does not exist" << std::endl;
      return kFailed;
    }
    TMonitorFolders& inputs = app.Monitor().Inputs();
    if (inputs.FindByPath(path)) {
      session.Err() << "error: Input '" << path << "' exists already" << std::endl;
      return kFailed;
    }
    TLoaderClasses& loaders = app.Monitor().LoaderClasses();
    const std::string name = loaderName ? *loaderName : app.Settings().Loader();
    if (loaders.IndexOfName(name) < 0) {
      std::string known;
      for (int i = 0; i < loaders.Count(); ++i) known += (i ? ", " : "") + loaders.NameAt(i);
      session.Err() << "error: No loader named '" << name
                    << "' (loaders: " << (known.empty() ? "none found" : known) << ")" << std::endl;
      return kFailed;
    }
    TAdvRef<TMonitorFolder> input = AdvNew<TMonitorFolder>();
    TAdvRef<TFolder> root(new TFolder(path));
    root->SetMask(mask ? *mask : "*");
    root->SetRecurse(!noRecurse);
    input->SetFolder(root.Detach());
    input->SetLoader(AdvCreate<TLoader>(loaders.GetByName(name)).Detach());
    input->SetResolve(resolve);
    input->SetIgnore(ignoreErrors);
    input->SetTimer(timer);
    // A new input reads what its folder holds already, unless told to
    // start from the end of it.
    if (fromEnd)
      input->SkipToEnd();
    else
      input->Rescan();
    inputs.Add(input.Detach());
    SaveInputs(app);
    session.Out() << "Added input " << path << std::endl;
    return kDone;
  });
}

int InputList(TCommandSession& session, TArguments& args) {
  args.Positional(0, "");
  if (!session.Load()) return kFailed;
  TMonitorFolders& inputs = session.App().Monitor().Inputs();
  for (int i = 0; i < inputs.Count(); ++i) {
    TMonitorFolder& input = *inputs.Input(i);
    TFolder& root = input.Folder();
    std::string loader = input.Loader() ? input.Loader()->Name() : input.LoaderName();
    if (input.LoaderMissing()) loader += " (missing)";
    session.Out() << root.Name() << "\tenabled=" << YesNo(input.Enabled()) << " loader=" << loader
                  << " mask=" << root.Mask() << " recurse=" << YesNo(root.Recurse())
                  << " resolve=" << YesNo(input.Resolve()) << " timer=" << input.Timer()
                  << " ignore-errors=" << YesNo(input.Ignore()) << std::endl;
  }
  return kDone;
}

int InputRemove(TCommandSession& session, TArguments& args) {
  const std::string folder = args.Positional(1, "FOLDER")[0];
  if (!session.Load()) return kFailed;
  return Guarded(session, [&] {
    TMonitorFolders& inputs = session.App().Monitor().Inputs();
    const std::string path = InputFolderPath(folder);
    for (int i = 0; i < inputs.Count(); ++i) {
      if (!SameTextAscii(inputs.Input(i)->Folder().Name(), path)) continue;
      inputs.DeleteInput(i);
      SaveInputs(session.App());
      session.Out() << "Removed input " << path << std::endl;
      return kDone;
    }
    session.Err() << "error: No input follows '" << path << "'" << std::endl;
    return kFailed;
  });
}

// --- setting ---------------------------------------------------------------

int SettingList(TCommandSession& session, TArguments& args) {
  args.Positional(0, "");
  if (!session.Load()) return kFailed;
  for (const TSettingField& field : ListSettingFields(session.App().Settings()))
    session.Out() << field.Name << "=" << field.Value << std::endl;
  return kDone;
}

int SettingGet(TCommandSession& session, TArguments& args) {
  const std::string name = args.Positional(1, "NAME")[0];
  if (!session.Load()) return kFailed;
  TSettingField field;
  if (!GetSettingField(session.App().Settings(), name, field)) {
    session.Err() << "error: Unknown setting '" << name << "' (see: setting list)" << std::endl;
    return kFailed;
  }
  session.Out() << field.Value << std::endl;
  return kDone;
}

int SettingSet(TCommandSession& session, TArguments& args) {
  const std::vector<std::string> words = args.Positional(2, "NAME and VALUE");
  if (!session.Load()) return kFailed;
  return Guarded(session, [&] {
    SetSettingField(session.App().Settings(), words[0], words[1]);
    session.App().SaveSettingsFile();
    return kDone;
  });
}

// --- trigger ---------------------------------------------------------------

const char* PriorityName(uint8_t priority) {
  switch (priority) {
    case 0:
      return "low";
    case 1:
      return "medium";
    default:
      return "high";
  }
}

// Splits "a@x;b@y" and checks each address; raises a usage error for one
// that no relay would take.
std::vector<std::string> ParseAddresses(const std::string& text) {
  std::vector<std::string> addresses;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(";,", start);
    if (end == std::string::npos) end = text.size();
    std::string address = text.substr(start, end - start);
    while (!address.empty() && address.front() == ' ') address.erase(0, 1);
    while (!address.empty() && address.back() == ' ') address.pop_back();
    if (!address.empty()) {
      const size_t at = address.find('@');
      bool plain = at != std::string::npos && at > 0 && at + 1 < address.size() &&
                   address.find('@', at + 1) == std::string::npos;
      for (unsigned char c : address)
        if (c <= ' ' || c == '<' || c == '>' || c == '"' || c == 127) plain = false;
      if (!plain) throw TUsageError{"'" + address + "' is not an e-mail address"};
      addresses.push_back(address);
    }
    start = end + 1;
  }
  if (addresses.empty()) throw TUsageError{"--to needs at least one e-mail address"};
  return addresses;
}

int TriggerCommand(TCommandSession& session, const std::string& sub, TArguments& args) {
  if (sub == "list") {
    args.Positional(0, "");
    if (!session.Load()) return kFailed;
    TTriggers& triggers = session.App().Monitor().Triggers();
    for (int i = 0; i < triggers.Count(); ++i) {
      const TTrigger& trigger = *triggers.Trigger(i);
      std::string to;
      for (int j = 0; j < trigger.Tos().Count(); ++j)
        to += (j ? ";" : "") + trigger.Tos().GetItem(j);
      session.Out() << trigger.Name() << "\tkind=" << TypeName(&trigger)
                    << " priority=" << PriorityName(trigger.Priority())
                    << " enabled=" << YesNo(trigger.Enabled())
                    << " notify=" << (trigger.Notify() ? (to.empty() ? "yes" : to) : "no")
                    << std::endl;
    }
    return kDone;
  }
  if (sub != "enable" && sub != "disable" && sub != "notify")
    throw TUsageError{"Unknown command 'trigger" + (sub.empty() ? "" : " " + sub) + "'"};
  std::optional<std::string> to;
  bool off = false;
  if (sub == "notify") {
    to = args.Option("--to");
    off = args.Flag("--off");
    if (to.has_value() == off) throw TUsageError{"trigger notify takes either --to or --off"};
  }
  const std::string name = args.Positional(1, "NAME")[0];
  const std::vector<std::string> addresses = to ? ParseAddresses(*to) : std::vector<std::string>{};
  if (!session.Load()) return kFailed;
  return Guarded(session, [&] {
    TTrigger* trigger = session.App().Monitor().Triggers().FindTrigger(name);
    if (!trigger) {
      session.Err() << "error: No trigger named '" << name << "' (see: trigger list)" << std::endl;
      return kFailed;
    }
    if (sub == "enable" || sub == "disable") {
      trigger->SetEnabled(sub == "enable");
    } else if (off) {
      trigger->SetNotify(false);
    } else {
      trigger->Tos().Clear();
      for (const std::string& address : addresses) trigger->Tos().Add(address);
      trigger->SetNotify(true);
    }
    session.App().SaveTriggers();
    return kDone;
  });
}

}  // namespace

std::string MonitorUsage() {
  return "usage: vexa-monitor COMMAND ...\n"
         "  input add FOLDER [--mask M] [--loader NAME] [--no-recurse] [--resolve]\n"
         "                   [--timer MS] [--ignore-errors] [--from-end]\n"
         "  input list\n"
         "  input remove FOLDER\n"
         "  setting list\n"
         "  setting get NAME\n"
         "  setting set NAME VALUE\n"
         "  trigger list\n"
         "  trigger enable NAME\n"
         "  trigger disable NAME\n"
         "  trigger notify NAME --to ADDR[;ADDR...]\n"
         "  trigger notify NAME --off\n"
         "  run [--until-idle]\n";
}

namespace {

int Run(TCommandSession& session, TArguments& args) {
  const bool untilIdle = args.Flag("--until-idle");
  args.Positional(0, "");
  platform::InstallStopSignals();
  TVexa& app = session.App();
  TConsoleWindows& console = session.Console();
  console.SetUntilIdle(untilIdle);
  console.SetProgress(platform::StandardErrorIsTerminal());
  app.SetBackToBack(true);
  app.SetLeaveEngineAtExit(true);
  app.SetLogonArguments("run");
  const int status = app.Execute();
  if (!app.Started()) return kFailed;
  const TMonitorCounters& counters = app.FinalCounters();
  session.Out() << TConsoleWindows::SummaryLine(counters.Accepted, counters.Filtered,
                                                console.AlertCount(), console.IssueCount())
                << std::endl;
  return status == 0 ? kDone : kFailed;
}

int Dispatch(TCommandSession& session, const std::vector<std::string>& words) {
  const std::string command = words.empty() ? std::string() : words[0];
  const std::string sub = words.size() > 1 ? words[1] : std::string();
  if (command == "run") {
    TArguments args(words, 1);
    return Run(session, args);
  }
  TArguments args(words, 2);
  if (command == "input") {
    if (sub == "add") return InputAdd(session, args);
    if (sub == "list") return InputList(session, args);
    if (sub == "remove") return InputRemove(session, args);
  } else if (command == "setting") {
    if (sub == "list") return SettingList(session, args);
    if (sub == "get") return SettingGet(session, args);
    if (sub == "set") return SettingSet(session, args);
  } else if (command == "trigger") {
    return TriggerCommand(session, sub, args);
  }
  if (command.empty()) throw TUsageError{"Missing command"};
  throw TUsageError{"Unknown command '" + command + (sub.empty() ? "" : " " + sub) + "'"};
}

}  // namespace

int RunMonitorCommand(const std::string& program, const std::vector<std::string>& arguments,
                      std::ostream& out, std::ostream& err) {
  if (!arguments.empty() &&
      (arguments[0] == "--help" || arguments[0] == "help" || arguments[0] == "-h")) {
    out << MonitorUsage();
    return kDone;
  }
  RegisterVexaClasses();
  TCommandSession session(program, out, err);
  try {
    return Dispatch(session, arguments);
  } catch (const TUsageError& error) {
    err << "vexa-monitor: " << error.Text << "\n" << MonitorUsage();
    return kUsage;
  }
}
