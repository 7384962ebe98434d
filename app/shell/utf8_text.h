// UTF-8 bytes from the shared code (product names, feed values, paths) as Qt text.
#pragma once

#include <QString>
#include <string_view>

inline QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
