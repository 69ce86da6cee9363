// TZuzSideBar: the view buttons of the configuration window. Bands, each a
// header and a column of buttons (a large image with its name under it); the
// headers of the bands up to the active one sit at the top, the others at
// the bottom, and the active band's buttons fill the space between, starting
// at the first button shown. When they do not all fit, up and down arrows
// scroll by one button.
//
// A click (press and release on the same element) on a band header makes
// that band active; on an enabled button it fires OnButtonClick(band,
// button). Hovered elements are highlighted.
//
// The owner fills the bands and calls Changed() after changing them.
//
// Thread safety: main thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class TZuzImageList;

struct TZuzSideBarButton {
  std::string Name;  // plain text
  int32_t Image = -1;
  bool Enabled = true;
};

struct TZuzSideBarBand {
  std::string Name;  // plain text
  std::vector<TZuzSideBarButton> Buttons;
};

class TZuzSideBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 64;

  explicit TZuzSideBar(QWidget* parent = nullptr);

  TZuzSideBarBand& AddBand(const std::string& name);
  int BandCount() const { return int(m_bands.size()); }
  TZuzSideBarBand& Band(int index) { return m_bands[size_t(index)]; }
  void Changed();

  int ActiveBand() const { return m_active; }
  // Makes a band active and shows its buttons from the first.
  void SetActiveBand(int index);
  int FirstButton() const { return m_first; }
  void SetFirstButton(int index);
  void SetImages(const TZuzImageList* images);  // not owned

  // Geometry of the last layout, in widget coordinates (empty when hidden).
  QRect BandRect(int band) const;
  QRect ButtonRect(int button) const;
  QRect UpArrowRect() const { return m_up; }
  QRect DownArrowRect() const { return m_down; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  std::function<void(int band, int button)> OnButtonClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // An element: -1 none, kUp, kDown, band headers as kBandBase + i, buttons as i.
  static constexpr int kNone = -1;
  static constexpr int kUp = -2;
  static constexpr int kDown = -3;
  static constexpr int kBandBase = 1 << 20;

  void Relayout();
  int ElementAt(QPoint pos) const;
  int BandHeight() const;
  int ButtonHeight() const;
  void SetHover(int element);

  std::vector<TZuzSideBarBand> m_bands;
  const TZuzImageList* m_images = nullptr;
  int m_active = -1;
  int m_first = 0;
  std::vector<QRect> m_bandRects;
  std::vector<QRect> m_buttonRects;  // per button of the active band; empty when not shown
  QRect m_up;
  QRect m_down;
  int m_hover = kNone;
  int m_press = kNone;
};
