#include "ui/widgets/MarkupRenderer.h"

#include <QPainter>
#include <algorithm>

#include "ui/widgets/TextCodes.h"

namespace {

QString Decode(const std::string& bytes, bool utf8) {
  if (utf8) return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char b : bytes) text += QChar(char16_t(Windows1252ToUnicode(uint8_t(b))));
  return text;
}

bool IsBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

struct TToken {
  QString Text;
  bool Blank = false;
  bool Break = false;
  uint8_t Font = 0;
  int Link = -1;
};

std::vector<TToken> Tokenise(const TMarkupParse& parse, bool utf8, int hoverLink) {
  std::vector<TToken> tokens;
  for (const TMarkupRun& run : parse.Runs) {
    uint8_t font = uint8_t((run.Bold ? TMarkupRenderer::kBold : 0) |
                           (run.Italic ? TMarkupRenderer::kItalic : 0));
    if (run.Link >= 0 && run.Link == hoverLink)
      font |= TMarkupRenderer::kBold | TMarkupRenderer::kUnderline;
    if (run.Kind == TMarkupRun::TKind::Break) {
      tokens.push_back({QString(), false, true, font, run.Link});
      continue;
    }
    const QString text = Decode(run.Text, utf8);
    qsizetype i = 0;
    while (i < text.size()) {
      const bool blank = IsBlank(text[i]);
      qsizetype j = i + 1;
      while (j < text.size() && IsBlank(text[j]) == blank) ++j;
      tokens.push_back({text.mid(i, j - i), blank, false, font, run.Link});
      i = j;
    }
  }
  return tokens;
}

// Places tokens line by line; see the header for the three ways of fitting.
class TLayoutBuilder {
 public:
  TLayoutBuilder(const TMarkupRenderer& renderer, TMarkupFit fit, int width, int height,
                 TMarkupLayout& out)
      : m_r(renderer), m_fit(fit), m_width(width), m_height(height), m_out(out) {
    m_out.LineWidths.push_back(0);
  }

  void Run(const std::vector<TToken>& tokens) {
    for (const TToken& token : tokens) {
      if (!Place(token)) {
        m_out.Truncated = true;
        break;
      }
    }
    Finish();
  }

 private:
  int Advance(const QString& text, uint8_t font) const {
    return m_r.Metrics(font).horizontalAdvance(text);
  }
  bool CanAddLine() const {
    switch (m_fit) {
      case TMarkupFit::Cell:
        return (m_line + 2) * m_r.LineHeight() <= m_height;
      case TMarkupFit::Wrap:
        return true;
      case TMarkupFit::Ellipsis:
        return false;
    }
    return false;
  }
  void Put(const QString& text, int width, const TToken& token) {
    m_out.Pieces.push_back({text, QRect(m_x, m_line * m_r.LineHeight(), width, m_r.LineHeight()),
                            token.Font, token.Link, m_line});
    m_x += width;
  }
  void NewLine() {
    TrimTrailingBlanks();
    m_out.LineWidths.back() = m_x;
    m_out.LineWidths.push_back(0);
    ++m_line;
    m_x = 0;
  }
  void TrimTrailingBlanks() {
    while (!m_out.Pieces.empty() && m_out.Pieces.back().Line == m_line &&
           !m_out.Pieces.back().Text.isEmpty() &&
           std::all_of(m_out.Pieces.back().Text.begin(), m_out.Pieces.back().Text.end(), IsBlank)) {
      m_x -= m_out.Pieces.back().Rect.width();
      m_out.Pieces.pop_back();
    }
  }
  // The most characters of `text` whose advance is at most `room`, never
  // splitting a surrogate pair.
  qsizetype FittingPrefix(const QString& text, uint8_t font, int room) const {
    qsizetype low = 0;
    qsizetype high = text.size();
    while (low < high) {
      const qsizetype mid = (low + high + 1) / 2;
      if (Advance(text.left(mid), font) <= room)
        low = mid;
      else
        high = mid - 1;
    }
    if (low > 0 && low < text.size() && text[low - 1].isHighSurrogate()) --low;
    return low;
  }

  // Returns false when the rest of the text is dropped.
  bool Place(const TToken& token) {
    if (token.Break) {
      if (m_fit == TMarkupFit::Ellipsis)
        return Place({QStringLiteral(" "), true, false, token.Font, token.Link});
      if (!CanAddLine()) return false;
      NewLine();
      return true;
    }
    const int w = Advance(token.Text, token.Font);
    if (m_x + w <= m_width) {
      Put(token.Text, w, token);
      return true;
    }
    if (token.Blank) {
      if (CanAddLine()) {
        NewLine();
        return true;
      }
      if (m_fit == TMarkupFit::Ellipsis) EndWithEllipsis(nullptr);
      return false;
    }
    if (m_x > 0 && CanAddLine()) {
      NewLine();
      if (w <= m_width) {
        Put(token.Text, w, token);
        return true;
      }
    }
    switch (m_fit) {
      case TMarkupFit::Wrap:
        Put(token.Text, w, token);  // a word wider than the label is drawn anyway
        return true;
      case TMarkupFit::Ellipsis:
        EndWithEllipsis(&token);
        return false;
      case TMarkupFit::Cell:
        return CutWord(token);
    }
    return false;
  }

  // Cell: a word too long for the space left. Breaks it across lines while
  // lines remain, else cuts it at the last character that fits.
  bool CutWord(const TToken& token) {
    QString rest = token.Text;
    for (;;) {
      qsizetype n = FittingPrefix(rest, token.Font, m_width - m_x);
      if (n > 0) Put(rest.left(n), Advance(rest.left(n), token.Font), token);
      rest = rest.mid(n);
      if (rest.isEmpty()) return true;
      if (!CanAddLine() || (n == 0 && m_x == 0)) return false;
      NewLine();
    }
  }

