// The list view on screen: what it asks the owner for, selection by mouse
// and keys, links, headers, hints, bars, images and type-ahead.
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QScrollBar>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <stdexcept>

#include "platform/Clock.h"
#include "ui/widgets/Markup.h"
#include "ui/widgets/ZuzImageList.h"
#include "ui/widgets/tests/ViewFixture.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

struct TClockScope {
  platform::TManualClock Clock{0, 1000};
  TClockScope() { platform::SetCurrentClock(&Clock); }
  ~TClockScope() { platform::SetCurrentClock(nullptr); }
};

QPixmap Swatch(QColor colour, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(colour);
  return pixmap;
}

}  // namespace

class ZuzViewTest : public QObject {
  Q_OBJECT

 private slots:
  void PaintAsksOnlyForTheVisibleRows() {
    TViewFixture f(1000000);
    f.Paint();
    QVERIFY(!f.Asked.empty());
    QVERIFY(int(f.Asked.size()) <= f.View->VisibleRowCount());
    QCOMPARE(*std::max_element(f.Asked.begin(), f.Asked.end()), f.View->VisibleRowCount() - 1);
    f.View->setFocus();
    f.View->Focus(0);
    QTest::keyClick(f.View.get(), Qt::Key_PageDown);
    QTest::keyClick(f.View.get(), Qt::Key_PageDown);
    f.Paint();
    const int top = f.View->TopRow();
    QVERIFY(top > 0);
    for (int row : f.Asked) QVERIFY(row >= top && row < top + f.View->VisibleRowCount());
    QTest::keyClick(f.View.get(), Qt::Key_End);
    QCOMPARE(f.View->Focused(), 999999);
    QCOMPARE(f.View->verticalScrollBar()->value(), f.View->TopRow());
  }

  void ReleasingOnALinkFiresTheLinkWithItsName() {
    TViewFixture f(5);
    f.Caption = [](int) { return std::string("<b>Name</b> <a open>more</a>"); };
    std::vector<std::pair<int, std::string>> links;
    f.View->OnLink = [&](int row, const std::string& name) { links.emplace_back(row, name); };
    f.Paint();
    QRect link;
    for (const TZuzLinkRegion& region : f.View->LinkRegions())
      if (region.Row == 2) link = region.Rect;
    QVERIFY(!link.isEmpty());
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, link.center());
    QCOMPARE(links.size(), size_t(1));
    QCOMPARE(links[0].first, 2);
    QCOMPARE(links[0].second, std::string("open"));
    QVERIFY(f.View->IsSelected(2));
    // Pressed on the link, released beside it: no link event.
    QTest::mousePress(f.Port(), Qt::LeftButton, Qt::NoModifier, link.center());
    QTest::mouseRelease(f.Port(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(link.right() + 40, link.center().y()));
    QCOMPARE(links.size(), size_t(1));
    // Hovering shows the hand cursor and draws the link bold and underlined.
    MoveMouse(f.Port(), link.center());
    QCOMPARE(f.Port()->cursor().shape(), Qt::PointingHandCursor);
  }

