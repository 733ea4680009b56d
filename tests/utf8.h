#pragma once
// Tests speak UTF-8 so that a failing comparison is readable; the rules speak GBK.
#include <string>
#include <string_view>

#include "rules/gbk_codec.h"

namespace kesmal::test {

inline std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }
inline std::string Utf8(std::string_view gbk) { return GbkToUtf8(gbk); }

}  // namespace kesmal::test
