// The list view's rules without a display: selection by clicks and keys,
// shrinking the row count, paging, type-ahead and the layout arithmetic.
#include <QtTest>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "ui/widgets/ZuzViewState.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

std::vector<int> Selected(const TZuzViewState& state) {
  std::vector<int> rows;
  for (int i = 0; i < state.Selection().Count(); ++i)
    for (int r = state.Selection().GetRange(i).Low; r <= state.Selection().GetRange(i).High; ++r)
      rows.push_back(r);
  return rows;
}

struct TEvents {
  std::vector<std::string> Log;
  void Attach(TZuzViewState& state) {
    state.OnSelect = [this](int i) { Log.push_back("+" + std::to_string(i)); };
    state.OnDeselect = [this](int i) { Log.push_back("-" + std::to_string(i)); };
  }
};

// Installs a manual clock for the life of a test.
struct TClockScope {
  platform::TManualClock Clock{0, 5000};
  TClockScope() { platform::SetCurrentClock(&Clock); }
  ~TClockScope() { platform::SetCurrentClock(nullptr); }
};

}  // namespace

class ZuzViewStateTest : public QObject {
  Q_OBJECT

 private slots:
  void ShrinkingTheCountDropsSelectedRowsBeyondIt() {
    TZuzViewState state;
    state.MultiSelect = true;
    state.SetCount(5);
    state.Select(1);
    state.Select(3);
    state.SetFocused(3);
    state.SetCount(2);
    QCOMPARE(Selected(state), std::vector<int>({1}));
    QCOMPARE(state.Focused(), 1);
    state.SetCount(0);
    QCOMPARE(state.Focused(), -1);
    QVERIFY(Selected(state).empty());
  }

  void PlainClickReplacesTheSelectionAndBelowTheRowsClearsTheFocus() {
    TZuzViewState state;
    TEvents events;
    events.Attach(state);
    state.MultiSelect = true;
    state.SetCount(10);
    state.Click(2, false, false);
    state.Click(4, false, false);
    QCOMPARE(Selected(state), std::vector<int>({4}));
    QCOMPARE(state.Focused(), 4);
    state.Click(-1, false, false);
    QCOMPARE(state.Focused(), -1);
    QVERIFY(Selected(state).empty());
    QCOMPARE(events.Log, std::vector<std::string>({"+2", "+4", "-4", "+-1"}));
  }

  void ShiftSelectsFromTheAnchorAndCtrlTogglesAndAdds() {
    TZuzViewState state;
    state.MultiSelect = true;
    state.SetCount(20);
    state.Click(3, false, false);
    state.Click(6, true, false);
    QCOMPARE(Selected(state), std::vector<int>({3, 4, 5, 6}));
    state.Click(1, true, false);  // same anchor, replaces
    QCOMPARE(Selected(state), std::vector<int>({1, 2, 3}));
    state.Click(10, false, true);  // Ctrl: toggled on, new anchor
    QCOMPARE(state.Anchor(), 10);
    state.Click(12, true, true);  // Ctrl+Shift: added
    QCOMPARE(Selected(state), std::vector<int>({1, 2, 3, 10, 11, 12}));
    state.Click(2, false, true);  // Ctrl on a selected row: off
    QCOMPARE(Selected(state), std::vector<int>({1, 3, 10, 11, 12}));
  }

  void SingleSelectIgnoresShiftAndCtrlKeepsOneRow() {
    TZuzViewState state;
    state.SetCount(10);
    state.Click(3, false, false);
    state.Click(6, true, false);
    QCOMPARE(Selected(state), std::vector<int>({6}));
    state.Click(8, false, true);
    QCOMPARE(Selected(state), std::vector<int>({8}));
    state.Click(8, false, true);
    QVERIFY(Selected(state).empty());
  }

  void AlwaysSelectedKeepsARowSelected() {
    TZuzViewState state;
    state.AlwaysSelected = true;
    state.SetCount(4);
    QCOMPARE(Selected(state), std::vector<int>({0}));
    state.Click(-1, false, false);
    QCOMPARE(Selected(state), std::vector<int>({0}));
    state.Focus(2);
    QCOMPARE(Selected(state), std::vector<int>({2}));
    state.Click(2, false, true);
    QCOMPARE(Selected(state), std::vector<int>({2}));
  }

  void KeysMoveTheFocusAndShiftExtends() {
    TZuzViewState state;
    state.MultiSelect = true;
    state.SetCount(100);
    state.SetPage(10, 11);
    QVERIFY(state.Navigate(TZuzKey::Down, false));
    QCOMPARE(state.Focused(), 0);
    state.Navigate(TZuzKey::Down, false);
    state.Navigate(TZuzKey::Down, true);
    state.Navigate(TZuzKey::Down, true);
    QCOMPARE(Selected(state), std::vector<int>({1, 2, 3}));
    state.Navigate(TZuzKey::End, false);
    QCOMPARE(state.Focused(), 99);
    QCOMPARE(state.TopRow(), 90);
    state.Navigate(TZuzKey::Home, false);
    QCOMPARE(state.Focused(), 0);
    QCOMPARE(state.TopRow(), 0);
    state.Navigate(TZuzKey::Up, false);
    QCOMPARE(state.Focused(), 0);
  }

