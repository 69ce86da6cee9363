#include "documents/AdvDocuments.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "documents/tests/DocumentTestHelpers.h"

using doctest::MessageOf;
using doctest::TFolder;

namespace {

// ---------------------------------------------------------------------------
// The folder object

TEST(WindowsVolume, OpensOrCreatesItsRootByMode) {
  TFolder base("volume");
  auto reader = AdvNew<TWindowsVolume>(base.Path + "missing", TAfsVolume::kModeRead);
  EXPECT_EQ(reader->Root(), base.Path + "missing/");
  EXPECT_EQ(MessageOf([&] { reader->OpenFolder(); }),
            "(TWindowsVolume.Open): Could not open volume.");

  auto creator = AdvNew<TWindowsVolume>(base.Path + "new/deeper", TAfsVolume::kModeCreate);
  creator->OpenFolder();
  EXPECT_TRUE(std::filesystem::is_directory(base.Path + "new/deeper"));

  vexatest::WriteFileText(base.Path + "blocker", "a file where a folder should go");
  auto blocked = AdvNew<TWindowsVolume>(base.Path + "blocker/sub", TAfsVolume::kModeCreate);
  EXPECT_EQ(MessageOf([&] { blocked->OpenFolder(); }),
            "(TWindowsVolume.Open): Could not create folder " + base.Path + "blocker/sub/");
}

TEST(WindowsVolume, OpenFileFailuresNameTheFullPath) {
  TFolder folder("volume");
  EXPECT_THROW(folder.Volume->OpenFile("nope.txt", TAfsVolume::kModeRead, 0), EAfs);
  EXPECT_EQ(MessageOf([&] { folder.Volume->OpenFile("nope.txt", TAfsVolume::kModeRead, 0); }),
            "(TWindowsVolume.Open): Failed to open file \"" + folder.Path + "nope.txt\".");
  auto file = AdvNew<TAfsFile>(nullptr, "x.txt");
  EXPECT_THROW(file->Open(TAfsVolume::kModeCreate, 1), EAfs);
  EXPECT_EQ(MessageOf([&] { file->Open(TAfsVolume::kModeCreate, 1); }),
            "(TAfsFile.Open): AFS volume not assigned.");
}

TEST(WindowsVolume, CreateModeReplacesTheFileOnlyWhenClosed) {
  TFolder folder("volume");
  vexatest::WriteFileText(folder.Path + "a.txt", "old");
  TAfsHandle handle = folder.Volume->OpenFile("a.txt", TAfsVolume::kModeCreate, 1);
  folder.Volume->Write(handle, "new!", 4);
  EXPECT_EQ(folder.Read("a.txt"), "old");
  EXPECT_EQ(folder.Volume->FileSize(handle), 4);
  folder.Volume->SetPosition(handle, 1);
  char two[2];
  folder.Volume->Read(handle, two, 2);
  EXPECT_EQ(std::string(two, 2), "ew");
  EXPECT_EQ(folder.Volume->GetPosition(handle), 3);
  folder.Volume->CloseFile(handle);
  EXPECT_EQ(folder.Read("a.txt"), "new!");

  handle = folder.Volume->OpenFile("a.txt", TAfsVolume::kModeCreate, 1);
  folder.Volume->Write(handle, "dropped", 7);
  folder.Volume->DiscardFile(handle);
  EXPECT_EQ(folder.Read("a.txt"), "new!");
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"a.txt"});
}

TEST(WindowsVolume, ModeCapsRequestsAndNamesMayUseEitherDelimiter) {
  TFolder folder("volume");
  vexatest::WriteFileText(folder.Path + "keep.txt", "kept");
  auto reader = AdvNew<TWindowsVolume>(folder.Path, TAfsVolume::kModeRead);
  // A create request on a read-only volume only reads: nothing is emptied.
  TAfsHandle handle = reader->OpenFile("keep.txt", TAfsVolume::kModeCreate, 1);
  EXPECT_THROW(reader->Write(handle, "x", 1), EAdvFile);
  reader->CloseFile(handle);
  EXPECT_EQ(folder.Read("keep.txt"), "kept");

  handle = folder.Volume->OpenFile("sub\\inner/name.txt", TAfsVolume::kModeCreate, 1);
  folder.Volume->CloseFile(handle);
  EXPECT_TRUE(folder.Exists("sub/inner/name.txt"));
  EXPECT_TRUE(folder.Volume->FileExists("sub\\inner\\name.txt"));
  folder.Volume->DeleteFile("sub/inner/name.txt");
  EXPECT_FALSE(folder.Exists("sub/inner/name.txt"));
  folder.Volume->DeleteFile("sub/inner/name.txt");  // already gone: no error
}

