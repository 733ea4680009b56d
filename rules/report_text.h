#pragma once
// Reports are written in GBK for the window and in UTF-8 for the command line.
// Their fixed pieces are held in both encodings, compiled from one literal, so
// a UTF-8 report is written without converting it byte by byte; only text from
// the data tables and the input, held as GBK, is converted.
#include <cstddef>
#include <initializer_list>
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

// Appends report text in one encoding to a string.
class ReportWriter {
 public:
  ReportWriter(Encoding encoding, std::string& out) : encoding_(encoding), out_(out) {}

  void Put(std::initializer_list<Text> pieces);

 private:
  // The piece in this encoding; null for GBK text to convert.
  std::string_view Bytes(const Text& piece) const {
    return encoding_ == Encoding::Gbk ? piece.gbk : piece.utf8;
  }
  // False, having written nothing, when the pieces need converting or room.
  bool PutInline(std::initializer_list<Text> pieces);

  Encoding encoding_;
  std::string& out_;
};

}  // namespace kesmal
