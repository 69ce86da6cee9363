#include "documents/AdvCharts.h"

ADV_CLASS_IMPL(TAdvChart, TAdvObject)

void TAdvChart::Assign(const TAdvObject& source) {
  TAdvObject::Assign(source);
  const auto& chart = static_cast<const TAdvChart&>(source);
  Title = chart.Title;
  Kind = chart.Kind;
  XAxisTitle = chart.XAxisTitle;
  YAxisTitle = chart.YAxisTitle;
  Eccentricity = chart.Eccentricity;
  Points = chart.Points;
  Picture = chart.Picture;
}
