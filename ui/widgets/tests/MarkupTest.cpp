// Mark-up: escaping, the two dialects' parsing, layout (wrap, cut, ellipsis)
// and the byte-to-text rule at the edge.
#include <QtTest>
#include <string>
#include <vector>

#include "ui/widgets/Markup.h"
#include "ui/widgets/MarkupRenderer.h"
#include "ui/widgets/UiText.h"
#include "ui/widgets/ZuzLook.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

// A run written as "b:text", "i:text", "bi:text", "a0:text" (link 0), "|" for a break.
std::string Describe(const TMarkupParse& parse) {
  std::string out;
  for (const TMarkupRun& run : parse.Runs) {
    if (!out.empty()) out += ' ';
    if (run.Kind == TMarkupRun::TKind::Break) {
      out += '|';
      continue;
    }
    std::string style = std::string(run.Bold ? "b" : "") + (run.Italic ? "i" : "");
    if (run.Link >= 0) style += "a" + std::to_string(run.Link);
    out += (style.empty() ? "" : style + ":") + "[" + run.Text + "]";
  }
  return out;
}

std::string LineText(const TMarkupLayout& layout, int line) {
  QString text;
  for (const TMarkupPiece& piece : layout.Pieces)
    if (piece.Line == line) text += piece.Text;
  return FromQString(text);
}

}  // namespace

class MarkupTest : public QObject {
  Q_OBJECT

 private slots:
  void EscapeAndUnescapeRoundTrip() {
    const std::vector<std::string> texts = {"",         "plain",       "a < b > c & d", "&amp;",
                                            "<b>x</b>", "&lt;&gt;&&;", "\xE9t\xE9"};
    for (const std::string& text : texts) {
      const std::string escaped = MarkupEscape(text);
      QVERIFY2(escaped.find('<') == std::string::npos && escaped.find('>') == std::string::npos,
               escaped.c_str());
      QCOMPARE(MarkupUnescape(escaped), text);
    }
    QCOMPARE(MarkupUnescape("&amp;lt; AT&T &gt"), std::string("&lt; AT&T &gt"));
  }

  void ParsesTheListViewDialect() {
    struct Case {
      std::string markup;
      std::string runs;
      std::vector<std::string> links;
    };
    const std::vector<Case> cases = {
        {"<b>Name</b> <a open>more</a>", "b:[Name] [ ] a0:[more]", {"open"}},
        {"<b>x<i>y</i>z</b>w", "b:[x] bi:[y] b:[z] [w]", {}},
        {"one<br/>two<br>three", "[one] | [two] | [three]", {}},
        {"<u>kept</u> <font x>text", "[kept text]", {}},
        {"a <= b", "[a <= b]", {}},
        {"&lt;b&gt; &amp;amp;", "[<b> &amp;]", {}},
        {"<a  user &amp; co >x</a>y", "a0:[x] [y]", {"user & co"}},
        {"</b>unbalanced</i>", "[unbalanced]", {}},
        {"<B>Upper</B>", "b:[Upper]", {}},
    };
    for (const Case& c : cases) {
      const TMarkupParse parse = ParseMarkup(c.markup, TMarkupDialect::View);
      QCOMPARE(QString::fromStdString(Describe(parse)), QString::fromStdString(c.runs));
      QCOMPARE(parse.Links, c.links);
    }
  }

  void ParsesTheLabelDialect() {
    struct Case {
      std::string markup;
      std::string runs;
      std::vector<std::string> links;
    };
    const std::vector<Case> cases = {
        {"Press <b>Next</b> to go on", "[Press ] b:[Next] [ to go on]", {}},
        {"a <= b", "[a <= b]", {}},
        {"x < y > z", "[x < y > z]", {}},
        {"<b><b>two</b>one</b>none", "b:[twoone] [none]", {}},
        {"<big>bold</big>", "b:[bold]", {}},
        {"see <a open>this</a>", "[see ] a0:[this]", {"open"}},
        {"line<br>next", "[line] | [next]", {}},
        {"Tom &amp; Jerry &lt;3", "[Tom & Jerry <3]", {}},
    };
    for (const Case& c : cases) {
      const TMarkupParse parse = ParseMarkup(c.markup, TMarkupDialect::Label);
      QCOMPARE(QString::fromStdString(Describe(parse)), QString::fromStdString(c.runs));
      QCOMPARE(parse.Links, c.links);
    }
  }

  void PlainTextDropsTagsAndBreaksLines() {
    QCOMPARE(MarkupPlainText("<b>a</b>&amp;<br/><a x>b</a>"), std::string("a&\r\nb"));
    QVERIFY(MarkupHasLinks("x <a y>z</a>"));
    QVERIFY(!MarkupHasLinks("x &lt;a y"));
  }

