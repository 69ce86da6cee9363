#include "documents/AdvHTMLs.h"

#include <algorithm>

#include "core/AdvAscii.h"
#include "core/AdvFiles.h"
#include "core/AdvFormats.h"
#include "core/AdvNumbers.h"
#include "core/AdvPaths.h"
#include "core/AdvTexts.h"

ADV_CLASS_IMPL(TAdvHTML, TAdvText)

namespace {

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

const char* AlignmentName(uint8_t alignment) {
  switch (alignment) {
    case TAdvColumn::kAlignRight:
      return "right";
    case TAdvColumn::kAlignCenter:
      return "center";
    default:
      return "left";
  }
}

// The scripts of the SVG chart form: the fixed preamble that the body's
// onload starts, then the list of per-chart fillers it runs.
constexpr std::string_view kSvgChartPreamble =
    "  var timerID = 0;\r\n"
    "  function populateCharts() {\r\n"
    "    timerID = window.setTimeout(\"populateChartsTimer()\", 15);\r\n"
    "  }";
constexpr std::string_view kSvgChartRunner =
    "  var chartFillers = [];\r\n"
    "  function populateChartsTimer() {\r\n"
    "    for (var i = 0; i < chartFillers.length; i++) chartFillers[i]();\r\n"
    "  }";

}  // namespace

std::string HtmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string HtmlAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += HtmlEntities(std::string_view(&c, 1));
    }
  }
  return out;
}

std::string SafeLinkAddress(std::string_view url) {
  while (!url.empty() && uint8_t(url.front()) <= 32) url.remove_prefix(1);
  while (!url.empty() && uint8_t(url.back()) <= 32) url.remove_suffix(1);
  if (url.empty() || url.front() == '#' || StartsWithAscii(url, "http:") ||
      StartsWithAscii(url, "https:") || StartsWithAscii(url, "ftp:"))
    return std::string(url);
  return "http://" + std::string(url);
}

