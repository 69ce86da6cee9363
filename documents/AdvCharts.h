// A chart as documents take it: a title, a kind, axis titles, one series of
// labelled values and a ready-drawn picture for renderers that embed charts
// as images. Renderers that script a chart component use the values; the
// others use the picture or write nothing.
//
// Thread safety: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/AdvObjects.h"
#include "documents/AdvPictures.h"

struct TAdvChartPoint {
  double Value = 0;
  std::string Label;
};

class TAdvChart : public TAdvObject {
  ADV_CLASS(TAdvChart)

  enum : uint8_t { kKindVerticalBars = 0, kKindHorizontalBars = 1, kKindPie = 2 };

  TAdvChart() = default;

  std::string Title;
  uint8_t Kind = kKindVerticalBars;
  std::string XAxisTitle;
  std::string YAxisTitle;
  // How round a pie is drawn, 0 (a circle) up.
  double Eccentricity = 0;
  std::vector<TAdvChartPoint> Points;
  TAdvPicture Picture;

  void Assign(const TAdvObject& source) override;

 protected:
  ~TAdvChart() override = default;
};
