// The mark-up label: styles, literal "<", ellipsis, escaped text, links.
#include <QtTest>
#include <memory>

#include "ui/widgets/HTMLLabel.h"
#include "ui/widgets/Markup.h"
#include "ui/widgets/tests/ViewFixture.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

std::unique_ptr<THTMLLabel> ShowLabel(const std::string& caption, QSize size, bool wrap = false) {
  auto label = std::make_unique<THTMLLabel>(caption, nullptr);
  label->SetWordWrap(wrap);
  label->resize(size);
  label->show();
  if (!QTest::qWaitForWindowExposed(label.get())) return nullptr;
  label->repaint();
  return label;
}

}  // namespace

class HTMLLabelTest : public QObject {
  Q_OBJECT

 private slots:
  void WideCaptionWithoutWordWrapEndsInEllipsis() {
    auto label = ShowLabel("A caption far too wide for a label this narrow", QSize(90, 20));
    QVERIFY(label);
    QVERIFY(label->Truncated());
    auto roomy = ShowLabel("Fits", QSize(200, 20));
    QVERIFY(!roomy->Truncated());
  }

  void EscapedDataShowsAsItWas() {
    const std::string data = "Tom & Jerry <tom@example.com>";
    auto label = ShowLabel("User: <b>" + MarkupEscape(data) + "</b>", QSize(400, 20));
    // The plain text the label shows, read back through the label dialect.
    QCOMPARE(MarkupPlainText(label->Caption(), TMarkupDialect::Label), "User: " + data);
    QVERIFY(label->LinkRegions().empty());
  }

  void ClickingALinkReportsItsNameAndElsewhereIsAPlainClick() {
    auto label = ShowLabel("Read the <a guide>guide</a> or <a faq>questions</a>.", QSize(400, 20));
    std::vector<std::string> links;
    int clicks = 0;
    label->OnHyperLink = [&](THTMLLabel*, const std::string& name) { links.push_back(name); };
    label->OnClick = [&](THTMLLabel*) { ++clicks; };
    QCOMPARE(label->LinkRegions().size(), size_t(2));
    const QRect faq = label->LinkRegions()[1].Rect;
    MoveMouse(label.get(), faq.center());
    QCOMPARE(label->HoverLink(), std::string("faq"));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(label.get(), Qt::LeftButton, Qt::NoModifier, faq.center());
    QCOMPARE(links, std::vector<std::string>({"faq"}));
    QTest::mouseClick(label.get(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QCOMPARE(clicks, 1);
    MoveMouse(label.get(), QPoint(2, 2));
    QCOMPARE(label->HoverLink(), std::string());
    QVERIFY(label->cursor().shape() != Qt::PointingHandCursor);
  }

  void WordWrapAsksForTheHeightItsWidthNeeds() {
    THTMLLabel label("one two three four five six seven eight nine ten", nullptr);
    label.SetWordWrap(true);
    QVERIFY(label.hasHeightForWidth());
    const int narrow = label.heightForWidth(60);
    const int wide = label.heightForWidth(600);
    QVERIFY(narrow > wide);
    QCOMPARE(wide, QFontMetrics(label.font()).height());
  }
};

WIDGET_TEST(HTMLLabelTest)
#include "HTMLLabelTest.moc"