// ---------------------------------------------------------------------------
// The table model

TEST(AdvColumns, GrowFindAndMeasure) {
  auto columns = AdvNew<TAdvColumns>();
  columns->AddColumn()->Header = "Site";
  columns->AddColumn()->Header = "Hits";
  columns->ColumnAt(5)->Header = "site";
  EXPECT_EQ(columns->Count(), 6);
  for (int i = 2; i < 5; ++i) EXPECT_FALSE(columns->GetItem(i)->Visible) << i;
  EXPECT_FALSE(columns->GetItem(5)->Visible);
  EXPECT_EQ(columns->VisibleCount(), 2);
  EXPECT_EQ(columns->IndexByHeader("SITE"), 5);  // searched from the end
  EXPECT_EQ(columns->IndexByHeader("hits"), 1);
  EXPECT_EQ(columns->IndexByHeader("none"), -1);
  EXPECT_EQ(columns->ColumnAt(1)->Header, "Hits");

  auto three = AdvNew<TAdvColumns>();
  for (int i = 0; i < 3; ++i) three->AddColumn();
  three->SetEqualWidths();
  EXPECT_EQ(three->GetItem(2)->Width, "33%");

  three->TableWidth = "50%";
  three->ShowFooter = false;
  three->GetItem(0)->Alignment = TAdvColumn::kAlignCenter;
  auto copy = AdvNew<TAdvColumns>();
  copy->Assign(*three);
  EXPECT_EQ(copy->Count(), 3);
  EXPECT_EQ(copy->TableWidth, "50%");
  EXPECT_FALSE(copy->ShowFooter);
  EXPECT_EQ(copy->GetItem(0)->Alignment, TAdvColumn::kAlignCenter);
  EXPECT_EQ(copy->GetItem(0)->Width, "33%");
  EXPECT_NE(copy->GetItem(0), three->GetItem(0));
}

class TNumbers : public TAdvTable {
 public:
  double NumberAt(int column) override { return column == 0 ? 1.5 : 1e20; }
};

TEST(AdvTable, CellsComeFromNumbersOrTheRowCallback) {
  auto bare = AdvNew<TAdvTable>();
  EXPECT_EQ(bare->CellText(0), "0");
  bare->First();
  EXPECT_FALSE(bare->More());
  bare->SetColumnCount(4);
  bare->SetColumnCount(2);
  EXPECT_EQ(bare->Columns().Count(), 2);

  auto numbers = AdvNew<TNumbers>();
  EXPECT_EQ(numbers->CellText(0), "1.5");
  EXPECT_EQ(numbers->CellText(1), "1E20");

  auto rows = AdvNew<TAdvVirtualTable>();
  rows->SetRowCount(3);
  rows->First();
  EXPECT_EQ(rows->CellText(0), "");  // no callback
  rows->SetOnCellText([](TAdvTable&, int column, int row) {
    return std::to_string(column) + ":" + std::to_string(row);
  });
  std::vector<std::string> seen;
  for (rows->First(); rows->More(); rows->Next())
    seen.push_back(rows->RowClass() + " " + rows->CellText(1));
  EXPECT_EQ(seen, (std::vector<std::string>{"RowEven 1:0", "RowOdd 1:1", "RowEven 1:2"}));
}

// ---------------------------------------------------------------------------
// Plain text

