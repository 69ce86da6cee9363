// TZuzBrowseDialog: the platform's folder chooser. Folder is where it opens
// and, after Execute returned true, the folder chosen (without a trailing
// delimiter; callers add it where they need one).
//
// Thread safety: main thread only.
#pragma once

#include <string>

class QWidget;

class TZuzBrowseDialog {
 public:
  explicit TZuzBrowseDialog(QWidget* parent = nullptr) : m_parent(parent) {}

  // Shows the chooser modally; true when a folder was chosen.
  bool Execute();

  std::string Folder;
  std::string Title = "Browse for Folder";

 private:
  QWidget* m_parent;
};