  void HeaderClicksToggleTheSortOrder() {
    TViewFixture f(5);
    f.View->Columns().Column(0)->Order = TZuzOrder::Ascending;
    f.View->OnColumnClick = [&](int column) {
      f.View->Columns().ToggleSort(column);
      f.View->ColumnsChanged();
    };
    f.Paint();
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.View->HeaderRect(0).center());
    QCOMPARE(f.View->Columns().Column(0)->Order, TZuzOrder::Descending);
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.View->HeaderRect(1).center());
    QCOMPARE(f.View->Columns().Column(1)->Order, TZuzOrder::Ascending);
    QCOMPARE(f.View->Columns().Column(0)->Order, TZuzOrder::None);
  }

  void SelectionShrinksWithTheCount() {
    TViewFixture f(10);
    f.View->SetMultiSelect(true);
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.CellCentre(1, 0));
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::ControlModifier, f.CellCentre(3, 0));
    QVERIFY(f.View->IsSelected(1) && f.View->IsSelected(3));
    QCOMPARE(f.View->Focused(), 3);
    f.View->SetCount(2);
    QVERIFY(f.View->IsSelected(1));
    QVERIFY(!f.View->IsSelected(3));
    QCOMPARE(f.View->State().SelectedCount(), int64_t(1));
    QCOMPARE(f.View->Focused(), 1);
    f.Paint();
    QVERIFY(std::all_of(f.Asked.begin(), f.Asked.end(), [](int r) { return r < 2; }));
  }

  void ClickBelowTheLastRowClearsTheFocus() {
    TViewFixture f(3);
    std::vector<int> selects;
    f.View->OnSelect = [&](int index) { selects.push_back(index); };
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.CellCentre(1, 0));
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.CellCentre(2, 0) + QPoint(0, 60));
    QCOMPARE(f.View->Focused(), -1);
    QCOMPARE(selects.back(), -1);
  }

  void TypingFindsRowsAndStartsAgainAfterAPause() {
    TClockScope clock;
    const std::vector<std::string> names = {"apple", "abacus", "banana", "blue", "cherry"};
    TViewFixture f(int(names.size()));
    f.Caption = [&](int i) { return MarkupEscape(names[size_t(i)]); };
    f.View->setFocus();
    QTest::keyClicks(f.View.get(), "ab");
    QCOMPARE(f.View->Focused(), 1);
    QCOMPARE(f.View->SearchText(), std::string("ab"));
    clock.Clock.Advance(2000);
    QTest::keyClicks(f.View.get(), "b");
    QCOMPARE(f.View->Focused(), 2);
    QCOMPARE(f.View->State().SelectedCount(), int64_t(1));
    // The owner's search wins when given.
    f.View->OnFind = [](const std::string& text, int& index) {
      index = text == "z" ? 4 : index;
      return text == "z";
    };
    clock.Clock.Advance(2000);
    QTest::keyClicks(f.View.get(), "z");
    QCOMPARE(f.View->Focused(), 4);
  }

  void BarDarkensTheLeftPartOfTheRow() {
    TViewFixture f(3);
    f.View->SetViewColor(Qt::white);
    f.Caption = [](int) { return std::string(); };
    f.Extra = [](int index, TZuzItem& item) {
      item.Captions[1].clear();
      if (index == 1) item.Bar = 0.5;
    };
    const QImage image = f.Port()->grab().toImage();
    const QRect row = f.View->RowRect(1);
    const int width = f.View->Columns().VisibleWidth() + f.View->horizontalScrollBar()->maximum();
    const int span = std::max(width, f.Port()->width());
    const QColor left = image.pixelColor(span / 4, row.center().y());
    const QColor right = image.pixelColor(span * 3 / 4, row.center().y());
    QCOMPARE(left, QColor(230, 230, 230));  // 255 × 0.95 twice, rounded each time
    QCOMPARE(right, QColor(Qt::white));
  }

  void ClippedCellsShowTheirFullTextInAHint() {
    TViewFixture f(3);
    const std::string longText = "a rather long caption that cannot fit in the narrow column";
    f.Caption = [&](int i) { return i == 1 ? longText : std::string("short"); };
    f.View->SetHintDelay(0);
    f.Paint();
    MoveMouse(f.Port(), f.CellCentre(1, 0));
    QTRY_COMPARE(f.View->HintMarkup(), longText);
    MoveMouse(f.Port(), f.CellCentre(2, 0));
    QTest::qWait(20);
    QCOMPARE(f.View->HintMarkup(), std::string());
    // No hint where the column says so.
    f.View->Columns().Column(0)->Hint = false;
    MoveMouse(f.Port(), f.CellCentre(1, 0));
    QTest::qWait(20);
    QCOMPARE(f.View->HintMarkup(), std::string());
  }

  void FewRowsGrowUpToRowHeightMax() {
    TViewFixture f(3, QSize(320, 420));
    f.View->SetRowHeightMax(27);
    QCOMPARE(f.View->RowHeightInForce(), 27);
    f.View->SetCount(300);
    QVERIFY(f.View->RowHeightInForce() < 27);
  }

  void DraggingADividerResizesAndDoubleClickAutoSizes() {
    TViewFixture f(4);
    std::vector<int> resized;
    f.View->OnColumnResize = [&](int column) { resized.push_back(column); };
    const QRect header = f.View->HeaderRect(0);
    const QPoint divider(header.right() + 1, header.center().y());
    QTest::mousePress(f.Port(), Qt::LeftButton, Qt::NoModifier, divider);
    MoveMouse(f.Port(), divider + QPoint(30, 0), Qt::LeftButton);
    QTest::mouseRelease(f.Port(), Qt::LeftButton, Qt::NoModifier, divider + QPoint(30, 0));
    QCOMPARE(f.View->Columns().Column(0)->Width, 180);
    QVERIFY(!resized.empty() && resized.back() == 0);
    const QPoint newDivider(f.View->HeaderRect(0).right() + 1, header.center().y());
    QTest::mouseDClick(f.Port(), Qt::LeftButton, Qt::NoModifier, newDivider);
    // The caption as rendered (word by word, so a pixel of rounding either way) plus 9.
    const int widest = QFontMetrics(f.View->font()).horizontalAdvance(QStringLiteral("Row 3"));
    QVERIFY(std::abs(f.View->Columns().Column(0)->Width - (widest + 9)) <= 1);
  }

  void ImageAndStateClicksReachTheOwner() {
    TZuzImageList images(QSize(16, 16));
    images.Add(Swatch(Qt::red, 16));
    TZuzImageList states(QSize(12, 12));
    states.Add(Swatch(Qt::green, 12));
    TViewFixture f(4);
    f.View->SetImages(&images);
    f.View->SetStates(&states);
    f.Extra = [](int, TZuzItem& item) { item.Image = 0; };
    f.Paint();
    std::vector<std::string> log;
    f.View->OnImageClick = [&](int i) { log.push_back("image " + std::to_string(i)); };
    f.View->OnStateClick = [&](int i) { log.push_back("state " + std::to_string(i)); };
    f.View->OnImageDblClick = [&](int i) { log.push_back("image2 " + std::to_string(i)); };
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.View->ImageRect(2).center());
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.View->StateImageRect(1).center());
    QTest::mouseDClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.View->ImageRect(3).center());
    f.View->setFocus();
    QTest::keyClick(f.View.get(), Qt::Key_Space);
    QCOMPARE(log, std::vector<std::string>({"image 2", "state 1", "image2 3", "state 1"}));
    QVERIFY(f.View->ImageRect(0).left() >= f.View->StateImageRect(0).right() + 3);
  }

  void OwnerErrorsShowInTheRowInsteadOfEscaping() {
    TViewFixture f(3);
    f.Extra = [](int index, TZuzItem&) {
      if (index == 1) throw std::runtime_error("(TUser.Data): broken");
    };
    f.Paint();  // must not throw through Qt
    QVERIFY(f.View->isVisible());
    const TZuzItem& item = f.View->ItemAt(1);
    QVERIFY(f.View->ItemFailed());
    QCOMPARE(item.Caption(0), std::string("(TUser.Data): broken"));
    // Hints, searches and clicks reach the same row safely.
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.CellCentre(1, 0));
    QCOMPARE(f.View->Focused(), 1);
    f.View->ItemAt(0);
    QVERIFY(!f.View->ItemFailed());
  }

  void CtrlWheelChangesTheFontSizeNotBelowFive() {
    TViewFixture f(50);
    const int size = f.View->font().pointSize();
    QWheelEvent forward(QPointF(20, 40), QPointF(f.Port()->mapToGlobal(QPoint(20, 40))), QPoint(),
                        QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                        false);
    QApplication::sendEvent(f.Port(), &forward);
    QCOMPARE(f.View->font().pointSize(), size - 1);
    for (int i = 0; i < 20; ++i) QApplication::sendEvent(f.Port(), &forward);
    QCOMPARE(f.View->font().pointSize(), 5);
    QWheelEvent down(QPointF(20, 40), QPointF(f.Port()->mapToGlobal(QPoint(20, 40))), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.Port(), &down);
    QCOMPARE(f.View->TopRow(), QApplication::wheelScrollLines());
  }

  void DroppedFilesReachTheOwnerOnlyWhenAccepted() {
    TViewFixture f(3);
    std::vector<std::string> dropped;
    f.View->OnDropFiles = [&](const std::vector<std::string>& files) { dropped = files; };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/var/log/squid/access.log")),
                  QUrl(QStringLiteral("https://example.com/x"))});
    auto drop = [&] {
      QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(f.Port(), &enter);
      QDropEvent event(QPointF(20, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(f.Port(), &event);
    };
    drop();
    QVERIFY(dropped.empty());
    f.View->SetAcceptFiles(true);
    drop();
    QCOMPARE(dropped, std::vector<std::string>({"/var/log/squid/access.log"}));
  }

  void PressingOnAMultiSelectionStartsADragWithoutChangingIt() {
    TViewFixture f(6);
    f.View->SetMultiSelect(true);
    f.View->SetAutoDrag(true);
    int drags = 0;
    f.View->OnStartDrag = [&] { ++drags; };
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, f.CellCentre(1, 0));
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::ShiftModifier, f.CellCentre(3, 0));
    const QPoint start = f.CellCentre(2, 0);
    QTest::mousePress(f.Port(), Qt::LeftButton, Qt::NoModifier, start);
    MoveMouse(f.Port(), start + QPoint(0, 40), Qt::LeftButton);
    QTest::mouseRelease(f.Port(), Qt::LeftButton, Qt::NoModifier, start + QPoint(0, 40));
    QCOMPARE(drags, 1);
    QCOMPARE(f.View->State().SelectedCount(), int64_t(3));
    // Without a move the release is an ordinary click.
    QTest::mouseClick(f.Port(), Qt::LeftButton, Qt::NoModifier, start);
    QCOMPARE(f.View->State().SelectedCount(), int64_t(1));
  }

  void EnteringTheViewFocusesTheFirstRow() {
    TViewFixture f(3);
    f.View->SetCount(0);  // whatever showing the window did, no row is focused now
    f.View->SetCount(3);
    QVERIFY(f.View->Focused() < 0);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(f.View.get(), &in);
    QCOMPARE(f.View->Focused(), 0);
    QVERIFY(f.View->IsSelected(0));
  }
};

WIDGET_TEST(ZuzViewTest)
#include "ZuzViewTest.moc"
