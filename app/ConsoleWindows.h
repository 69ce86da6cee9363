// TConsoleWindows: the user interface of the headless monitor. Alerts go to
// standard output as one line each; input issues and errors go to standard
// error, each once while it lasts. Nothing is asked: every question is
// answered No. The run ends on SIGINT or SIGTERM (everything is then saved
// as at any shutdown) or, in until-idle mode, once the work is done: every
// enabled input has read what its folder holds, the queues are empty and the
// alert e-mails handed to the dispatcher were dealt with.
//
// While a backlog is worked off and standard error is a terminal, a progress
// line (bytes left, hits per second, time left) is redrawn a few times a
// second; never when standard error is not a terminal.
//
// Thread safety: main thread only (the application object's).
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/VexaWindows.h"
#include "core/AdvObjects.h"

class TMonitorFolder;

class TConsoleWindows : public TVexaWindows {
 public:
  TConsoleWindows(std::ostream& out, std::ostream& err);

  // Ends the run once everything is done (run --until-idle).
  void SetUntilIdle(bool value) { m_untilIdle = value; }
  // Shows the progress line (only meant for a terminal).
  void SetProgress(bool value) { m_progress = value; }
  // Prints the start-up steps on standard error.
  void SetVerbose(bool value) { m_verbose = value; }

  void ShowStartupText(const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;
  bool Confirm(const std::string& title, const std::string& question) override { return false; }
  void Started(TVexa& application, bool anyInputEnabled) override;
  void Refresh(TVexa& application, bool alertRaised) override;
  // Lines on a console show no user lists.
  bool ShowsUserReports() const override { return false; }
  void Ticked(TVexa& application, bool backlog) override;
  void Wait(uint32_t milliseconds) override;
  void CloseWindows() override;

  // Counts for the summary line.
  int64_t AlertCount() const { return m_alerts; }
  int64_t IssueCount() const { return m_issues; }
  int64_t ErrorCount() const { return m_errors; }

  // "hits: N accepted, M filtered; alerts: A; issues: I".
  static std::string SummaryLine(int64_t accepted, int64_t filtered, int64_t alerts,
                                 int64_t issues);
  // A message's text on one line: CR/LF pairs become blanks.
  static std::string OneLine(const std::string& text);

 private:
  void PrintNewAlerts(TVexa& application);
  void PrintNewIssues(TVexa& application);
  bool IsIdle(TVexa& application);
  void DrawProgress(TVexa& application);
  void ClearProgress();

  std::ostream& m_out;
  std::ostream& m_err;
  bool m_untilIdle = false;
  bool m_progress = false;
  bool m_verbose = false;
  bool m_started = false;

  int64_t m_alerts = 0;
  int64_t m_issues = 0;
  int64_t m_errors = 0;
  // Alerts already printed and still listed, by identity, sorted by address
  // (held, so an address is not reused by a new alert while it is remembered).
  std::vector<std::pair<const TAdvObject*, TAdvRef<TAdvObject>>> m_printedAlerts;
  bool m_printing = true;  // false while the alerts known at start are noted
  std::set<std::string> m_openIssues;

  // Until-idle: when the queues were last seen busy (or the run started).
  double m_idleMark = 0;
  double m_firstIdleCheck = 0;  // when IsIdle first ran
  // Per input: the passes seen to end since its mark, and the unread bytes
  // they left.
  struct TPassesSeen {
    double Mark = 0;
    double LastRead = 0;
    int Passes = 0;
    int64_t Backlog = 0;
  };
  std::map<const TMonitorFolder*, TPassesSeen> m_passesSeen;

  // Progress.
  uint32_t m_lastDraw = 0;
  uint32_t m_rateTick = 0;
  int64_t m_rateHits = 0;
  double m_rate = 0;        // hits per second, smoothed
  int64_t m_rateLeft = -1;  // the backlog at the last sample; -1 before the first
  double m_byteRate = 0;    // backlog bytes read per second, smoothed
  bool m_progressShown = false;
};
