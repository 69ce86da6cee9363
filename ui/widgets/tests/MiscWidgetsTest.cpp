// The tray icon, the folder browser and plain-text message boxes.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "testing/TestEnvironment.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzBrowseDialog.h"
#include "ui/widgets/ZuzMessages.h"
#include "ui/widgets/ZuzTrayIcon.h"
#include "ui/widgets/tests/WidgetTests.h"

class MiscWidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void TrayIconCutsItsHintAndDispatchesClicks() {
    QWidget owner;
    TZuzTrayIcon tray(&owner);
    QVERIFY(!tray.Visible());
    tray.SetHint(std::string(100, 'x'));
    QCOMPARE(tray.Hint(), std::string(63, 'x'));
    tray.SetHint("Vexa: 3 alerts");
    QCOMPARE(tray.Hint(), std::string("Vexa: 3 alerts"));
    int clicks = 0;
    int doubles = 0;
    tray.OnClick = [&] { ++clicks; };
    tray.OnDblClick = [&] { ++doubles; };
    emit tray.Native()->activated(QSystemTrayIcon::Trigger);
    emit tray.Native()->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(clicks, 1);
    QCOMPARE(doubles, 1);
    QMenu menu;
    menu.addAction(QStringLiteral("Open"));
    tray.SetPopupMenu(&menu);
    emit tray.Native()->activated(QSystemTrayIcon::Context);
    QTRY_VERIFY(menu.isVisible());
    menu.hide();
    QIcon icon(QPixmap(16, 16));
    tray.SetIcon(icon);
    QCOMPARE(tray.Icon().cacheKey(), icon.cacheKey());
  }

  void BrowseDialogReturnsTheChosenFolder() {
    const std::string folder = vexatest::MakeTempFolder("browse");
    TZuzBrowseDialog browse;
    browse.Folder = folder;
    QTimer::singleShot(0, [] {
      // Accepting through QDialog runs the file dialog's own accept.
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
        static_cast<QDialog*>(dialog)->accept();
    });
    QVERIFY(browse.Execute());
    QCOMPARE(browse.Folder, folder);
    QTimer::singleShot(0, [] {
      if (QWidget* dialog = QApplication::activeModalWidget())
        qobject_cast<QDialog*>(dialog)->reject();
    });
    QVERIFY(!browse.Execute());
    QCOMPARE(browse.Folder, folder);
  }

  void DataTextStaysPlainInLabelsAndMessageBoxes() {
    const std::string data = "<b>bob</b> & co";
    std::unique_ptr<QLabel> label(ZuzPlainLabel(data, nullptr));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QStringLiteral("<b>bob</b> & co"));
    std::unique_ptr<QMessageBox> box(ZuzMakeMessageBox(nullptr, QMessageBox::Question, "Vexa", data,
                                                       QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), ToQString(data));
    QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
    QTimer::singleShot(0, [] {
      if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        shown->button(QMessageBox::Yes)->click();
    });
    QVERIFY(ZuzQuestion(nullptr, "Vexa", "Delete " + data + "?"));
  }
};

WIDGET_TEST(MiscWidgetsTest)
#include "MiscWidgetsTest.moc"
