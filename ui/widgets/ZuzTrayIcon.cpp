#include "ui/widgets/ZuzTrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "ui/widgets/UiText.h"

TZuzTrayIcon::TZuzTrayIcon(QWidget* owner)
    : QObject(owner), m_owner(owner), m_tray(new QSystemTrayIcon(this)) {
  m_tray->setIcon(Icon());
  connect(m_tray, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); });
}

TZuzTrayIcon::~TZuzTrayIcon() {
  m_tray->hide();
}

QIcon TZuzTrayIcon::Icon() const {
  return m_icon.isNull() ? QApplication::windowIcon() : m_icon;
}

void TZuzTrayIcon::SetIcon(const QIcon& icon) {
  m_icon = icon;
  m_tray->setIcon(Icon());
}

std::string TZuzTrayIcon::Hint() const {
  return FromQString(m_tray->toolTip());
}

void TZuzTrayIcon::SetHint(const std::string& hint) {
  QString text = ToQString(hint);
  if (text.size() > kMaxHint) {
    qsizetype cut = kMaxHint;
    if (text.at(cut - 1).isHighSurrogate()) --cut;  // never split a character
    text.truncate(cut);
  }
  m_tray->setToolTip(text);
}

void TZuzTrayIcon::SetVisible(bool visible) {
  m_visible = visible;
  m_tray->setVisible(visible);
}

void TZuzTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (OnClick) OnClick();
      break;
    case QSystemTrayIcon::DoubleClick:
      if (OnDblClick) OnDblClick();
      break;
    case QSystemTrayIcon::Context:
      if (m_owner) {
        QWidget* window = m_owner->window();
        window->raise();
        window->activateWindow();
      }
      if (m_menu) m_menu->popup(QCursor::pos());
      break;
    default:
      break;
  }
}