TEST(AdvText, WritesEveryElementAsPlainLines) {
  TFolder folder;
  auto text = folder.Document<TAdvText>("out/plain.txt");
  text->Open();
  EXPECT_TRUE(text->Active());
  text->SetStyle("Heading").Text("run");
  text->Paragraph("");
  text->Paragraph("para");
  text->Link("site", "http://x/", "anchor");
  text->Image("/p/logo.png");
  text->Anchor("nowhere");
  text->Picture(doctest::SolidPicture(2, 2, 1, 2, 3));
  text->PageBreak();
  text->Section("Users");
  text->EndSection();
  text->Close();
  EXPECT_FALSE(text->Active());
  EXPECT_EQ(folder.Read("out/plain.txt"),
            "run\r\n"
            "para\r\n"
            "site <http://x/>\r\n"
            "Image </p/logo.png>\r\n"
            "\r\n-- Page --?\r\n"
            "\r\n-- Page --?\r\nUsers\r\n");
}

TEST(AdvText, TablesAlignPadAndNeverCut) {
  TFolder folder;
  auto table = doctest::MakeTable({"A", "B", "C"}, 2, [](int column, int row) {
    static const char* cells[2][3] = {{"x", "12", "odd"}, {"toolong", "1", "ab"}};
    return std::string(cells[row][column]);
  });
  const char* footers[] = {"f", "g", "h"};
  const char* widths[] = {"3", "4", "5"};
  const uint8_t alignments[] = {TAdvColumn::kAlignLeft, TAdvColumn::kAlignRight,
                                TAdvColumn::kAlignCenter};
  for (int i = 0; i < 3; ++i) {
    TAdvColumn& column = *table->Columns().GetItem(i);
    column.Footer = footers[i];
    column.Width = widths[i];
    column.Alignment = alignments[i];
  }
  table->Columns().AddColumn()->Visible = false;  // never written

  auto text = folder.Document<TAdvText>("t.txt");
  text->Open();
  text->Table(*table);
  table->Columns().ShowHeader = false;
  table->Columns().ShowFooter = false;
  text->Table(*table);
  text->Close();
  const std::string rule = "------------------\r\n";
  const std::string rows =
      " x      12   odd  \r\n"
      " toolong     1   ab   \r\n";  // a long cell pushes the line right
  EXPECT_EQ(folder.Read("t.txt"), rule + " A       B    C   \r\n" + rule + rows + rule +
                                      " f       g    h   \r\n" + rule + rows);
}

TEST(AdvText, AnUnclosedDocumentLeavesTheOlderFile) {
  TFolder folder;
  vexatest::WriteFileText(folder.Path + "r.txt", "older");
  {
    auto text = folder.Document<TAdvText>("r.txt");
    text->Open();
    text->Paragraph("never finished");
    text->Flush();
    EXPECT_EQ(folder.Read("r.txt"), "older");
  }
  EXPECT_EQ(folder.Read("r.txt"), "older");
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"r.txt"});

  auto text = folder.Document<TAdvText>("r.txt");
  text->Open();
  text->Paragraph("done");
  text->Close();
  EXPECT_EQ(folder.Read("r.txt"), "done\r\n");
  text->DeleteFile();
  EXPECT_FALSE(folder.Exists("r.txt"));
}

TEST(AdvText, OpeningWithoutAFolderRaisesAndStaysClosed) {
  auto text = AdvNew<TAdvText>();
  text->SetFileName("x.txt");
  EXPECT_EQ(MessageOf([&] { text->Open(); }), "(TAfsFile.Open): AFS volume not assigned.");
  EXPECT_FALSE(text->Active());
  EXPECT_THROW(text->Write("x"), EAdvanced);
  text->Close();  // nothing to close
}

TEST(AdvDocument, StyleAppliesToOneElementAndChains) {
  auto text = AdvNew<TAdvText>();
  TAdvDocument& same = text->SetStyle("Heading");
  EXPECT_EQ(&same, text.Get());
  EXPECT_EQ(text->Style(), "Heading");
  EXPECT_EQ(text->TakeStyle(), "Heading");
  EXPECT_EQ(text->TakeStyle(), "");
}

}  // namespace
