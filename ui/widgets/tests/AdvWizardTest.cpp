// The wizard: page order, handlers, Finish and Cancel, driven by clicks.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "core/AdvObjects.h"
#include "ui/widgets/AdvWizard.h"
#include "ui/widgets/HTMLLabel.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

// A dialog with a wizard of three inner pages chained both ways, and a log
// of every handler that ran.
struct TWizardFixture {
  std::unique_ptr<QDialog> Form = std::make_unique<QDialog>();
  TAdvWizard* Wizard = new TAdvWizard(Form.get());
  TAdvTabSheet* Pages[3];
  std::vector<std::string> Log;

  TWizardFixture() {
    for (int i = 0; i < 3; ++i)
      Pages[i] = Wizard->AddPage("Page" + std::to_string(i + 1), "Caption " + std::to_string(i + 1),
                                 "Text " + std::to_string(i + 1));
    Wizard->FirstPageNext = Pages[0];
    Pages[0]->NextPage = Pages[1];
    Pages[1]->NextPage = Pages[2];
    Pages[2]->NextPage = Wizard->LastPage();
    Pages[1]->BackPage = Pages[0];
    Pages[2]->BackPage = Pages[1];
    Wizard->LastPageBack = Pages[2];
    for (TAdvTabSheet* page : Pages) {
      page->OnPageOpen = [this, page](TAdvTabSheet* previous) {
        Log.push_back("open " + page->Name() + " from " + (previous ? previous->Name() : "-"));
      };
      page->OnPageClose = [this](TAdvTabSheet* sender) {
        Log.push_back("close " + sender->Name());
      };
    }
    Wizard->OnLastPageClose = [this](TAdvTabSheet*) { Log.push_back("close LastPage"); };
    Form->show();
  }
  void Next() { QTest::mouseClick(Wizard->NextButton(), Qt::LeftButton); }
  void Back() { QTest::mouseClick(Wizard->BackButton(), Qt::LeftButton); }
  void Cancel() { QTest::mouseClick(Wizard->CancelButton(), Qt::LeftButton); }
  std::string HeaderCaption() const {
    // The header's caption is the first bold plain label that shows a page caption.
    for (QLabel* label : Wizard->findChildren<QLabel*>())
      if (label->isVisible() && label->text().startsWith(QStringLiteral("Caption")))
        return label->text().toStdString();
    return {};
  }
};

}  // namespace

class AdvWizardTest : public QObject {
  Q_OBJECT

 private slots:
  void MakesItsFormAFixedDialogAndRefusesAnythingElse() {
    QDialog form;
    TAdvWizard wizard(&form);
    QCOMPARE(form.size(), QSize(503, 386));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QWidget notAForm;
    QVERIFY_THROWS_EXCEPTION(EAdvanced, TAdvWizard{&notAForm});
    try {
      TAdvWizard orphan(nullptr);
      QFAIL("no error");
    } catch (const EAdvanced& e) {
      QCOMPARE(std::string(e.what()),
               std::string("how did you do that - the component must be dropped on a form"));
    }
  }

  void NextAndBackWalkThePagesWithTheirHandlers() {
    TWizardFixture f;
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("FirstPage"));
    QVERIFY(!f.Wizard->BackButton()->isEnabled());
    QCOMPARE(f.Wizard->NextButton()->text(), QStringLiteral("Next >"));
    QVERIFY(f.Wizard->NextButton()->isDefault());
    f.Next();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("Page1"));
    QCOMPARE(f.HeaderCaption(), std::string("Caption 1"));
    QVERIFY(f.Wizard->BackButton()->isEnabled());
    f.Next();
    f.Back();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("Page1"));
    f.Next();
    f.Next();
    f.Next();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("LastPage"));
    QCOMPARE(f.Wizard->NextButton()->text(), QStringLiteral("Finish"));
    QCOMPARE(f.Log,
             std::vector<std::string>(
                 {"open Page1 from FirstPage", "close Page1", "open Page2 from Page1",
                  "close Page2", "open Page1 from Page2", "close Page1", "open Page2 from Page1",
                  "close Page2", "open Page3 from Page2", "close Page3"}));
    f.Back();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("Page3"));
  }

  void OuterPagesShowTheirInstructions() {
    TWizardFixture f;
    auto shows = [&](const char* text) {
      for (THTMLLabel* label : f.Wizard->findChildren<THTMLLabel*>())
        if (label->isVisible() && label->Caption() == text) return true;
      return false;
    };
    QVERIFY(shows("To continue, click Next."));
    f.Wizard->ShowLastPage();
    QVERIFY(shows("To close the wizard, click Finish."));
    QVERIFY(!shows("To continue, click Next."));
  }

  void APageWithoutHandlerOrTargetStays() {
    TWizardFixture f;
    f.Wizard->ShowPage(f.Pages[1]);
    f.Pages[1]->NextPage = nullptr;
    f.Log.clear();
    f.Next();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("Page2"));
    QVERIFY(f.Log.empty());
    // A handler decides instead of NextPage.
    f.Pages[1]->OnNextClick = [&](TAdvTabSheet*) { f.Wizard->ShowPage("LastPage"); };
    f.Next();
    QCOMPARE(f.Wizard->CurrentPageName(), std::string("LastPage"));
    QVERIFY(!f.Wizard->ShowPage("NoSuchPage"));
  }

  void FinishClosesWithOkAfterTheLastPageCloses() {
    TWizardFixture f;
    f.Wizard->ShowLastPage();
    f.Log.clear();
    f.Next();
    QCOMPARE(f.Log, std::vector<std::string>({"close LastPage"}));
    QCOMPARE(f.Form->result(), int(QDialog::Accepted));
    QVERIFY(!f.Form->isVisible());
  }

  void FinishHandlerReplacesTheDefault() {
    TWizardFixture f;
    int finished = 0;
    f.Wizard->OnFinishClick = [&](TAdvWizard*) { ++finished; };
    f.Wizard->ShowLastPage();
    f.Log.clear();
    f.Next();
    QCOMPARE(finished, 1);
    QVERIFY(f.Log.empty());
    QVERIFY(f.Form->isVisible());
  }

  void CancelClosesWithoutClosingThePage() {
    TWizardFixture f;
    f.Next();
    f.Log.clear();
    f.Cancel();
    QCOMPARE(f.Form->result(), int(QDialog::Rejected));
    QVERIFY(!f.Form->isVisible());
    QVERIFY(f.Log.empty());
  }

  void EscapeAndCancelHandlerGoThroughOnCancelClick() {
    TWizardFixture f;
    int cancels = 0;
    f.Wizard->OnCancelClick = [&](TAdvWizard*) { ++cancels; };
    f.Cancel();
    QTest::keyClick(f.Form.get(), Qt::Key_Escape);
    QCOMPARE(cancels, 2);
    QVERIFY(f.Form->isVisible());
    f.Wizard->EnableCancel(false);
    QTest::keyClick(f.Form.get(), Qt::Key_Escape);
    QCOMPARE(cancels, 2);
  }
};

WIDGET_TEST(AdvWizardTest)
#include "AdvWizardTest.moc"
