#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Settings.h"

namespace {

class TFakeWindow : public TLayoutWindow {
 public:
  TScreenArea NormalBounds() const override { return Bounds; }
  void SetNormalBounds(const TScreenArea& bounds) override {
    Bounds = bounds;
    ++Moves;
  }
  bool IsMaximised() const override { return Maximised; }
  void SetMaximised(bool maximised) override { Maximised = maximised; }

  TScreenArea Bounds{10, 20, 300, 200};
  bool Maximised = false;
  int Moves = 0;
};

struct TFakeColumn {
  std::string Caption;
  int32_t Width = 50;
  int Order = 0;
};

class TFakeListView : public TLayoutListView {
 public:
  explicit TFakeListView(std::vector<TFakeColumn> columns) : Columns(std::move(columns)) {}
  int ColumnCount() const override { return int(Columns.size()); }
  std::string ColumnCaption(int column) const override { return Columns[size_t(column)].Caption; }
  int32_t ColumnWidth(int column) const override { return Columns[size_t(column)].Width; }
  void SetColumnWidth(int column, int32_t width) override { Columns[size_t(column)].Width = width; }
  int ColumnSortOrder(int column) const override { return Columns[size_t(column)].Order; }
  void SetColumnSortOrder(int column, int order) override { Columns[size_t(column)].Order = order; }

  std::vector<int32_t> Widths() const {
    std::vector<int32_t> widths;
    for (const auto& c : Columns) widths.push_back(c.Width);
    return widths;
  }

