// TZuzTrayIcon: the program's icon in the notification area, over
// QSystemTrayIcon. It adds itself when made visible and removes itself when
// hidden or destroyed; the icon and the hint change in place. The hint is cut
// to 63 characters, the most the notification area is guaranteed to show.
//
// A left click fires OnClick, a double click OnDblClick; the right button
// brings the owner's window to the front and opens the popup menu at the
// mouse.
//
// Thread safety: main thread only.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

class QMenu;

class TZuzTrayIcon : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxHint = 63;

  // `owner` is the window brought to the front before the menu opens.
  explicit TZuzTrayIcon(QWidget* owner);
  ~TZuzTrayIcon() override;

  // The icon shown: the one set, else the application's icon.
  QIcon Icon() const;
  void SetIcon(const QIcon& icon);
  std::string Hint() const;
  void SetHint(const std::string& hint);
  bool Visible() const { return m_visible; }
  void SetVisible(bool visible);
  QMenu* PopupMenu() const { return m_menu; }
  void SetPopupMenu(QMenu* menu) { m_menu = menu; }  // not owned

  // The notification-area object, for what Qt offers beyond this.
  QSystemTrayIcon* Native() const { return m_tray; }

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 private:
  void Activated(QSystemTrayIcon::ActivationReason reason);

  QWidget* m_owner;
  QSystemTrayIcon* m_tray;  // child of this object
  QMenu* m_menu = nullptr;
  QIcon m_icon;
  bool m_visible = false;
};
