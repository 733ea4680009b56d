#pragma once
// Window text to and from the GBK bytes the rules speak, through the one codec.
#include <QString>
#include <string>
#include <string_view>

#include "rules/gbk_codec.h"

namespace kesmal {

inline std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

inline QString FromGbk(std::string_view gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

}  // namespace kesmal
