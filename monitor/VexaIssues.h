// Input issues as the status window lists them: one TVexaIssue per input
// whose failure is to be shown (its title is the input's root folder), plus
// the engine's fixed "No Inputs" issue, collected in TVexaIssues.
//
// The engine rebuilds the list at every status refresh from the inputs'
// issue snapshots (TInputIssueState); an issue object that still stands for
// the same failure (same title and time) is kept across refreshes, so that
// the Cleared mark the status window sets on it survives the rebuild.
//
// Thread safety: none; the engine and the windows use these on the main
// thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvLists.h"
#include "monitor/Inputs.h"

struct TInputIssueState;

class TVexaIssue : public TAdvObject {
  ADV_CLASS(TVexaIssue)

  TVexaIssue() = default;

  const std::string& Title() const { return m_title; }
  void SetTitle(std::string value) { m_title = std::move(value); }
  const std::string& Text() const { return m_text; }
  void SetText(std::string value) { m_text = std::move(value); }
  const std::string& Details() const { return m_details; }
  void SetDetails(std::string value) { m_details = std::move(value); }
  // A local date-time.
  double Time() const { return m_time; }
  void SetTime(double value) { m_time = value; }
  // Style 0..4 (the kIssue kinds of Inputs.h).
  uint8_t Style() const { return m_style; }
  void SetStyle(uint8_t value) { m_style = value; }
  // The announcement (the input-issue sound) is still to come.
  bool Pending() const { return m_pending; }
  void SetPending(bool value) { m_pending = value; }
  // To be listed.
  bool Active() const { return m_active; }
  void SetActive(bool value) { m_active = value; }
  // Put aside by the administrator; not shown though still listed.
  bool Cleared() const { return m_cleared; }
  void SetCleared(bool value) { m_cleared = value; }

  // Takes the input's snapshot: every field but Cleared, which is kept when
  // the snapshot stands for the failure this issue already shows and taken
  // from the snapshot otherwise.
  void TakeState(const TInputIssueState& state);

  void Assign(const TAdvObject& source) override;

 protected:
  ~TVexaIssue() override = default;

 private:
  std::string m_title;
  std::string m_text;
  std::string m_details;
  double m_time = 0;
  uint8_t m_style = kIssueGeneral;
  bool m_pending = false;
  bool m_active = false;
  bool m_cleared = false;
};

class TVexaIssues : public TAdvList {
  ADV_CLASS(TVexaIssues)

  TVexaIssues() = default;

  TVexaIssue* Issue(int index) const { return ItemAs<TVexaIssue>(index); }
  TAdvClass ItemClass() const override { return &TVexaIssue::ClassInfo; }

  // The issues to show: active and not cleared.
  int CountToShow() const;
  // By title, ignoring ASCII case, searching from the last; null when none.
  TVexaIssue* FindByTitle(std::string_view title) const;

 protected:
  ~TVexaIssues() override = default;
};
