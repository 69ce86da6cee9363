#include "ui/widgets/ZuzBrowseDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "ui/widgets/UiText.h"

bool TZuzBrowseDialog::Execute() {
  QFileDialog dialog(m_parent, ToQString(Title), ToQString(Folder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  Folder = FromQString(QDir::toNativeSeparators(QDir::cleanPath(chosen.first())));
  return true;
}
