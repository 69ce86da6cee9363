#include "documents/CSVs.h"

#include <gtest/gtest.h>

#include "core/AdvFiles.h"
#include "core/AdvMemories.h"
#include "documents/tests/DocumentTestHelpers.h"

using doctest::MessageOf;
using doctest::TFolder;

namespace {

std::vector<std::string> Entries(const TAdvStrings& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back(list.GetItem(i));
  return entries;
}

TEST(AdvCSV, WritesParagraphsAndTablesAsQuotedLines) {
  TFolder folder("csv");
  auto csv = folder.Document<TAdvCSV>("out.csv");
  csv->Open();
  csv->Paragraph("say \"hi\"\tnow");
  csv->Text("two\r\nlines\nand\rmore");
  csv->WriteLine("");
  csv->Image("/x.png");
  csv->Picture(doctest::SolidPicture(1, 1, 0, 0, 0));
  csv->Link("site", "http://x/", "a");
  csv->Section("Users");
  auto table = doctest::MakeTable({"User", "Hidden", "Hits"}, 2, [](int column, int row) {
    return row == 0 ? std::string(column == 0 ? "bob, jr" : "12") : std::string("\"q\"");
  });
  table->Columns().GetItem(1)->Visible = false;
  table->Columns().GetItem(2)->Footer = "24";
  csv->Table(*table);
  table->Columns().ShowHeader = false;
  table->Columns().ShowFooter = false;
  csv->Separator = ";";
  csv->Table(*table);
  csv->Close();
  EXPECT_EQ(folder.Read("out.csv"),
            "\"say 'hi' now\"\r\n"
            "\"two\"\r\n\"lines\"\r\n\"and\"\r\n\"more\"\r\n"
            "site <http://x/>\r\n"
            "\r\n\r\n\"Users\"\r\n"
            "\r\n\"User\",\"Hits\"\r\n"
            "\"bob, jr\",\"12\"\r\n"
            "\"'q'\",\"'q'\"\r\n"
            "\"\",\"24\"\r\n"
            "\"bob, jr\";\"12\"\r\n"
            "\"'q'\";\"'q'\"\r\n");
}

TEST(CSVLine, SplitsCellsByTheReaderRules) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {"a, ", {"a", ""}},
      {" a , b ", {"a ", "b "}},
      {"\"x\"\"y\",z", {"x\"y", "z"}},
      {"\"a, b\" , \"\"", {"a, b", ""}},
      {"\"a\"b", {"a", "b"}},
      {"\"open", {"open"}},
      {",", {"", ""}},
      {"", {}},
      {"   ", {}},
      {"a\tb", {"a", "b"}},
  };
  for (const auto& [line, cells] : cases) EXPECT_EQ(SplitCsvLine(line), cells) << line;
}

TEST(TCSV, AWrittenFileReadsBackCellForCell) {
  const std::vector<std::string> awkward = {"plain",
                                            "comma, inside",
                                            "\"quoted\" and \"\"doubled\"\"",
                                            "line\r\nbreak",
                                            "lone\nlf",
                                            "lone\rcr",
                                            "  leading",
                                            "trailing  ",
                                            "",
                                            " ",
                                            "tab\tinside",
                                            "caf\xc3\xa9",
                                            "\xe9\xff\x80\xc2\xa0",
                                            "x,\"y\",z"};
  std::vector<std::string> expected = awkward;
  expected[3] = "line break";  // a record stays one line: breaks become blanks
  expected[4] = "lone lf";
  expected[5] = "lone cr";
  auto names = AdvNew<TAdvStrings>();
  for (size_t i = 6; i < awkward.size(); ++i) names->Add(awkward[i]);

  const std::string path = vexatest::MakeTempFolder("csv") + "/records.csv";
  AdvSaveFileAtomically(path, [&](TAdvStream& stream) {
    auto csv = AdvNew<TCSV>(&stream);
    csv->WriteCells(awkward);
    csv->WriteCells({"one", "", "three"});
    csv->WriteNameAndList("name", *names);
    csv->WriteList(*AdvNew<TAdvStrings>());
    csv->WriteList(*names);
    csv->WriteCell("  only, cell ");
  });

  TAdvRef<TAdvFile> file(new TAdvFile(path, TAdvFile::kNormalAttributes, 1, 0));
  auto csv = AdvNew<TCSV>(file.Get());
  const auto readList = [&] {
    auto list = AdvNew<TAdvStrings>();
    csv->ReadList(*list);
    return Entries(*list);
  };
  EXPECT_EQ(readList(), expected);
  EXPECT_EQ(readList(), (std::vector<std::string>{"one", "", "three"}));
  std::vector<std::string> named = {"name"};
  named.insert(named.end(), awkward.begin() + 6, awkward.end());
  EXPECT_EQ(readList(), named);
  EXPECT_EQ(readList(), std::vector<std::string>{});  // the empty list's empty line
  EXPECT_EQ(readList(), std::vector<std::string>(awkward.begin() + 6, awkward.end()));
  EXPECT_EQ(csv->ReadCell(), "  only, cell ");
  EXPECT_FALSE(csv->More());
}

TEST(TCSV, ReadsFromTheStreamsPositionAndRefusesOverlongLines) {
  const std::string text = "skip me\r\n\"a\",\"b\"\r\nfirst,second";
  auto memory = AdvNew<TAdvMemory>(uint32_t(text.size()));
  memory->Write(text.data(), uint32_t(text.size()));
  memory->SetPosition(9);
  auto csv = AdvNew<TCSV>(memory.Get());
  auto list = AdvNew<TAdvStrings>();
  csv->ReadList(*list);
  EXPECT_EQ(Entries(*list), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(csv->ReadCell(), "first");
  EXPECT_FALSE(csv->More());

  const std::string line(70000, 'x');
  auto big = AdvNew<TAdvMemory>(uint32_t(line.size()));
  big->Write(line.data(), uint32_t(line.size()));
  big->SetPosition(0);
  auto reader = AdvNew<TCSV>(big.Get());
  EXPECT_EQ(MessageOf([&] { reader->ReadCell(); }), "(TCSV.ReadLine): Line too long");
}

TEST(TCSV, QuotesDoubleInnerQuotesAndFlattenBreaks) {
  auto csv = AdvNew<TCSV>();
  EXPECT_EQ(csv->QuoteCell("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(csv->QuoteCell("1\r\n2\n3\r4"), "\"1 2 3 4\"");
  auto document = AdvNew<TAdvCSV>();
  EXPECT_EQ(document->Quote("it's \"x\""), "\"it's 'x'\"");
}

}  // namespace