  void BytesShowAsUtf8OrWindows1252() {
    QCOMPARE(ToQString("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    QCOMPARE(ToQString("caf\xE9"), QString::fromUtf16(u"caf\u00E9"));
    QCOMPARE(ToQString("\x80 \x93x\x94 \x81"), QString::fromUtf16(u"\u20AC \u201Cx\u201D \u0081"));
    // Not UTF-8: overlong, surrogate, cut sequence.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "ab\xE2\x82"})
      QCOMPARE(ToQString(bad).size(), qsizetype(std::string(bad).size()));
    QCOMPARE(FromQString(ToQString("caf\xE9")), std::string("caf\xC3\xA9"));
    QCOMPARE(MenuCaption("Tom & Jerry"), QStringLiteral("Tom && Jerry"));
  }

  void BoldRunsAreWiderAndLinksRecordRegions() {
    TMarkupRenderer r(ZuzFont());
    const TMarkupLayout layout =
        r.Layout("<b>Name</b> <a open>more</a>", TMarkupDialect::View, TMarkupFit::Cell, 400, 40);
    QCOMPARE(layout.Pieces.front().Font, TMarkupRenderer::kBold);
    QCOMPARE(layout.Pieces.front().Rect.width(),
             r.Metrics(TMarkupRenderer::kBold).horizontalAdvance("Name"));
    const auto regions = TMarkupRenderer::LinkRegions(layout, QPoint(10, 5));
    QCOMPARE(int(regions.size()), 1);
    QCOMPARE(regions[0].Name, std::string("open"));
    QCOMPARE(regions[0].Rect.width(), r.Metrics(0).horizontalAdvance("more"));
    // Hovered in the list view: bold and underlined, so wider.
    const TMarkupLayout hovered = r.Layout("<b>Name</b> <a open>more</a>", TMarkupDialect::View,
                                           TMarkupFit::Cell, 400, 40, 0);
    QCOMPARE(hovered.Pieces.back().Font,
             uint8_t(TMarkupRenderer::kBold | TMarkupRenderer::kUnderline));
    QVERIFY(hovered.Extent.width() > layout.Extent.width());
  }

  void CellsWrapOnlyWhileTwoLineHeightsRemain() {
    TMarkupRenderer r(ZuzFont());
    const int h = r.LineHeight();
    const int width = r.Metrics(0).horizontalAdvance("alpha beta") + 2;
    const std::string text = "alpha beta gamma delta";
    // Room for two lines: wraps, and cuts the second.
    TMarkupLayout two = r.Layout(text, TMarkupDialect::View, TMarkupFit::Cell, width, 2 * h);
    QCOMPARE(LineText(two, 0), std::string("alpha beta"));
    QVERIFY(LineText(two, 1).starts_with("gamma"));
    QVERIFY(two.Truncated);
    QCOMPARE(two.Extent.height(), 2 * h);
    // One line: cut at the last character that fits, reported truncated.
    TMarkupLayout one = r.Layout(text, TMarkupDialect::View, TMarkupFit::Cell, width, 2 * h - 1);
    QCOMPARE(one.Extent.height(), h);
    QVERIFY(one.Truncated);
    QVERIFY(LineText(one, 0).starts_with("alpha beta"));
    QVERIFY(one.Extent.width() <= width);
    // Everything fits: not truncated.
    TMarkupLayout fits = r.Layout("alpha", TMarkupDialect::View, TMarkupFit::Cell, width, h);
    QVERIFY(!fits.Truncated);
    // A break without room for a second line drops the rest.
    TMarkupLayout dropped = r.Layout("one<br/>two", TMarkupDialect::View, TMarkupFit::Cell, 400, h);
    QCOMPARE(LineText(dropped, 0), std::string("one"));
    QCOMPARE(int(dropped.Pieces.size()), 1);
    QVERIFY(dropped.Truncated);
  }

  void LabelWithoutWordWrapEndsInEllipsis() {
    TMarkupRenderer r(ZuzFont());
    const int width = r.Metrics(0).horizontalAdvance("A long caption");
    const TMarkupLayout layout = r.Layout("A long caption that does not fit", TMarkupDialect::Label,
                                          TMarkupFit::Ellipsis, width, 0);
    const std::string line = LineText(layout, 0);
    QVERIFY2(line.ends_with("..."), line.c_str());
    QVERIFY(layout.Truncated);
    QVERIFY(layout.Extent.width() <= width);
    // Bold text before the cut is kept bold.
    const TMarkupLayout bold = r.Layout("<b>Bold words here</b>", TMarkupDialect::Label,
                                        TMarkupFit::Ellipsis, width / 2, 0);
    QCOMPARE(bold.Pieces.front().Font, TMarkupRenderer::kBold);
    QVERIFY(LineText(bold, 0).ends_with("..."));
  }

  void LabelWordWrapBreaksAtBlanksAndKeepsLongWords() {
    TMarkupRenderer r(ZuzFont());
    const int width = r.Metrics(0).horizontalAdvance("one two") + 1;
    const TMarkupLayout layout = r.Layout("one two three extraordinarilylongword",
                                          TMarkupDialect::Label, TMarkupFit::Wrap, width, 0);
    QCOMPARE(LineText(layout, 0), std::string("one two"));
    QCOMPARE(LineText(layout, 1), std::string("three"));
    QCOMPARE(LineText(layout, 2), std::string("extraordinarilylongword"));
    QVERIFY(!layout.Truncated);
    TMarkupLayout aligned = layout;
    TMarkupRenderer::AlignLines(aligned, width, Qt::AlignRight);
    QCOMPARE(aligned.Pieces[3].Rect.right(), width - 1);  // "three" ends at the right edge
  }
};

WIDGET_TEST(MarkupTest)
#include "MarkupTest.moc"
