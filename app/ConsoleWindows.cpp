#include "app/ConsoleWindows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>

#include "alerts/Alerts.h"
#include "app/Settings.h"
#include "app/Vexas.h"
#include "core/AdvDates.h"
#include "mail/EmailTasks.h"
#include "monitor/MonitorFolders.h"
#include "monitor/Monitors.h"
#include "platform/Clock.h"
#include "platform/Signals.h"

namespace {
constexpr uint32_t kProgressInterval = 250;
// Rates are measured over this many milliseconds.
constexpr uint32_t kRateInterval = 500;

const char* PriorityText(uint8_t priority) {
  switch (priority) {
    case 0:
      return "Low";
    case 1:
      return "Medium";
    default:
      return "High";
  }
}
}  // namespace

TConsoleWindows::TConsoleWindows(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

std::string TConsoleWindows::OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
      continue;
    }
    line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string TConsoleWindows::SummaryLine(int64_t accepted, int64_t filtered, int64_t alerts,
                                         int64_t issues) {
  return "hits: " + std::to_string(accepted) + " accepted, " + std::to_string(filtered) +
         " filtered; alerts: " + std::to_string(alerts) + "; issues: " + std::to_string(issues);
}

void TConsoleWindows::ShowStartupText(const std::string& text) {
  if (m_verbose) m_err << text << std::endl;
}

void TConsoleWindows::ShowError(const std::string& title, const std::string& text) {
  ClearProgress();
  ++m_errors;
  m_err << "error: " << OneLine(text) << std::endl;
}

void TConsoleWindows::Started(TVexa& application, bool anyInputEnabled) {
  m_started = true;
  // Alerts restored with the users were told in an earlier run: they are
  // known from the start and not printed again.
  application.Monitor().RefreshStatus();
  m_printing = false;
  PrintNewAlerts(application);
  m_printing = true;
  m_idleMark = AdvNow();
  m_rateTick = m_lastDraw = platform::TickCount();
  m_rateHits = 0;
}

void TConsoleWindows::Refresh(TVexa& application, bool alertRaised) {
  PrintNewAlerts(application);
  PrintNewIssues(application);
}

void TConsoleWindows::PrintNewAlerts(TVexa& application) {
  const TGroups& groups = application.Monitor().Groups();
  // Rebuilt at every refresh over every alert shown: a sorted vector, not a
  // tree of nodes.
  using TListed = std::pair<const TAdvObject*, TAdvRef<TAdvObject>>;
  const auto byAddress = [](const TListed& a, const TListed& b) {
    return std::less<const TAdvObject*>()(a.first, b.first);
  };
  std::vector<TListed> listed;
  listed.reserve(m_printedAlerts.size() + 64);
  for (int g = 0; g < groups.GroupCount(); ++g) {
    const TGroup& group = *groups.Group(g);
    for (int i = 0; i < group.Count(); ++i) {
      TAlert* alert = group.Alert(i);
      listed.emplace_back(alert, TAdvRef<TAdvObject>::Share(alert));
      const TListed probe(alert, nullptr);
      if (!m_printing ||
          std::binary_search(m_printedAlerts.begin(), m_printedAlerts.end(), probe, byAddress))
        continue;
      ClearProgress();
      ++m_alerts;
      m_out << "alert: " << OneLine(alert->TriggerName()) << " [" << PriorityText(alert->Priority())
            << "] " << OneLine(alert->UserText());
      if (!alert->Description().empty()) m_out << ": " << OneLine(alert->Description());
      m_out << '\n';
    }
  }
  // One flush for the refresh's lines: a backlog raises thousands at a time.
  m_out.flush();
  // Alerts that left the groups (purged, dismissed) are forgotten; holding
  // the listed ones keeps their addresses from being reused meanwhile.
  std::sort(listed.begin(), listed.end(), byAddress);
  m_printedAlerts.swap(listed);
}

void TConsoleWindows::PrintNewIssues(TVexa& application) {
  const TVexaIssues& issues = application.Monitor().Issues();
  std::set<std::string> listed;
  for (int i = 0; i < issues.Count(); ++i) {
    const TVexaIssue& issue = *issues.Issue(i);
    const std::string key = issue.Title() + '\n' + issue.Text();
    listed.insert(key);
    if (m_openIssues.count(key)) continue;
    ClearProgress();
    ++m_issues;
    m_err << "issue: " << OneLine(issue.Title()) << ": " << OneLine(issue.Text()) << std::endl;
  }
  // An issue that went away and comes back is told again.
  m_openIssues.swap(listed);
}

void TConsoleWindows::Ticked(TVexa& application, bool backlog) {
  if (m_progress) DrawProgress(application);
  // The run's final refresh prints the last alerts and issues.
  if (m_untilIdle && !backlog && IsIdle(application)) application.Terminate();
}

