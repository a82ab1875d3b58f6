#pragma once

#include "core/CCodePage.h"

#include <QString>

#include <string>

// Widgets show UTF-8 (QString); the core holds Windows-1252.
inline QString ToQt(const std::string& ansi) {
    return QString::fromStdString(CCodePage::AnsiToUtf8(ansi));
}

inline std::string FromQt(const QString& text) {
    return CCodePage::Utf8ToAnsi(text.toStdString());
}

// A path the core can hold: false when it has characters without a Windows-1252 form, which the
// core would turn into "?" and so name another file.
inline bool ToAnsiPath(const QString& path, std::string& ansi) {
    ansi = FromQt(path);
    return ToQt(ansi) == path;
}
