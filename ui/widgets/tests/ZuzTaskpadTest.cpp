// The task pad and the side bar, driven by clicks.
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "ui/widgets/ZuzSideBar.h"
#include "ui/widgets/ZuzTaskpad.h"
#include "ui/widgets/tests/ViewFixture.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

struct TPadFixture {
  std::unique_ptr<TZuzTaskpad> Pad = std::make_unique<TZuzTaskpad>();
  TZuzGroup* Tasks;
  TZuzGroup* Other;
  std::vector<std::string> Log;

  TPadFixture() {
    Tasks = Pad->AddGroup("Trigger Tasks", "Triggers raise alerts. <a help>Tell me more</a>");
    auto log = [this](TZuzAction* a) { Log.push_back(a->Name); };
    Tasks->AddAction("New trigger", log);
    Tasks->AddAction("Delete trigger", log)->Enabled = false;
    Tasks->AddAction("Hidden", log)->Visible = false;
    Other = Pad->AddGroup("Other Places");
    Other->AddAction("new TRIGGER", log);
    Pad->OnLink = [this](const std::string& name) { Log.push_back("link " + name); };
    Pad->Changed();
    Pad->resize(200, 400);
    Pad->show();
    QVERIFY(QTest::qWaitForWindowExposed(Pad.get()));
  }
  void Click(const QRect& rect) {
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(Pad->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  }
};

}  // namespace

class ZuzTaskpadTest : public QObject {
  Q_OBJECT

 private slots:
  void ClickingAnEnabledActionRunsItAndADisabledOneDoesNothing() {
    TPadFixture f;
    f.Click(f.Pad->ActionRect(f.Tasks->Action(0)));
    f.Click(f.Pad->ActionRect(f.Tasks->Action(1)));
    QCOMPARE(f.Log, std::vector<std::string>({"New trigger"}));
    QVERIFY(!f.Pad->RunAction(f.Tasks->Action(1)));
    // A disabled group disables its actions too.
    f.Tasks->Enabled = false;
    f.Pad->Changed();
    f.Click(f.Pad->ActionRect(f.Tasks->Action(0)));
    QVERIFY(!f.Pad->RunAction(f.Tasks->Action(0)));
    QCOMPARE(f.Log.size(), size_t(1));
  }

  void PressAndReleaseMustHitTheSameElement() {
    TPadFixture f;
    QTest::mousePress(f.Pad->viewport(), Qt::LeftButton, Qt::NoModifier,
                      f.Pad->ActionRect(f.Tasks->Action(0)).center());
    QTest::mouseRelease(f.Pad->viewport(), Qt::LeftButton, Qt::NoModifier,
                        f.Pad->ActionRect(f.Other->Action(0)).center());
    QVERIFY(f.Log.empty());
  }

  void HeaderClickCollapsesAndExpands() {
    TPadFixture f;
    const int expanded = f.Pad->ContentHeight();
    f.Click(f.Pad->HeaderRect(f.Tasks));
    QVERIFY(!f.Tasks->Expanded);
    QVERIFY(f.Pad->ActionRect(f.Tasks->Action(0)).isEmpty());
    QVERIFY(f.Pad->ContentHeight() < expanded);
    f.Click(f.Pad->HeaderRect(f.Tasks));
    QVERIFY(f.Tasks->Expanded);
  }

  void DescriptionLinksReachTheOwner() {
    TPadFixture f;
    f.Click(f.Pad->LinkRect("help"));
    QCOMPARE(f.Log, std::vector<std::string>({"link help"}));
  }

  void FindsTheLastActionByNameAndCountsVisibleOnes() {
    TPadFixture f;
    QCOMPARE(f.Pad->FindAction("NEW TRIGGER"), f.Other->Action(0));
    QCOMPARE(f.Pad->FindAction("none"), nullptr);
    QCOMPARE(f.Pad->VisibleActionCount(), 3);
    f.Other->Visible = false;
    QCOMPARE(f.Pad->VisibleActionCount(), 2);
  }

  void ShortcutRunsTheActionOnlyWhenEnabled() {
    TPadFixture f;
    f.Tasks->Action(0)->Shortcut = QKeySequence(Qt::CTRL | Qt::Key_N);
    f.Pad->Changed();
    f.Pad->activateWindow();
    QTest::keyClick(f.Pad.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f.Log, std::vector<std::string>({"New trigger"}));
    f.Tasks->Action(0)->Enabled = false;
    QTest::keyClick(f.Pad.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f.Log.size(), size_t(1));
  }

  void ScrollBarAppearsWhenTheContentIsTaller() {
    TPadFixture f;
    QCOMPARE(f.Pad->verticalScrollBar()->maximum(), 0);
    for (int i = 0; i < 30; ++i) f.Other->AddAction("More " + std::to_string(i));
    f.Pad->Changed();
    QVERIFY(f.Pad->verticalScrollBar()->maximum() > 0);
  }

  void SideBarActivatesBandsAndReportsButtons() {
    TZuzSideBar bar;
    TZuzSideBarBand& views = bar.AddBand("Views");
    for (const char* name : {"Inputs", "Triggers", "Profiles", "Aliases", "Users", "Sites"})
      views.Buttons.push_back({name, -1, true});
    views.Buttons[1].Enabled = false;
    bar.AddBand("Tools").Buttons.push_back({"Options", -1, true});
    bar.Changed();
    std::vector<std::pair<int, int>> clicks;
    bar.OnButtonClick = [&](int band, int button) { clicks.emplace_back(band, button); };
    bar.resize(64, 260);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.ButtonRect(0).center());
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier,
                      bar.ButtonRect(1).center());  // disabled
    QCOMPARE(clicks, (std::vector<std::pair<int, int>>{{0, 0}}));
    // Not all six fit: the down arrow scrolls by one button.
    QVERIFY(!bar.DownArrowRect().isEmpty());
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.DownArrowRect().center());
    QCOMPARE(bar.FirstButton(), 1);
    QVERIFY(!bar.UpArrowRect().isEmpty());
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.BandRect(1).center());
    QCOMPARE(bar.ActiveBand(), 1);
    QCOMPARE(bar.FirstButton(), 0);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.ButtonRect(0).center());
    QCOMPARE(clicks.back(), std::make_pair(1, 0));
    QVERIFY(bar.BandRect(0).top() == 0 && bar.BandRect(1).top() > 0);
  }
};

WIDGET_TEST(ZuzTaskpadTest)
#include "ZuzTaskpadTest.moc"