bool TConsoleWindows::IsIdle(TVexa& application) {
  TMonitor& monitor = application.Monitor();
  const double now = AdvNow();
  if (m_firstIdleCheck == 0) m_firstIdleCheck = now;
  constexpr double kStartGraceDays = 10.0 / 86400;  // ten seconds
  if (monitor.HasQueuedHits()) {
    m_passesSeen.clear();
    m_idleMark = now;
    return false;
  }
  if (TEmailDispatcher* dispatcher = application.EmailDispatcher())
    if (dispatcher->PendingCount() > 0) return false;
  TMonitorFolders& inputs = monitor.Inputs();
  bool idle = true;
  for (int i = 0; i < inputs.Count(); ++i) {
    TMonitorFolder& input = *inputs.Input(i);
    if (!input.Enabled()) continue;
    if (!input.Running()) {
      // A thread that has not started yet has read nothing: waiting for it
      // keeps a fast start from ending the run before the first pass. One
      // that never starts is not waited for past the start-up grace.
      if (now - m_firstIdleCheck < kStartGraceDays) idle = false;
      continue;
    }
    const int64_t left = std::max(input.LastBacklog(), input.Backlog());
    auto found = m_passesSeen.find(&input);
    if (found == m_passesSeen.end() || found->second.Backlog != left) {
      // New evidence: the counting starts again for this input.
      TPassesSeen fresh;
      fresh.Mark = found == m_passesSeen.end() ? m_idleMark : now;
      fresh.Backlog = left;
      found = m_passesSeen.insert_or_assign(&input, fresh).first;
    }
    TPassesSeen& seen = found->second;
    // The thread holds the tree lock for a whole pass, so a pass whose
    // start is seen here has ended.
    std::lock_guard lock(input.TreeLock());
    TFolder& root = input.Folder();
    if (!root.Enabled() && root.Issues().Count() > 0) continue;  // unreadable: nothing comes
    if (root.LastRead() > seen.Mark && root.LastRead() != seen.LastRead) {
      seen.LastRead = root.LastRead();
      ++seen.Passes;
    }
    // Two passes that began after the queue was last seen busy and left
    // nothing unread show that the folder holds nothing more (one alone may
    // have met a file that changed while it was listed). Bytes that three
    // passes in a row could not read (a last line still being written, a
    // file the loader does not take) are not waited for.
    if (seen.Passes < (left == 0 ? 2 : 3)) {
      idle = false;
      // The passes that show it are asked for now, not left to the timer.
      input.RequestPass();
    }
  }
  return idle;
}

void TConsoleWindows::Wait(uint32_t milliseconds) {
  if (platform::WaitForStop(milliseconds)) {
    if (TAdvApplication* application = AdvApplication()) application->Terminate();
  }
}

void TConsoleWindows::DrawProgress(TVexa& application) {
  const uint32_t now = platform::TickCount();
  if (now - m_lastDraw < kProgressInterval) return;
  m_lastDraw = now;
  const TMonitor& monitor = application.Monitor();
  const int64_t left = monitor.Backlog();
  const int64_t hits = monitor.Counters().Accepted + monitor.Counters().Filtered;
  const uint32_t elapsed = now - m_rateTick;
  if (elapsed >= kRateInterval) {
    const double rate = double(hits - m_rateHits) * 1000.0 / double(elapsed);
    m_rate = m_rate == 0 ? rate : 0.5 * m_rate + 0.5 * rate;
    // The backlog shrinks as it is read (and grows when writers add to it):
    // only a shrinking one tells the reading speed.
    if (m_rateLeft >= 0 && m_rateLeft > left) {
      const double bytes = double(m_rateLeft - left) * 1000.0 / double(elapsed);
      m_byteRate = m_byteRate == 0 ? bytes : 0.5 * m_byteRate + 0.5 * bytes;
    }
    m_rateLeft = left;
    m_rateTick = now;
    m_rateHits = hits;
  }
  if (left <= 0 && !monitor.HasQueuedHits()) {
    ClearProgress();
    return;
  }
  const TSettings& settings = application.Settings();
  std::string line = settings.FormatSizeWithUnit(left) + " left";
  // The rates are told once they were measured.
  if (m_rateLeft >= 0)
    line += ", " + settings.FormatCount(int64_t(std::llround(m_rate))) + " hits/s";
  if (m_byteRate > 0)
    line += ", " + ElapsedText(int64_t(double(left) / m_byteRate) * 1000) + " to go";
  m_err << '\r' << line << "\x1b[K" << std::flush;
  m_progressShown = true;
}

void TConsoleWindows::ClearProgress() {
  if (!m_progressShown) return;
  m_err << "\r\x1b[K" << std::flush;
  m_progressShown = false;
}

void TConsoleWindows::CloseWindows() {
  ClearProgress();
}
