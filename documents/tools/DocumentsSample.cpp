// Writes one sample report, a table of users with a picture, as HTML and as
// RTF into the folder given on the command line:
//   documents-sample <folder>
// scripts/check-documents converts both to PDF pages for a look by eye.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/AdvFiles.h"
#include "documents/AdvHTMLs.h"
#include "documents/AdvRTFs.h"

namespace {

struct TUserRow {
  const char* Name;
  const char* Department;
  int Sessions;
  int Hits;
  const char* Site;
};

const std::vector<TUserRow> kUsers = {
    {"alice", "Finance", 4, 1520, "www.example.com"},
    {"bob", "Sales & Marketing", 2, 310, "news.example.org"},
    {"carol", "R&D <lab>", 7, 8841, "http://intranet.example.net/wiki"},
    {"dave", "Support", 1, 12, "ftp.example.com"},
    {"eve", "Caf\xc3\xa9 \"Chez Eve\"", 3, 977, "javascript:alert(1)"},
};

// A bar chart of the users' hits drawn into a picture.
TAdvPicture HitsPicture() {
  TAdvPicture picture;
  picture.Width = 360;
  picture.Height = 160;
  picture.Channels = 3;
  picture.Pixels.assign(size_t(picture.Width) * picture.Height * 3, 255);
  const auto put = [&](uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = picture.Pixels.data() + (size_t(y) * picture.Width + x) * 3;
    p[0] = r, p[1] = g, p[2] = b;
  };
  for (uint32_t x = 0; x < picture.Width; ++x) put(x, picture.Height - 11, 0, 0, 0);
  int most = 1;
  for (const TUserRow& user : kUsers) most = std::max(most, user.Hits);
  for (size_t i = 0; i < kUsers.size(); ++i) {
    const auto height = uint32_t(double(kUsers[i].Hits) / most * (picture.Height - 30));
    const uint32_t left = 20 + uint32_t(i) * 68;
    for (uint32_t y = picture.Height - 11 - height; y < picture.Height - 11; ++y)
      for (uint32_t x = left; x < left + 48; ++x) put(x, y, 0, uint8_t(60 + i * 30), 160);
  }
  return picture;
}

void WriteReport(TAdvDocument& document, const std::string& logo) {
  document.Open();
  document.SetStyle("Title").Paragraph("Internet Use Report");
  document.SetStyle("Subtitle").Paragraph("Users of the last 24 hours");
  document.Image(logo);
  document.PageBreak();
  document.SetStyle("Heading").Section("Users");
  document.SetStyle("Description")
      .Paragraph(
          "Every user seen in the monitored logs, with sessions, hits and the most "
          "visited site.\r\nTexts with <tags>, \"quotes\" & ampersands stay text.");
  auto table = AdvNew<TAdvVirtualTable>();
  table->SetColumnCount(5);
  const char* headers[] = {"User", "Department", "Sessions", "Hits", "Top Site"};
  for (int i = 0; i < 5; ++i) {
    TAdvColumn& column = *table->Columns().GetItem(i);
    column.Header = headers[i];
    column.Alignment = i >= 2 && i <= 3 ? TAdvColumn::kAlignRight : TAdvColumn::kAlignLeft;
  }
  table->Columns().SetEqualWidths();
  table->Columns().GetItem(3)->Footer = "11660";
  table->Columns().GetItem(0)->Footer = "Total";
  table->SetRowCount(int(kUsers.size()));
  table->SetOnCellText([](TAdvTable&, int column, int row) -> std::string {
    const TUserRow& user = kUsers[size_t(row)];
    switch (column) {
      case 0:
        return user.Name;
      case 1:
        return user.Department;
      case 2:
        return std::to_string(user.Sessions);
      case 3:
        return std::to_string(user.Hits);
      default:
        return user.Site;
    }
  });
  document.Table(*table);
  document.SetStyle("Heading").Section("Hits per user");
  document.SetStyle("Chart").Picture(HitsPicture());
  document.EndSection();
  document.EndSection();
  document.Link("Project page", "https://www.example.com/vexa", "");
  document.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: documents-sample <folder>\n");
    return 2;
  }
  try {
    const std::string folder = argv[1];
    auto volume = AdvNew<TWindowsVolume>(folder, TAfsVolume::kModeCreate);
    volume->OpenFolder();
    // The logo goes in as a picture file, the way callers hand over images.
    const std::string logo = volume->Root() + "logo.bmp";
    AdvSaveFileAtomically(logo, [](TAdvStream& stream) {
      const std::string bytes = EncodeBitmap(HitsPicture());
      stream.Write(bytes.data(), uint32_t(bytes.size()));
    });

    auto html = AdvNew<TAdvHTML>();
    html->SetFolder(volume.Get());
    html->SetFileName("report.html");
    html->SetTitle("Internet Use Report");
    WriteReport(*html, logo);

    auto rtf = AdvNew<TAdvRTF>();
    rtf->SetFolder(volume.Get());
    rtf->SetFileName("report.rtf");
    rtf->SetTitle("Internet Use Report");
    WriteReport(*rtf, logo);
    std::printf("%sreport.html\n%sreport.rtf\n", volume->Root().c_str(), volume->Root().c_str());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "documents-sample: %s\n", error.what());
    return 1;
  }
}
