#pragma once
// The one text codec of the edges: the rules speak GBK, the window and the
// terminal speak Unicode. A character GBK cannot hold becomes "?"; a byte
// sequence that is not GBK becomes U+FFFD.
#include <string>
#include <string_view>

namespace kesmal {

std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// As GbkToUtf8, appending to out; for loops that reuse one buffer.
void AppendGbkToUtf8(std::string_view gbk, std::string& out);

// The conversions done by iconv alone, byte for byte what the ones above give;
// those take shortcuts (ASCII as is, a table of GBK characters) for speed.
std::string Utf8ToGbkByIconv(std::string_view utf8);
std::string GbkToUtf8ByIconv(std::string_view gbk);

}  // namespace kesmal
