#include "rules/report_text.h"

#include <algorithm>

#include "rules/gbk_codec.h"

namespace kesmal {
namespace {

bool IsAscii(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

void ReportWriter::Put(std::initializer_list<Text> pieces) {
  if (encoding_ == Encoding::Gbk) {
    for (const Text& piece : pieces) out_ += piece.gbk;
    return;
  }
  for (const Text& piece : pieces) {
    if (piece.utf8.data())
      out_ += piece.utf8;
    else if (IsAscii(piece.gbk))  // numbers and digits
      out_ += piece.gbk;
    else
      AppendGbkToUtf8(piece.gbk, out_);
  }
}

}  // namespace kesmal
