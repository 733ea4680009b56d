#pragma once
// Text of the rules' reports and of the facts they name, held in GBK for the
// window and in UTF-8 for everything else: fixed pieces in both encodings,
// compiled from one literal, and text of the data tables in GBK, with its
// UTF-8 twin where the rules keep one.
#include <cstddef>
#include <string>
#include <string_view>

namespace kesmal {

enum class Encoding { Gbk, Utf8 };

// A piece of report text: fixed text in both encodings, or GBK text of data or
// input (then utf8 is null and the piece is converted when written as UTF-8).
// Functions take it by reference: one just built and passed by value is copied
// with loads wider than the stores that built it, and the copy waits for them.
struct Text {
  Text(std::string_view gbkText) : gbk(gbkText) {}
  Text(const std::string& gbkText) : gbk(gbkText) {}
  Text(const char* gbkText) : gbk(gbkText) {}
  Text(std::string_view gbkText, std::string_view utf8Text) : gbk(gbkText), utf8(utf8Text) {}

  std::string_view gbk;
  std::string_view utf8;
};

template <std::size_t GbkSize, std::size_t Utf8Size>
Text BothEncodings(const char (&gbk)[GbkSize], const char8_t (&utf8)[Utf8Size]) {
  return {{gbk, GbkSize - 1}, {reinterpret_cast<const char*>(utf8), Utf8Size - 1}};
}

// A literal of a unit compiled to GBK, with its UTF-8 twin.
#define KESMAL_TEXT(literal) ::kesmal::BothEncodings(literal, u8##literal)

// ASCII text, the same in both encodings: digits, and the number of a valid
// report, which holds only capitals and digits.
inline Text Ascii(std::string_view ascii) { return {ascii, ascii}; }

}  // namespace kesmal
