#include "rules/gbk_codec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kesmal {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as it can; returns false at a sequence it cannot take,
  // with `in` pointing at it.
  bool Run(std::string_view& in, std::string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4096];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      std::size_t srcLeft = in.size();
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t rc = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, dst - buffer);
      in.remove_prefix(in.size() - srcLeft);
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t handle_;
};

// Bytes to skip at an undecodable UTF-8 sequence: its lead byte and the
// continuation bytes that follow it, so one broken character gives one "?".
std::size_t Utf8SequenceLength(unsigned char lead, std::string_view rest) {
  const std::size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  std::size_t length = 1;
  while (length < expected && length < rest.size() &&
         (static_cast<unsigned char>(rest[length]) & 0xC0) == 0x80)
    ++length;
  return length;
}

// A GBK double-byte character has a lead byte 0x81-0xFE and a trail byte
// 0x40-0xFE; an undecodable one is skipped whole so its trail byte is not
// misread as ASCII.
std::size_t GbkSequenceLength(unsigned char lead, std::string_view rest) {
  if (lead >= 0x81 && lead <= 0xFE && rest.size() >= 2) {
    const auto trail = static_cast<unsigned char>(rest[1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  thread_local Converter converter("GBK", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  while (!converter.Run(utf8, out)) {
    out += '?';
    utf8.remove_prefix(Utf8SequenceLength(static_cast<unsigned char>(utf8[0]), utf8));
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  thread_local Converter converter("UTF-8", "GBK");
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  while (!converter.Run(gbk, out)) {
    out += "\xEF\xBF\xBD";
    gbk.remove_prefix(GbkSequenceLength(static_cast<unsigned char>(gbk[0]), gbk));
  }
  return out;
}

}  // namespace kesmal
