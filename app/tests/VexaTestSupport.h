// A user interface that records what the application object asks of it,
// and a private set of per-user folders for one application object.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/VexaWindows.h"
#include "app/Vexas.h"
#include "testing/TestEnvironment.h"
#include "testing/TestFiles.h"

namespace apptest {

class TRecordingWindows : public TVexaWindows {
 public:
  std::vector<std::string> Texts;
  std::vector<std::string> Errors;
  int Refreshes = 0;
  int Ticks = 0;
  bool StartedCalled = false;
  bool AnyInputEnabled = false;
  bool SplashResult = true;

  void ShowStartupText(const std::string& text) override { Texts.push_back(text); }
  bool SplashFinished() override { return SplashResult; }
  void Started(TVexa&, bool anyInputEnabled) override {
    StartedCalled = true;
    AnyInputEnabled = anyInputEnabled;
  }
  void ShowError(const std::string& title, const std::string& text) override {
    Errors.push_back(title + ": " + text);
  }
  bool Confirm(const std::string&, const std::string&) override { return false; }
  void Refresh(TVexa&, bool) override { ++Refreshes; }
  void Ticked(TVexa&, bool) override { ++Ticks; }
  void Wait(uint32_t) override {}
};

// HOME and the XDG folders of one test, under a fresh folder.
class TPrivateHome {
 public:
  TPrivateHome()
      : Root(vexatest::MakeTempFolder("home")),
        m_home("HOME", Root.c_str()),
        m_config("XDG_CONFIG_HOME", (Root + "/config").c_str()),
        m_state("XDG_STATE_HOME", (Root + "/state").c_str()),
        m_data("XDG_DATA_HOME", (Root + "/data").c_str()),
        m_documents("XDG_DOCUMENTS_DIR", (Root + "/Documents").c_str()),
        m_runtime("XDG_RUNTIME_DIR", (Root + "/runtime").c_str()) {
    std::filesystem::create_directories(Root + "/runtime");
    std::filesystem::permissions(Root + "/runtime", std::filesystem::perms::owner_all);
  }

  const std::string Root;
  std::string SettingsFolder() const { return Root + "/config/Varnex/Vexa 2.2/"; }
  std::string StateFolder() const { return Root + "/state/Varnex/Vexa 2.2/State/"; }

 private:
  vexatest::ScopedEnv m_home, m_config, m_state, m_data, m_documents, m_runtime;
};

}  // namespace apptest
