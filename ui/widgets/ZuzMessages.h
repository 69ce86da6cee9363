// Message boxes and labels for text that comes from data. Qt guesses whether
// a label's or a message box's text is rich text, so a log line holding "<b>"
// would change how it is shown; these helpers pin plain text. Message boxes
// are centred on their parent and kept on top: information with OK,
// questions with Yes and No (or Yes, No and Cancel).
//
// Thread safety: main thread only.
#pragma once

#include <QMessageBox>
#include <string>

class QLabel;
class QWidget;

// A label showing `text` exactly.
QLabel* ZuzPlainLabel(const std::string& text, QWidget* parent);

// The box without showing it (for callers that add buttons, and for tests).
QMessageBox* ZuzMakeMessageBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title,
                               const std::string& text, QMessageBox::StandardButtons buttons);

void ZuzInformation(QWidget* parent, const std::string& title, const std::string& text);
// True for Yes.
bool ZuzQuestion(QWidget* parent, const std::string& title, const std::string& text);
// Yes, No or Cancel.
QMessageBox::StandardButton ZuzQuestionCancel(QWidget* parent, const std::string& title,
                                              const std::string& text);
