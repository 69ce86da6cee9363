// The list view's cost on the offscreen platform: painting one screen of a
// list, and paging down and painting again, for a thousand and a million
// rows. The owner computes every row from its number, as real owners read
// their own structures, so the figures are the view's own work. Each run also
// reports the rows asked for per paint and how much the process grew while
// the view was made, filled and painted: neither may depend on the row count.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "ui/widgets/ZuzView.h"

namespace {

const char* const kSites[] = {"news.example.com", "mail.example.org", "video.example.net",
                              "shop.example.com"};

// Resident set size in KiB, from /proc (0 where there is none).
long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

struct TBenchView {
  std::unique_ptr<TZuzView> View = std::make_unique<TZuzView>();
  QImage Target{QSize(900, 640), QImage::Format_ARGB32_Premultiplied};
  int64_t Asked = 0;

  explicit TBenchView(int rows) {
    TZuzColumns& columns = View->Columns();
    columns.AddColumn("User", "Users", 150);
    columns.AddColumn("Site", "", 260);
    columns.AddColumn("Hits", "", 70, true, TZuzHorizontal::Right);
    columns.AddColumn("Share", "", 70, true, TZuzHorizontal::Right);
    columns.Column(2)->Order = TZuzOrder::Descending;
    View->ColumnsChanged();
    View->OnData = [this](int index, TZuzItem& item) {
      ++Asked;
      item.Captions[0] = "user." + std::to_string(index);
      item.Captions[1] = std::string("<b>") + kSites[index % 4] + "</b> <a open>details</a>";
      item.Captions[2] = std::to_string(index % 5000);
      item.Captions[3] = std::to_string(index % 100) + "%";
      item.Bar = (index % 100) / 100.0;
    };
    View->SetCount(rows);
    View->resize(Target.size());
    View->Focus(0);
  }
  void Paint() { View->viewport()->render(&Target); }
  void PageDown() {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(View.get(), &key);
  }
};

void BM_PaintOneScreen(benchmark::State& state) {
  const long before = ResidentKiB();
  TBenchView bench(int(state.range(0)));
  for (auto _ : state) bench.Paint();
  state.counters["rows_per_paint"] = double(bench.Asked) / double(state.iterations());
  state.counters["grew_KiB"] = double(ResidentKiB() - before);
}

void BM_PageDownAndPaint(benchmark::State& state) {
  const long before = ResidentKiB();
  TBenchView bench(int(state.range(0)));
  bench.Paint();
  bench.Asked = 0;
  for (auto _ : state) {
    bench.PageDown();
    if (bench.View->Focused() >= bench.View->Count() - 1) bench.View->Focus(0);
    bench.Paint();
  }
  state.counters["rows_per_paint"] = double(bench.Asked) / double(state.iterations());
  state.counters["grew_KiB"] = double(ResidentKiB() - before);
}

BENCHMARK(BM_PaintOneScreen)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageDownAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  {
    // Fonts, glyph caches and the style are loaded on the first paint; load
    // them before measuring what a view itself costs.
    TBenchView warmUp(10);
    warmUp.Paint();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