  void EndWithEllipsis(const TToken* token) {
    const uint8_t font = token ? token->Font : uint8_t(0);
    const QString ellipsis = QStringLiteral("...");
    const int ellipsisWidth = Advance(ellipsis, font);
    if (token) {
      const qsizetype n = FittingPrefix(token->Text, font, m_width - m_x - ellipsisWidth);
      if (n > 0) Put(token->Text.left(n), Advance(token->Text.left(n), font), *token);
    }
    // Make room on the line for the ellipsis by cutting what is already there.
    while (m_x + ellipsisWidth > m_width && !m_out.Pieces.empty()) {
      TMarkupPiece& last = m_out.Pieces.back();
      m_x -= last.Rect.width();
      const qsizetype n =
          FittingPrefix(last.Text, last.Font, std::max(0, m_width - m_x - ellipsisWidth));
      if (n == 0) {
        m_out.Pieces.pop_back();
        continue;
      }
      last.Text = last.Text.left(n);
      last.Rect.setWidth(Advance(last.Text, last.Font));
      m_x += last.Rect.width();
      break;
    }
    TrimTrailingBlanks();
    TToken dots{ellipsis, false, false, font, -1};
    Put(ellipsis, ellipsisWidth, dots);
  }

  void Finish() {
    TrimTrailingBlanks();
    m_out.LineWidths.back() = m_x;
    int width = 0;
    for (int w : m_out.LineWidths) width = std::max(width, w);
    const int lines = m_out.Pieces.empty() ? 0 : m_line + 1;
    m_out.Extent = QSize(width, lines * m_r.LineHeight());
  }

  const TMarkupRenderer& m_r;
  const TMarkupFit m_fit;
  const int m_width;
  const int m_height;
  TMarkupLayout& m_out;
  int m_x = 0;
  int m_line = 0;
};

}  // namespace

TMarkupRenderer::TMarkupRenderer(const QFont& font) {
  SetFont(font);
}

void TMarkupRenderer::SetFont(const QFont& font) {
  for (uint8_t i = 0; i < 8; ++i) {
    QFont f = font;
    if (i & kBold) f.setWeight(QFont::Bold);
    if (i & kItalic) f.setItalic(true);
    if (i & kUnderline) f.setUnderline(true);
    m_fonts[i] = f;
    m_metrics[i].reset();
  }
  m_lineHeight = 0;
  m_ascent = 0;
  for (uint8_t i = 0; i < 4; ++i) {
    m_lineHeight = std::max(m_lineHeight, Metrics(i).height());
    m_ascent = std::max(m_ascent, Metrics(i).ascent());
  }
}

const QFontMetrics& TMarkupRenderer::Metrics(uint8_t font) const {
  std::optional<QFontMetrics>& slot = m_metrics[font & 7];
  if (!slot) slot.emplace(m_fonts[font & 7]);
  return *slot;
}

TMarkupLayout TMarkupRenderer::Layout(std::string_view markup, TMarkupDialect dialect,
                                      TMarkupFit fit, int width, int height, int hoverLink) const {
  TMarkupLayout layout;
  TMarkupParse parse = ParseMarkup(markup, dialect);
  const std::vector<TToken> tokens =
      Tokenise(parse, IsValidUtf8(markup), dialect == TMarkupDialect::View ? hoverLink : -1);
  layout.Links = std::move(parse.Links);
  TLayoutBuilder(*this, fit, std::max(0, width), std::max(0, height), layout).Run(tokens);
  return layout;
}

void TMarkupRenderer::AlignLines(TMarkupLayout& layout, int width, Qt::Alignment alignment) {
  if (!(alignment & (Qt::AlignRight | Qt::AlignHCenter))) return;
  for (TMarkupPiece& piece : layout.Pieces) {
    const int spare = width - layout.LineWidths[size_t(piece.Line)];
    if (spare <= 0) continue;  // an overflowing line starts at the left
    piece.Rect.translate((alignment & Qt::AlignRight) ? spare : spare / 2, 0);
  }
}

void TMarkupRenderer::Draw(QPainter& painter, const TMarkupLayout& layout, QPoint origin,
                           const TMarkupColours& colours, int underlineLink) const {
  for (const TMarkupPiece& piece : layout.Pieces) {
    uint8_t font = piece.Font;
    QColor colour = piece.Link >= 0 ? colours.Link : colours.Text;
    if (piece.Link >= 0 && piece.Link == underlineLink) {
      font |= kUnderline;
      colour = colours.Hover;
    }
    painter.setFont(m_fonts[font & 7]);
    painter.setPen(colour);
    painter.drawText(origin + QPoint(piece.Rect.x(), piece.Rect.y() + m_ascent), piece.Text);
  }
}

std::vector<TMarkupLinkRegion> TMarkupRenderer::LinkRegions(const TMarkupLayout& layout,
                                                            QPoint origin) {
  std::vector<TMarkupLinkRegion> regions;
  for (const TMarkupPiece& piece : layout.Pieces) {
    if (piece.Link < 0) continue;
    regions.push_back(
        {piece.Link, layout.Links[size_t(piece.Link)], piece.Rect.translated(origin)});
  }
  return regions;
}

int TMarkupRenderer::LinkAt(const TMarkupLayout& layout, QPoint origin, QPoint pos) {
  for (const TMarkupPiece& piece : layout.Pieces)
    if (piece.Link >= 0 && piece.Rect.translated(origin).contains(pos)) return piece.Link;
  return -1;
}
