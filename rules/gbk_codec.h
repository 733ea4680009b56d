#pragma once
// The one text codec of the edges: the rules speak GBK, the window and the
// terminal speak Unicode. A character GBK cannot hold becomes "?"; a byte
// sequence that is not GBK becomes U+FFFD.
#include <string>
#include <string_view>

namespace kesmal {

std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

}  // namespace kesmal