  void PageKeysStopAtTheVisibleEdgeFirstThenPage() {
    TZuzViewState state;
    state.SetCount(100);
    state.SetPage(10, 11);  // ten whole rows and a part
    state.Focus(3);
    state.Navigate(TZuzKey::PageDown, false);
    QCOMPARE(state.Focused(), 9);  // the last whole row
    QCOMPARE(state.TopRow(), 0);
    state.Navigate(TZuzKey::PageDown, false);
    QCOMPARE(state.Focused(), 18);  // by visible rows less two
    QCOMPARE(state.TopRow(), 9);
    state.Navigate(TZuzKey::PageUp, false);
    QCOMPARE(state.Focused(), 9);  // the first visible row
    state.Navigate(TZuzKey::PageUp, false);
    QCOMPARE(state.Focused(), 0);
    state.Focus(95);
    state.Navigate(TZuzKey::PageDown, false);
    state.Navigate(TZuzKey::PageDown, false);
    QCOMPARE(state.Focused(), 99);  // not past the last row
  }

  void PageKeysMoveInAViewShowingOneOrTwoRows() {
    for (const auto& [full, visible] : {std::pair{1, 1}, std::pair{1, 2}, std::pair{2, 2}}) {
      TZuzViewState state;
      state.SetCount(10);
      state.SetPage(full, visible);
      state.Focus(0);
      state.Navigate(TZuzKey::PageDown, false);
      state.Navigate(TZuzKey::PageDown, false);
      const int afterTwo = state.Focused();
      QVERIFY2(afterTwo >= 2,
               qPrintable(QString("full %1 visible %2: %3").arg(full).arg(visible).arg(afterTwo)));
      state.Navigate(TZuzKey::PageUp, false);
      state.Navigate(TZuzKey::PageUp, false);
      QVERIFY(state.Focused() < afterTwo);
    }
  }

  void ScrollIntoViewMovesTheLeast() {
    TZuzViewState state;
    state.SetCount(50);
    state.SetPage(10, 11);
    QVERIFY(state.ScrollIntoView(25));
    QCOMPARE(state.TopRow(), 16);
    QVERIFY(!state.ScrollIntoView(20));
    QVERIFY(state.ScrollIntoView(3));
    QCOMPARE(state.TopRow(), 3);
    state.SetCount(5);
    QCOMPARE(state.TopRow(), 0);
  }

  void TypeAheadExtendsQuicklyAndStartsAgainAfterAPause() {
    TClockScope clock;
    const std::vector<std::string> rows = {"apple", "abacus", "banana", "blue"};
    std::vector<std::string> asked;
    auto find = [&](const std::string& text, int& index) {
      asked.push_back(text);
      for (int i = 0; i < int(rows.size()); ++i)
        if (rows[size_t(i)].starts_with(text)) {
          index = i;
          return true;
        }
      return false;
    };
    TZuzTypeAhead typeAhead;
    int index = -1;
    QVERIFY(typeAhead.Type("a", find, index));
    clock.Clock.Advance(300);
    QVERIFY(typeAhead.Type("b", find, index));
    QCOMPARE(index, 1);  // "ab"
    clock.Clock.Advance(2000);
    QVERIFY(typeAhead.Type("b", find, index));
    QCOMPARE(index, 2);  // "b" alone after the pause
    clock.Clock.Advance(100);
    QVERIFY(typeAhead.Type("l", find, index));
    QCOMPARE(index, 3);  // "bl"
    clock.Clock.Advance(100);
    QVERIFY(typeAhead.Type("a", find, index));  // "bla" fails, "a" alone matches
    QCOMPARE(index, 0);
    QCOMPARE(typeAhead.Text(), std::string("a"));
    QCOMPARE(asked, std::vector<std::string>({"a", "ab", "b", "bl", "bla", "a"}));
  }

  void TypeAheadSurvivesTheTickWrapping() {
    TClockScope clock;
    clock.Clock.SetTickCount(0xFFFFFF00u);
    TZuzTypeAhead typeAhead;
    int index = 0;
    auto any = [](const std::string&, int&) { return true; };
    typeAhead.Type("x", any, index);
    clock.Clock.Advance(0x200);  // wraps, 512 ms later
    typeAhead.Type("y", any, index);
    QCOMPARE(typeAhead.Text(), std::string("xy"));
  }

  void RowsGrowToFillWhenAllFit() {
    // Text 15 high, no images: rows of 17.
    QCOMPARE(zuzlayout::RowHeight(15, 0, 0, 0), 17);
    QCOMPARE(zuzlayout::RowHeight(15, 24, 0, 0), 26);
    QCOMPARE(zuzlayout::RowHeight(15, 0, 16, 20), 22);
    // Three rows in an area that shows twenty: 27 with RowHeightMax 27 ...
    QCOMPARE(zuzlayout::FillRowHeight(17, 340, 3, 27), 27);
    // ... or less when the area divided by three is smaller.
    QCOMPARE(zuzlayout::FillRowHeight(17, 60, 3, 27), 20);
    QCOMPARE(zuzlayout::FillRowHeight(17, 340, 3, 0), 17);
    QCOMPARE(zuzlayout::FillRowHeight(17, 340, 30, 27), 17);
    QCOMPARE(zuzlayout::VisibleRows(340, 17), 21);
    QCOMPARE(zuzlayout::FullRows(10, 17), 1);
    QCOMPARE(zuzlayout::BarWidth(201, 0.5), 100);                // ties to even
    QCOMPARE(zuzlayout::WrappedCaptionWidth(300, 34, 17), 165);  // (300 / 2) × 1.1
  }
};

WIDGET_TEST(ZuzViewStateTest)
#include "ZuzViewStateTest.moc"
