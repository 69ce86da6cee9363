// Texts at the edge between the core and Qt.
//
// The core keeps texts as std::string of bytes. Bytes that form valid UTF-8
// are shown as UTF-8; anything else is read as Windows-1252, the code page the
// log files and older configuration files were written in. Every control of
// ui/ converts through these functions and nowhere else, so one rule decides
// how a byte looks on screen.
//
// Texts typed by the user come back as UTF-8, which shows unchanged through
// the same rule.
//
// Thread safety: pure functions; any thread.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "ui/widgets/TextCodes.h"

// The bytes as the user sees them.
QString ToQString(std::string_view bytes);
// The text as UTF-8 bytes.
std::string FromQString(const QString& text);

// A caption for a menu or button built from data: "&" doubled, so that Qt
// shows it and takes no mnemonic from it.
QString MenuCaption(std::string_view bytes);
