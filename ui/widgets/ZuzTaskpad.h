// TZuzTaskpad: the command panel on the left of each configuration view.
// Groups of actions, each group with a header (its name and an expand or
// collapse button), a description in mark-up (links in it are reported to the
// owner) and its actions (an image and a name). A click on the header of an
// enabled group expands or collapses it; a click on an enabled action runs
// it; hovered headers and enabled actions are highlighted and show the hand
// cursor. A vertical scroll bar appears when the content is taller than the
// pad.
//
// A click is a press and a release on the same element. An action runs only
// when it and its group are enabled (RunAction checks the same), also through
// its keyboard shortcut.
//
// The owner builds the groups, changes names, flags and images as its view's
// state changes, and calls Changed() afterwards.
//
// Thread safety: main thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QKeySequence>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/widgets/MarkupRenderer.h"

class QShortcut;
class TZuzImageList;

class TZuzAction {
 public:
  std::string Name;  // shown as plain text
  bool Enabled = true;
  bool Visible = true;
  int32_t Image = -1;
  QKeySequence Shortcut;
  std::function<void(TZuzAction* sender)> OnClick;
};

class TZuzGroup {
 public:
  TZuzAction* AddAction(const std::string& name, std::function<void(TZuzAction*)> onClick = {},
                        int32_t image = -1);
  int ActionCount() const { return int(m_actions.size()); }
  TZuzAction* Action(int index) const { return m_actions[size_t(index)].get(); }

  std::string Name;         // the header, plain text
  std::string Description;  // mark-up
  bool Expanded = true;
  bool Enabled = true;
  bool Visible = true;

 private:
  std::vector<std::unique_ptr<TZuzAction>> m_actions;
};

class TZuzTaskpad : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 200;
  static constexpr int kOuterMargin = 16;
  static constexpr int kInnerMargin = 4;

  explicit TZuzTaskpad(QWidget* parent = nullptr);
  ~TZuzTaskpad() override;

  TZuzGroup* AddGroup(const std::string& name, const std::string& description = {});
  int GroupCount() const { return int(m_groups.size()); }
  TZuzGroup* Group(int index) const { return m_groups[size_t(index)].get(); }
  // Lays the pad out again after the owner changed groups or actions.
  void Changed();

  // The last action with this name (ASCII case-insensitive), or null.
  TZuzAction* FindAction(std::string_view name) const;
  // Visible actions of visible groups.
  int VisibleActionCount() const;
  // Runs the action's OnClick when it and its group are enabled; returns
  // whether it ran.
  bool RunAction(TZuzAction* action);

  // Images of the actions and of the group buttons (0 expanded, 1
  // collapsed; a drawn chevron when none). Not owned.
  void SetImages(const TZuzImageList* images);
  void SetGroupImages(const TZuzImageList* images);
  void SetHeaderFont(const QFont& font, const QColor& background);
  void SetBodyFont(const QFont& font, const QColor& background);
  void SetLinkColor(const QColor& colour);

  // Where an element was drawn, in viewport coordinates (empty when hidden).
  QRect HeaderRect(const TZuzGroup* group) const;
  QRect ActionRect(const TZuzAction* action) const;
  QRect LinkRect(const std::string& name) const;
  // The height of everything the pad draws.
  int ContentHeight() const { return m_contentHeight; }

  QSize sizeHint() const override;

  // A link in a group's description was clicked.
  std::function<void(const std::string& link)> OnLink;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  enum class TKind : uint8_t { Header, Action, Link };
  struct TElement {
    TKind Kind;
    int Group;
    int Action;        // for actions
    std::string Link;  // for links
    QRect Rect;        // content coordinates
    bool Enabled;
  };
  struct TGroupBox {
    QRect Header;
    QRect Body;  // empty when collapsed
    QRect Description;
    TMarkupLayout DescriptionLayout;
  };

  void Relayout();
  void RebuildShortcuts();
  int ElementAt(QPoint viewportPos) const;
  QRect ToViewport(const QRect& content) const;
  void SetHover(int element);

  std::vector<std::unique_ptr<TZuzGroup>> m_groups;
  std::vector<TGroupBox> m_boxes;       // per group, from the last layout
  std::vector<TElement> m_elements;     // from the last layout
  std::vector<QShortcut*> m_shortcuts;  // children of the pad
  const TZuzImageList* m_images = nullptr;
  const TZuzImageList* m_groupImages = nullptr;
  QFont m_headerFont;
  QFont m_bodyFont;
  QColor m_headerBack;
  QColor m_bodyBack;
  QColor m_linkColour;
  TMarkupRenderer m_bodyRenderer;
  int m_contentHeight = 0;
  int m_hover = -1;
  int m_press = -1;
};