std::string ScriptString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = uint8_t(c);
    if (c == '"' || c == '\\' || c == '\'') {
      out += '\\';
      out += c;
    } else if (byte < 32 || c == '<' || c == '>' || c == '&') {
      out += AdvFormat("\\x%.2x", {uint32_t(byte)});
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// ---------------------------------------------------------------------------

TAdvHTML::TAdvHTML()
    : m_images(new TAdvStringMatch()),
      m_visibleColumns(new TAdvIntegers()),
      m_compressor(new TAdvImageCompressor()),
      m_pipe(new TAdvPipe()) {
  m_images->SetSorted(true);
}

void TAdvHTML::OpenTag(std::string_view tag, std::string_view attributes) {
  if (attributes.empty())
    WriteLine("<" + std::string(tag) + ">");
  else
    WriteLine("<" + std::string(tag) + " " + std::string(attributes) + ">");
}

void TAdvHTML::CloseTag(std::string_view tag) {
  WriteLine("</" + std::string(tag) + ">");
}

void TAdvHTML::Element(std::string_view tag, std::string_view content) {
  WriteLine("<" + std::string(tag) + ">" + std::string(content) + "</" + std::string(tag) + ">");
}

void TAdvHTML::ElementWithAttributes(std::string_view tag, std::string_view attributes,
                                     std::string_view content) {
  WriteLine("<" + std::string(tag) + " " + std::string(attributes) + ">" + std::string(content) +
            "</" + std::string(tag) + ">");
}

std::string TAdvHTML::Escape(std::string_view text) {
  return ReplaceAll(HtmlEntities(text), "\r\n", "<br>");
}

std::string TAdvHTML::ClassAttribute(std::string_view name) {
  if (name.empty()) return {};
  return "class=\"" + HtmlAttribute(name) + "\"";
}

std::string TAdvHTML::TakeStyle() {
  std::string style = TakeStyleName();
  if (SameTextAscii(style, "Heading")) style += std::to_string(m_headingLevel);
  return ClassAttribute(style);
}

std::string TAdvHTML::DocumentFolder() const {
  return FolderPart(FileName(), '/');
}

std::string TAdvHTML::RelativeName(const std::string& name) const {
  return RelativeTo(DocumentFolder(), name);
}

bool TAdvHTML::UsesSvgCharts() const {
  return ChartComponent.find("VarnexChart.svg") != std::string::npos &&
         ::FileExists(ChartComponent);
}

// ---------------------------------------------------------------------------
// The page

void TAdvHTML::Open() {
  std::string name = FileName();
  std::replace(name.begin(), name.end(), '\\', '/');
  SetFileName(name);
  TAdvText::Open();
  try {
    WriteHead();
  } catch (...) {
    Abandon();
    throw;
  }
}

void TAdvHTML::WriteHead() {
  m_headingLevel = 0;
  m_chartCounter = 0;
  OpenTag("html");
  OpenTag("head");
  Element("title", HtmlEntities(Title()));
  if (!StyleSheet().empty() && ::FileExists(StyleSheet())) {
    const std::string sheet = FileNamePart(StyleSheet());
    CopyIntoFolder(StyleSheet(), sheet, false);
    WriteLine("<link rel=\"stylesheet\" href=\"" + HtmlAttribute(sheet) + "\" type=\"text/css\">");
  }
  ScriptBlock();
  CloseTag("head");
  if (!ChartComponent.empty() && ::FileExists(ChartComponent))
    CopyIntoFolder(ChartComponent, FileNamePart(ChartComponent), false);
  OpenTag("body", UsesSvgCharts() ? "onload=\"populateCharts();\"" : "");
}

void TAdvHTML::ScriptBlock() {
  OpenTag("script");
  if (UsesSvgCharts()) {
    WriteLine(kSvgChartPreamble);
    WriteLine(kSvgChartRunner);
  }
  if (!ExtraScript.empty()) WriteLine(ExtraScript);
  CloseTag("script");
}

void TAdvHTML::Close() {
  if (Active()) {
    try {
      CloseTag("body");
      CloseTag("html");
    } catch (...) {
      Abandon();
      throw;
    }
  }
  TAdvText::Close();
}

// ---------------------------------------------------------------------------
// Content

void TAdvHTML::Text(std::string_view text) {
  if (!Style().empty())
    ElementWithAttributes("span", TakeStyle(), Escape(text));
  else
    WriteLine(Escape(text));
}

void TAdvHTML::Paragraph(std::string_view text) {
  if (text.empty()) return;
  ElementWithAttributes("div", TakeStyle(), Escape(text));
}

void TAdvHTML::OpenSection(std::string_view text, bool expandable) {
  ++m_headingLevel;
  Paragraph(text);
}

void TAdvHTML::EndSection() {
  --m_headingLevel;
}

void TAdvHTML::PageBreak() {
  WriteLine("<br style=\"page-break-before:always\">");
}

void TAdvHTML::WriteLink(std::string_view text, std::string_view href, std::string_view target) {
  std::string attributes = TakeStyle() + " href=\"" + HtmlAttribute(href) + "\"";
  if (!target.empty()) attributes += " target=\"" + HtmlAttribute(target) + "\"";
  ElementWithAttributes("a", attributes, Escape(text));
}

void TAdvHTML::Link(std::string_view text, std::string_view url, std::string_view anchor) {
  std::string href = SafeLinkAddress(url);
  if (AnchorsInLinks && !anchor.empty()) href += "#" + std::string(anchor);
  WriteLink(text, href);
}

void TAdvHTML::Anchor(std::string_view name) {
  ElementWithAttributes("a", TakeStyle() + " name=\"" + HtmlAttribute(name) + "\"", "");
}

void TAdvHTML::Image(const std::string& path) {
  ImageWithAttributes(path, "");
}

void TAdvHTML::ImageWithAttributes(const std::string& path, std::string_view attributes) {
  const std::string name = ExportImage(path);
  std::string line =
      "<span class=\"" + HtmlAttribute(Style()) + "\"><img src=\"" + HtmlAttribute(name) + "\"";
  if (!attributes.empty()) line += " " + std::string(attributes);
  WriteLine(line + "></span>");
}

void TAdvHTML::Picture(const TAdvPicture& picture) {
  const std::string style = TakeStyle();
  const std::string id = std::exchange(ImageId, {});
  const auto format = m_compressor->Compress(picture);
  if (format == TAdvImageCompressor::TFormat::None) return;  // nothing that could be shown
  std::string name = NextImageName();
  if (format == TAdvImageCompressor::TFormat::Bitmap) name = WithoutExtension(name) + ".bmp";
  WriteFolderFile(name, m_compressor->Bytes());
  WriteLine("<div " + style + "><img src=\"" + HtmlAttribute(RelativeName(name)) + "\" id=\"" +
            HtmlAttribute(id) + "\"></div>");
}

// ---------------------------------------------------------------------------
// Pictures and copied files

std::string TAdvHTML::NextImageName() {
  return WithoutExtension(FileName()) + (SeparateFolder ? "_files/" : "_files_") + "Image" +
         std::to_string(NextImageNumber()) + ".jpg";
}

void TAdvHTML::WriteFolderFile(const std::string& name, std::string_view bytes) {
  auto file = AdvNew<TAfsFile>(Folder(), name);
  file->Open(TAfsVolume::kModeCreate, TAfsVolume::kShareRead);
  file->Stream()->Write(bytes.data(), uint32_t(bytes.size()));
  file->Close();
}

void TAdvHTML::CopyToFolderFile(const std::string& source, const std::string& name) {
  TAdvRef<TAdvFile> input(new TAdvFile(source, TAdvFile::kNormalAttributes, 1, 0));
  auto file = AdvNew<TAfsFile>(Folder(), name);
  file->Open(TAfsVolume::kModeCreate, TAfsVolume::kShareRead);
  m_pipe->SetInput(input.Get());
  m_pipe->SetOutput(file->Stream());
  try {
    m_pipe->Run();
  } catch (...) {
    m_pipe->SetInput(nullptr);
    m_pipe->SetOutput(nullptr);
    throw;
  }
  m_pipe->SetInput(nullptr);
  m_pipe->SetOutput(nullptr);
  file->Close();
}

void TAdvHTML::CopyIntoFolder(const std::string& source, std::string_view name, bool deleteSource) {
  const std::string target = DocumentFolder() + std::string(name);
  if (!Folder() || Folder()->FileExists(target)) return;
  CopyToFolderFile(source, target);
  if (deleteSource) AdvNew<TAdvFile>(source)->DeleteFile();
}

std::string TAdvHTML::ExportImage(const std::string& path) {
  const int known = m_images->IndexByKey(path);
  if (known >= 0) return RelativeName(m_images->GetValue(known));
  std::string name;
  try {
    m_compressor->LoadAndCompress(path);
    name = NextImageName();
    WriteFolderFile(name, m_compressor->Bytes());
    m_images->Add(path, name);
  } catch (const EAdvanced&) {
    name.clear();
    if (!::FileExists(path)) return {};
    // Not a picture we can convert: the file goes in as it is, under its own
    // extension (a GIF stays a GIF).
    try {
      std::string extension = FileNamePart(path).substr(FileNameWithoutExtension(path).size());
      name = WithoutExtension(NextImageName()) + extension;
      CopyToFolderFile(path, name);
    } catch (const EAdvanced&) {
      return {};
    }
  }
  return RelativeName(name);
}

// ---------------------------------------------------------------------------
// Tables

void TAdvHTML::Table(TAdvTable& table) {
  TAdvColumns& columns = table.Columns();
  OpenTag("table", TakeStyle() + " width=\"" + HtmlAttribute(columns.TableWidth) +
                       "\" border=\"0\" cellpadding=\"2\" cellspacing=\"1\"");
  m_visibleColumns->Clear();
  for (int i = 0; i < columns.Count(); ++i)
    if (columns.GetItem(i)->Visible) m_visibleColumns->Add(i);
  OpenTag("colgroup");
  for (int k = 0; k < m_visibleColumns->Count(); ++k) {
    const TAdvColumn& column = *columns.GetItem(m_visibleColumns->GetItem(k));
    WriteLine("<col width=\"" + HtmlAttribute(column.Width) + "\" align=\"" +
              AlignmentName(column.Alignment) + "\">");
  }
  CloseTag("colgroup");
  const auto captions = [&](bool header) {
    OpenTag("tr", header ? "class=\"RowHeader\"" : "class=\"RowFooter\"");
    for (int k = 0; k < m_visibleColumns->Count(); ++k) {
      const TAdvColumn& column = *columns.GetItem(m_visibleColumns->GetItem(k));
      Element("th", Escape(header ? column.Header : column.Footer));
    }
    CloseTag("tr");
  };
  if (columns.ShowHeader) captions(true);
  for (table.First(); table.More(); table.Next()) {
    OpenTag("tr", ClassAttribute(table.RowClass()));
    for (int k = 0; k < m_visibleColumns->Count(); ++k)
      WriteTableCell(table, m_visibleColumns->GetItem(k));
    CloseTag("tr");
  }
  if (columns.ShowFooter) captions(false);
  CloseTag("table");
}

void TAdvHTML::WriteTableCell(TAdvTable& table, int column) {
  const std::string& header = table.Columns().GetItem(column)->Header;
  const std::string lower = LowerAscii(header);
  const std::string text = table.CellText(column);
  bool link;
  if (lower.find("site") != std::string::npos)
    link = lower.find("site port") == std::string::npos;
  else
    link = header.find("URL") != std::string::npos || text.starts_with("http://");
  if (!link) {
    Element("td", Escape(text));
    return;
  }
  Write("<td>");
  WriteLink(text, SafeLinkAddress(text), "_blank");
  WriteLine("</td>");
}

// ---------------------------------------------------------------------------
// Charts

void TAdvHTML::Chart(TAdvChart& chart) {
  OpenTag("div", "align=\"center\"");
  if (ChartComponent.find("ActiveChart.ocx") != std::string::npos)
    ActiveChart(chart);
  else if (UsesSvgCharts())
    SvgChart(chart);
  else
    Picture(chart.Picture);
  CloseTag("div");
  ++m_chartCounter;
}

void TAdvHTML::ActiveChart(TAdvChart& chart) {
  static constexpr int kChartTypes[] = {2, 1, 4};
  const std::string id = "chart" + std::to_string(m_chartCounter);
  const int height = std::max(int(chart.Points.size()) * 20 + 40, 230);
  WriteLine("<object id=\"" + id + "\" data=\"" + HtmlAttribute(FileNamePart(ChartComponent)) +
            "\" width=\"665\" height=\"" + std::to_string(height) + "\"></object>");
  OpenTag("script");
  WriteLine(id + ".Title = " + ScriptString(chart.Title) + ";");
  WriteLine(id + ".ChartType = " + std::to_string(kChartTypes[std::min<int>(chart.Kind, 2)]) + ";");
  WriteLine(id + ".XAxisTitle = " + ScriptString(chart.XAxisTitle) + ";");
  WriteLine(id + ".YAxisTitle = " + ScriptString(chart.YAxisTitle) + ";");
  WriteLine(id + ".Eccentricity = " + RealText(chart.Eccentricity) + ";");
  for (const TAdvChartPoint& point : chart.Points)
    WriteLine(id + ".AddValue(" + RealText(point.Value) + ", " + ScriptString(point.Label) + ");");
  CloseTag("script");
}

void TAdvHTML::SvgChart(TAdvChart& chart) {
  const std::string id = "chart" + std::to_string(m_chartCounter);
  WriteLine("<embed id=\"" + id + "\" src=\"" + HtmlAttribute(FileNamePart(ChartComponent)) +
            "\" type=\"image/svg+xml\" width=\"665\" height=\"392.5\">");
  OpenTag("script");
  WriteLine("chartFillers.push(function() {");
  WriteLine("  var chart = document.getElementById(\"" + id + "\").getSVGDocument().defaultView;");
  WriteLine("  chart.clearChart();");
  for (const TAdvChartPoint& point : chart.Points)
    WriteLine("  chart.addPoint(" + RealText(point.Value) + ", " + ScriptString(point.Label) +
              ");");
  WriteLine("  chart.setTitle(" + ScriptString(chart.Title) + ");");
  if (chart.Kind == TAdvChart::kKindVerticalBars) WriteLine("  chart.setVerticalBars();");
  if (chart.Kind == TAdvChart::kKindHorizontalBars) WriteLine("  chart.setHorizontalBars();");
  WriteLine("});");
  CloseTag("script");
}