  std::vector<TFakeColumn> Columns;
};

class SettingsLayout : public testing::Test {
 protected:
  void SetUp() override { SetDesktopArea({0, 0, 1920, 1080}); }
  void TearDown() override { SetDesktopArea({0, 0, 1024, 768}); }
};

struct TPlacementCase {
  TScreenArea Desktop;
  TScreenArea Stored;
  TScreenArea Restored;
};

TEST_F(SettingsLayout, RestorePositionKeepsTheWindowOnTheDesktop) {
  const TPlacementCase kCases[] = {
      // Inside: unchanged.
      {{0, 0, 1920, 1080}, {100, 50, 400, 300}, {100, 50, 400, 300}},
      // Left of the desktop: to its left edge.
      {{0, 0, 1920, 1080}, {-2000, 50, 400, 300}, {0, 50, 400, 300}},
      // Past the right edge: moved left to end there; the same downwards.
      {{0, 0, 1920, 1080}, {1800, 900, 400, 300}, {1520, 780, 400, 300}},
      // Wider than the desktop: its left edge stays on it.
      {{0, 0, 1920, 1080}, {100, 0, 2500, 300}, {0, 0, 2500, 300}},
      // A second monitor left of the first: the desktop's right edge is 1920,
      // not its width.
      {{-1920, 0, 3840, 1080}, {1800, 0, 400, 300}, {1520, 0, 400, 300}},
      {{-1920, 0, 3840, 1080}, {-1900, 0, 400, 300}, {-1900, 0, 400, 300}},
      // Damaged values do not overflow.
      {{0, 0, 1920, 1080}, {2147483000, 0, 2147483000, 10}, {0, 0, 2147483000, 10}},
  };
  for (const TPlacementCase& c : kCases) {
    SetDesktopArea(c.Desktop);
    auto settings = AdvNew<TSettings>();
    TVexaPosition* stored = settings->PositionByName("Configuration");
    stored->Left = c.Stored.Left;
    stored->Top = c.Stored.Top;
    stored->Width = c.Stored.Width;
    stored->Height = c.Stored.Height;
    TFakeWindow window;
    settings->RestorePosition(window, "CONFIGURATION");
    EXPECT_EQ(window.Bounds, c.Restored) << c.Stored.Left << "," << c.Stored.Top;
    EXPECT_EQ(stored->Left, c.Restored.Left);  // written back
    EXPECT_FALSE(window.Maximised);
  }
}

TEST_F(SettingsLayout, UnknownNameLeavesTheWindowAsDesigned) {
  auto settings = AdvNew<TSettings>();
  TFakeWindow window;
  settings->RestorePosition(window, "Summary");
  EXPECT_EQ(window.Moves, 0);
  EXPECT_EQ(settings->Positions().Find("Summary"), nullptr);
}

TEST_F(SettingsLayout, MaximisedWindowKeepsItsNormalBounds) {
  auto settings = AdvNew<TSettings>();
  TFakeWindow window;
  window.Bounds = {100, 100, 500, 400};
  settings->StorePosition(window, "Summary");
  window.Maximised = true;
  window.Bounds = {0, 0, 1920, 1080};
  settings->StorePosition(window, "Summary");
  const TVexaPosition* stored = settings->Positions().Find("Summary");
  EXPECT_TRUE(stored->Maximised);
  EXPECT_EQ(stored->Left, 100);
  EXPECT_EQ(stored->Width, 500);

  TFakeWindow reopened;
  settings->RestorePosition(reopened, "Summary");
  EXPECT_TRUE(reopened.Maximised);
  EXPECT_EQ(reopened.Bounds, (TScreenArea{100, 100, 500, 400}));
}

TEST_F(SettingsLayout, StoreGridRecordsWidthsAndTheSortColumn) {
  auto settings = AdvNew<TSettings>();
  TFakeListView view({{"User", 120, 0}, {"Hits", 60, 1}, {"Size (KB)", 80, -1}});
  settings->StoreGrid(view, "Summary.Users");
  const TVexaColumns& columns = settings->Grids().Find("summary.users")->Columns();
  ASSERT_EQ(columns.Count(), 3);
  EXPECT_EQ(columns.GetColumn(2)->Width, 80);
  EXPECT_EQ(columns.Sorted, "Size (KB)");  // the last column with an order
  EXPECT_EQ(columns.Direction, -1);

  // No sort order: the first column, unsorted. Captions match ignoring case.
  TFakeListView plain({{"user", 99, 0}, {"Hits", 61, 0}});
  settings->StoreGrid(plain, "Summary.Users");
  EXPECT_EQ(columns.Count(), 3);
  EXPECT_EQ(columns.GetColumn(0)->Width, 99);
  EXPECT_EQ(columns.Sorted, "user");
  EXPECT_EQ(columns.Direction, 0);
}

TEST_F(SettingsLayout, RestoreGridMatchesCaptionsWhoseUnitChanged) {
  auto settings = AdvNew<TSettings>();
  TVexaColumns& columns = settings->GridByName("Summary.Sites")->Columns();
  columns.ByName("Site")->Width = 200;
  columns.ByName("Size (KB)")->Width = 90;
  columns.ByName("Gone")->Width = 10;
  columns.ByName("Elapsed (H:M:S)")->Width = 70;
  columns.Sorted = "Size (KB)";
  columns.Direction = -1;

  TFakeListView view({{"Site"}, {"Size (MB)"}, {"Elapsed (H:M:S)"}, {"Elapsed (Hrs)"}});
  settings->RestoreGrid(view, "Summary.Sites");
  // Size (MB) takes the width of Size (KB); the whole caption beats the first
  // word; the column that no longer exists changes nothing.
  EXPECT_EQ(view.Widths(), (std::vector<int32_t>{200, 90, 70, 50}));
  EXPECT_EQ(view.Columns[1].Order, -1);
  EXPECT_EQ(view.Columns[0].Order, 0);

  // A sort column that matches nothing falls back on the first column.
  columns.Sorted = "Nothing";
  columns.Direction = 5;
  TFakeListView other({{"Site"}, {"Hits"}});
  settings->RestoreGrid(other, "Summary.Sites");
  EXPECT_EQ(other.Columns[0].Order, 1);

  TFakeListView untouched({{"Site"}});
  settings->RestoreGrid(untouched, "No.Such.Grid");
  EXPECT_EQ(untouched.Widths(), std::vector<int32_t>{50});
}

TEST_F(SettingsLayout, GroupCollapsedIsTheOppositeOfExpanded) {
  auto settings = AdvNew<TSettings>();
  settings->StoreGroupCollapsed("Gaming", false);
  EXPECT_TRUE(settings->Alerts().Find("gaming")->GuideHidden);
  settings->StoreGroupCollapsed("GAMING", true);
  EXPECT_FALSE(settings->Alerts().Find("Gaming")->GuideHidden);
  EXPECT_EQ(settings->Alerts().Count(), 1);
  EXPECT_EQ(TSettings::DockByName("Configuration.Inputs", settings->Docks())->Name(),
            "Configuration.Inputs");
}

}  // namespace
