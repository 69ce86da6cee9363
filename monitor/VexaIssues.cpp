#include "monitor/VexaIssues.h"

#include "core/AdvAscii.h"
#include "monitor/MonitorFolders.h"

ADV_CLASS_IMPL(TVexaIssue, TAdvObject)
ADV_CLASS_IMPL(TVexaIssues, TAdvList)

void TVexaIssue::TakeState(const TInputIssueState& state) {
  const bool same = m_title == state.Title && m_time == state.Time && m_text == state.Text;
  m_title = state.Title;
  m_text = state.Text;
  m_details = state.Details;
  m_time = state.Time;
  m_style = state.Style;
  m_pending = state.Pending;
  m_active = state.Active;
  m_cleared = same ? (m_cleared || state.Cleared) : state.Cleared;
}

void TVexaIssue::Assign(const TAdvObject& source) {
  TAdvObject::Assign(source);
  const auto& other = static_cast<const TVexaIssue&>(source);
  m_title = other.m_title;
  m_text = other.m_text;
  m_details = other.m_details;
  m_time = other.m_time;
  m_style = other.m_style;
  m_pending = other.m_pending;
  m_active = other.m_active;
  m_cleared = other.m_cleared;
}

int TVexaIssues::CountToShow() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i) {
    const TVexaIssue* issue = Issue(i);
    if (issue->Active() && !issue->Cleared()) ++count;
  }
  return count;
}

TVexaIssue* TVexaIssues::FindByTitle(std::string_view title) const {
  for (int i = Count() - 1; i >= 0; --i) {
    if (CompareTextAscii(Issue(i)->Title(), title) == 0) return Issue(i);
  }
  return nullptr;
}
