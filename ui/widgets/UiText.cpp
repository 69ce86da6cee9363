#include "ui/widgets/UiText.h"

#include <QByteArray>

QString ToQString(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char b : bytes) text += QChar(char16_t(Windows1252ToUnicode(uint8_t(b))));
  return text;
}

std::string FromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), size_t(utf8.size()));
}

QString MenuCaption(std::string_view bytes) {
  QString caption = ToQString(bytes);
  caption.replace(QLatin1Char('&'), QLatin1String("&&"));
  return caption;
}
