// Columns: defaults, the sort toggle, and the persisted form through the
// XML and binary files a window's layout is saved in.
#include <QtTest>
#include <fstream>
#include <sstream>
#include <string>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvXMLFilers.h"
#include "testing/TestEnvironment.h"
#include "ui/widgets/ZuzColumns.h"
#include "ui/widgets/tests/WidgetTests.h"

namespace {

TAdvRef<TZuzColumns> SampleColumns() {
  auto columns = AdvNew<TZuzColumns>();
  columns->Footer = false;
  columns->AddColumn("Sound", "", 126, true, TZuzHorizontal::Left, TZuzVertical::Centre, -1,
                     TZuzOrder::None, true);
  columns->AddColumn("Hits & <bytes>", "Total", 60, false, TZuzHorizontal::Right, TZuzVertical::Top,
                     3, TZuzOrder::Descending, false);
  return columns;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void CompareColumns(const TZuzColumns& a, const TZuzColumns& b) {
  QCOMPARE(a.Header, b.Header);
  QCOMPARE(a.Footer, b.Footer);
  QCOMPARE(a.Count(), b.Count());
  for (int i = 0; i < a.Count(); ++i) {
    const TZuzColumn& x = *a.Column(i);
    const TZuzColumn& y = *b.Column(i);
    QCOMPARE(x.Header, y.Header);
    QCOMPARE(x.Footer, y.Footer);
    QCOMPARE(x.Width, y.Width);
    QCOMPARE(x.Visible, y.Visible);
    QCOMPARE(int(x.Horizontal), int(y.Horizontal));
    QCOMPARE(int(x.Vertical), int(y.Vertical));
    QCOMPARE(x.Image, y.Image);
    QCOMPARE(int(x.Order), int(y.Order));
    QCOMPARE(x.Hint, y.Hint);
  }
}

}  // namespace

class ZuzColumnsTest : public QObject {
  Q_OBJECT

 private slots:
  void NewColumnHasTheDesignDefaults() {
    auto column = AdvNew<TZuzColumn>();
    QCOMPARE(column->Width, 80);
    QVERIFY(column->Visible);
    QCOMPARE(column->Horizontal, TZuzHorizontal::Left);
    QCOMPARE(column->Vertical, TZuzVertical::Centre);
    QCOMPARE(column->Image, -1);
    QCOMPARE(column->Order, TZuzOrder::None);
    QVERIFY(column->Hint);
    QCOMPARE(column->Direction(), 0);
    column->SetDirection(-5);
    QCOMPARE(column->Order, TZuzOrder::Descending);
    QCOMPARE(column->Direction(), -1);
    auto columns = AdvNew<TZuzColumns>();
    QVERIFY(columns->Header && columns->Footer);
  }

  void SortToggleFlipsTheSortedColumnAndMovesToAnother() {
    auto columns = SampleColumns();
    columns->Column(1)->Order = TZuzOrder::Ascending;
    columns->ToggleSort(1);
    QCOMPARE(columns->Column(1)->Order, TZuzOrder::Descending);
    columns->ToggleSort(1);
    QCOMPARE(columns->Column(1)->Order, TZuzOrder::Ascending);
    columns->ToggleSort(0);
    QCOMPARE(columns->Column(0)->Order, TZuzOrder::Ascending);
    QCOMPARE(columns->Column(1)->Order, TZuzOrder::None);
    QCOMPARE(columns->SortedColumn(), 0);
    QVERIFY_THROWS_EXCEPTION(EAdvItems, columns->ToggleSort(7));
  }

  void ClassesAreKnownToTheFactory() {
    QCOMPARE(AdvFactory().Lookup("TZuzColumn"), &TZuzColumn::ClassInfo);
    QCOMPARE(AdvFactory().Lookup("tzuzcolumns"), &TZuzColumns::ClassInfo);
  }

  void XmlFileKeepsEveryFieldUnderItsName() {
    const std::string path = vexatest::MakeTempFolder("columns") + "/Columns.xml";
    auto saved = SampleColumns();
    saved->SaveToFile(path, &TAdvXMLWriter::ClassInfo);
    const std::string xml = ReadAll(path);
    for (const char* name :
         {"\"Header\"", "\"Footer\"", "\"Width\"", "\"Visible\"", "\"Horizontal\"", "\"Vertical\"",
          "\"Image\"", "\"Order\"", "\"Hint\"", "TZuzColumn\""})
      QVERIFY2(xml.find(name) != std::string::npos, name);
    // Field order of a column.
    QVERIFY(xml.find("\"Width\"") < xml.find("\"Visible\""));
    QVERIFY(xml.find("\"Order\"") < xml.find("\"Hint\""));
    auto loaded = AdvNew<TZuzColumns>();
    loaded->AddColumn("stale");
    loaded->LoadFromFile(path, &TAdvXMLReader::ClassInfo);
    CompareColumns(*loaded, *saved);
  }

  void BinaryFileRoundTripsAndCloneCopies() {
    const std::string path = vexatest::MakeTempFolder("columns") + "/Columns.bin";
    auto saved = SampleColumns();
    saved->SaveToFile(path, &TAdvWriter::ClassInfo);
    auto loaded = AdvNew<TZuzColumns>();
    loaded->LoadFromFile(path, &TAdvReader::ClassInfo);
    CompareColumns(*loaded, *saved);
    TAdvRef<TZuzColumns> clone(static_cast<TZuzColumns*>(saved->Clone()));
    CompareColumns(*clone, *saved);
  }

  void OutOfRangeValuesFromAFileAreBroughtIntoRange() {
    const std::string path = vexatest::MakeTempFolder("columns") + "/Columns.xml";
    auto saved = SampleColumns();
    saved->Column(0)->Width = 50;
    saved->SaveToFile(path, &TAdvXMLWriter::ClassInfo);
    std::string xml = ReadAll(path);
    auto replace = [&xml](const std::string& from, const std::string& to) {
      const size_t at = xml.find(from);
      QVERIFY2(at != std::string::npos, from.c_str());
      xml.replace(at, from.size(), to);
    };
    replace(">50<", ">-40<");
    replace("name=\"Horizontal\">0<", "name=\"Horizontal\">9<");
    replace("name=\"Order\">0<", "name=\"Order\">5<");
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << xml;
    }
    auto loaded = AdvNew<TZuzColumns>();
    loaded->LoadFromFile(path, &TAdvXMLReader::ClassInfo);
    QCOMPARE(loaded->Column(0)->Width, 0);
    QCOMPARE(loaded->Column(0)->Horizontal, TZuzHorizontal::Left);
    QCOMPARE(loaded->Column(0)->Order, TZuzOrder::None);
  }
};

WIDGET_TEST(ZuzColumnsTest)
#include "ZuzColumnsTest.moc"
