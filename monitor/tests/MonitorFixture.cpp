#include "monitor/tests/MonitorFixture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "activity/ActivityClasses.h"
#include "alerts/Alerts.h"
#include "alerts/TrackingLogs.h"
#include "alerts/Triggers.h"
#include "app/Settings.h"
#include "classify/ClassifyClasses.h"
#include "core/AdvFactories.h"
#include "monitor/HitFilters.h"
#include "monitor/HitIndicies.h"
#include "monitor/LoaderLibraries.h"
#include "monitor/Loaders.h"
#include "monitor/MonitorFolders.h"
#include "testing/TestEnvironment.h"

namespace monitortest {

namespace fs = std::filesystem;

namespace {

struct TShippedLoaders {
  TAdvRef<TLoaderLibraries> Libraries = AdvNew<TLoaderLibraries>();
  TAdvRef<TLoaderClasses> Registry = AdvNew<TLoaderClasses>();
};

TShippedLoaders& Shipped() {
  static TShippedLoaders* loaders = [] {
    auto* made = new TShippedLoaders();  // kept until exit: plug-in objects may outlive a test
    std::vector<std::string> problems;
    made->Libraries->LoadFolder(LoaderFolder(), problems);
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
    made->Libraries->RegisterClasses(*made->Registry);
    return made;
  }();
  return *loaders;
}

}  // namespace

void RegisterClassesOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterCoreClasses();
    RegisterHitClasses();
    RegisterMonitorFolderClasses();
    RegisterClassifyClasses();
    AdvFactory().RegisterAll(ActivityClasses());
    RegisterFilterClasses();
    RegisterAlertClasses();
    RegisterMonitorClasses();
  });
}

TAdvRef<TLoader> ShippedLoader(std::string_view name) {
  TAdvRef<TLoader> loader(static_cast<TLoader*>(Shipped().Registry->GetByName(name)->Create()));
  return loader;
}

TAdvRef<TLoader> SquidLoader() { return ShippedLoader("Squid"); }

std::string SquidLine(int64_t unixMilliseconds, const std::string& client,
                      const std::string& result, int64_t bytes, const std::string& url,
                      const std::string& user) {
  char time[32];
  std::snprintf(time, sizeof time, "%lld.%03lld", static_cast<long long>(unixMilliseconds / 1000),
                static_cast<long long>(unixMilliseconds % 1000));
  std::ostringstream line;
  line << time << "     12 " << client << ' ' << result << ' ' << bytes << " GET " << url << ' '
       << user << " HIER_DIRECT/192.0.2.1 text/html";
  return line.str();
}

int64_t UtcMs(int year, int month, int day, int hour, int minute, int second) {
  // Days from civil (proleptic Gregorian), for 1970 onwards.
  const int y = month <= 2 ? year - 1 : year;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = int64_t(era) * 146097 + doe - 719468;
  return ((days * 24 + hour) * 60 + minute) * 60000 + int64_t(second) * 1000;
}

void MonitorTest::SetUp() {
  RegisterClassesOnce();
  platform::SetCurrentClock(&m_clock);
  m_folder = vexatest::MakeTempFolder("engine");
  m_monitor = AdvNew<TMonitor>();
  m_monitor->SetStateFolder(m_folder);
  m_monitor->SetSoundPlayer([this](const std::string& key) { m_sounds.push_back(key); });
  m_monitor->SetOnError([this](const std::string& message) { m_errors.push_back(message); });
  m_monitor->Open();
}

void MonitorTest::TearDown() {
  m_monitor->Close();
  m_monitor = nullptr;
  platform::SetCurrentClock(nullptr);
}

TMonitorFolder& MonitorTest::AddInput(const std::string& name) {
  const std::string folder = m_folder + "/" + name;
  fs::create_directories(folder);
  auto input = AdvNew<TMonitorFolder>();
  input->SetFolder(new TFolder(folder));
  input->SetLoader(SquidLoader().Detach());
  input->SetIgnoreModifiedTime(true);
  TMonitorFolder& added = *input;
  m_monitor->Inputs().Add(input.Detach());
  m_logFiles.push_back(folder + "/access.log");
  return added;
}

void MonitorTest::Feed(TMonitorFolder& input, const std::vector<std::string>& lines) {
  int index = m_monitor->Inputs().IndexOf(&input);
  ASSERT_GE(index, 0);
  std::ofstream out(m_logFiles[size_t(index)], std::ios::binary | std::ios::app);
  for (const std::string& line : lines) out << line << '\n';
  out.close();
  input.Pass();
  ASSERT_FALSE(input.IssueState().Active) << input.IssueState().Text;
}

int MonitorTest::Drain(int limit) {
  int cycles = 0;
  while (cycles < limit) {
    ++cycles;
    if (!m_monitor->ProcessCycle()) break;
  }
  return cycles;
}

THitTrigger& MonitorTest::AddSiteTrigger(const std::string& name,
                                         const std::vector<std::string>& sites) {
  auto trigger = AdvNew<THitTrigger>();
  trigger->SetName(name);
  for (const std::string& site : sites) trigger->Sites().Add(site);
  THitTrigger& added = *trigger;
  m_monitor->Triggers().Add(trigger.Detach());
  return added;
}

void MonitorTest::EnableTrackingLog() {
  m_logFolder = m_folder + "/tracking";
  fs::create_directories(m_logFolder);
  TSettings& settings = m_monitor->Settings();
  settings.SetTrackingLogLocation(m_logFolder);
  settings.SetTrackingLogActivity(true);
  settings.SetTrackingLogAlerts(true);
  m_monitor->SetTrackingLog(AdvNew<TTrackingLog>().Get());
}

std::vector<std::string> MonitorTest::TrackingLines() const {
  std::vector<std::string> lines;
  if (m_logFolder.empty()) return lines;
  if (m_monitor->TrackingLog()) m_monitor->TrackingLog()->Flush();
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(m_logFolder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
  }
  return lines;
}

std::vector<std::string> MonitorTest::AlertLines() const {
  std::vector<std::string> alerts;
  for (const std::string& line : TrackingLines()) {
    // x-alert is the sixth field.
    size_t at = 0;
    for (int field = 0; field < 5 && at != std::string::npos; ++field) {
      at = line.find('\t', at);
      if (at != std::string::npos) ++at;
    }
    if (at != std::string::npos && line.compare(at, 2, "-\t") != 0) alerts.push_back(line);
  }
  return alerts;
}

}  // namespace monitortest
