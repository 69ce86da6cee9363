#include "ui/widgets/ZuzMessages.h"

#include <QLabel>
#include <memory>

#include "ui/widgets/UiText.h"

QLabel* ZuzPlainLabel(const std::string& text, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(ToQString(text));
  return label;
}

QMessageBox* ZuzMakeMessageBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title,
                               const std::string& text, QMessageBox::StandardButtons buttons) {
  auto* box = new QMessageBox(icon, ToQString(title), QString(), buttons, parent);
  box->setTextFormat(Qt::PlainText);
  box->setText(ToQString(text));
  // Modality first: setting it re-parents the box and resets its flags.
  box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box;
}

namespace {
QMessageBox::StandardButton Run(QMessageBox* box) {
  std::unique_ptr<QMessageBox> owned(box);
  return QMessageBox::StandardButton(owned->exec());
}
}  // namespace

void ZuzInformation(QWidget* parent, const std::string& title, const std::string& text) {
  Run(ZuzMakeMessageBox(parent, QMessageBox::Information, title, text, QMessageBox::Ok));
}

bool ZuzQuestion(QWidget* parent, const std::string& title, const std::string& text) {
  return Run(ZuzMakeMessageBox(parent, QMessageBox::Question, title, text,
                               QMessageBox::Yes | QMessageBox::No)) == QMessageBox::Yes;
}

QMessageBox::StandardButton ZuzQuestionCancel(QWidget* parent, const std::string& title,
                                              const std::string& text) {
  return Run(ZuzMakeMessageBox(parent, QMessageBox::Question, title, text,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
}
