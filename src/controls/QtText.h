#pragma once

#include <QString>

#include <string_view>

// The core keeps texts as UTF-8 bytes; the windows show them as QString.
inline QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
