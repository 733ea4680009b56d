#pragma once
// Reports are written in GBK for the window and in UTF-8 for the command line.
// Their fixed pieces are held in both encodings, compiled from one literal, so
// a UTF-8 report is written without converting it byte by byte; only text from
// the data tables and the input, held as GBK, is converted.
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "rules/gbk_codec.h"
#include "rules/text.h"

namespace kesmal {

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

// Written inline: a report is a few writes of a few pieces each, and the calls
// cost as much as the copies.
namespace detail {

// memcpy of a piece without calling it: most pieces are a few bytes, and a
// call costs more than the copy.
inline void CopyPiece(char* to, std::string_view piece) {
  const char* from = piece.data();
  const std::size_t n = piece.size();
  if (n > 32) {
    std::memcpy(to, from, n);
  } else if (n >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

}  // namespace detail

[[gnu::always_inline]] inline void ReportWriter::Put(std::initializer_list<Text> pieces) {
  if (pieces.size() > 3 && PutInline(pieces)) return;
  for (const Text& piece : pieces) {
    const std::string_view bytes = Bytes(piece);
    if (bytes.data())
      out_ += bytes;
    else
      AppendGbkToUtf8(piece.gbk, out_);
  }
}

// Appending costs a capacity check, a length store and a call to memcpy per
// piece; past three pieces, sizing them first and copying them inline costs
// less. Only into room the text has: std::string grows it and copes with a
// piece that views it.
[[gnu::always_inline]] inline bool ReportWriter::PutInline(std::initializer_list<Text> pieces) {
  std::size_t size = 0;
  for (const Text& piece : pieces) {
    if (!Bytes(piece).data()) return false;
    size += Bytes(piece).size();
  }
  const std::size_t at = out_.size();
  if (out_.capacity() - at < size) return false;
  out_.resize(at + size);
  char* to = out_.data() + at;
  for (const Text& piece : pieces) {
    detail::CopyPiece(to, Bytes(piece));
    to += Bytes(piece).size();
  }
  return true;
}

}  // namespace kesmal
