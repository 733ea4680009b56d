#include "rules/gbk_codec.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
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
// 0x40-0xFE other than 0x7F.
constexpr bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
constexpr bool IsGbkTrail(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// An undecodable double-byte character is skipped whole, so its trail byte is
// not misread as ASCII.
std::size_t GbkSequenceLength(unsigned char lead, std::string_view rest) {
  if (IsGbkLead(lead) && rest.size() >= 2 && IsGbkTrail(static_cast<unsigned char>(rest[1])))
    return 2;
  return 1;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// What a byte of 0x80 or above, followed by the next byte (0 at the end of
// the text), becomes: its UTF-8 bytes and how many bytes of GBK it takes.
// Whatever iconv cannot decode becomes U+FFFD, as in GbkToUtf8ByIconv.
// iconv is asked one lead byte's row at a time, when a text first uses that
// row; a report uses a few dozen rows.
class GbkSequenceTable {
 public:
  // The UTF-8 bytes, then their length. Copied whole, so the length lands
  // after the UTF-8 bytes and is overwritten by the next output.
  struct Entry {
    char bytes[4];
    int Utf8Length() const { return bytes[3]; }
  };

  const Entry& At(unsigned char lead, unsigned char next) {
    const int row = lead - 0x80;
    if (!filled_[row].load(std::memory_order_acquire)) Fill(row);
    return rows_[row][next];
  }

 private:
  static Entry Make(std::string_view utf8) {
    Entry entry{};
    utf8.copy(entry.bytes, 3);
    entry.bytes[3] = static_cast<char>(utf8.size());
    return entry;
  }

  // Out of line, so the loops that look entries up keep their registers.
  [[gnu::noinline]] void Fill(int row) {
    const std::lock_guard lock(filling_);
    if (filled_[row].load(std::memory_order_relaxed)) return;
    const auto lead = static_cast<unsigned char>(0x80 + row);
    Converter converter("UTF-8", "GBK");
    // GBK holds only characters of the Basic Multilingual Plane, three UTF-8
    // bytes at most. glibc reads the single byte 0x80 as the euro sign.
    const auto decode = [&](std::string_view in) {
      std::string out;
      const bool character = converter.Run(in, out) && !out.empty() && out.size() <= 3;
      return Make(character ? std::string_view(out) : kReplacement);
    };
    const char bytes[2] = {static_cast<char>(lead), 0};
    const Entry single = decode({bytes, 1});
    for (int next = 0; next < 256; ++next) {
      Entry& entry = rows_[row][next];
      if (IsGbkLead(lead) && IsGbkTrail(static_cast<unsigned char>(next))) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(next)};
        entry = decode({pair, 2});
      } else {
        entry = single;
      }
    }
    filled_[row].store(true, std::memory_order_release);
  }

  Entry rows_[128][256];
  std::atomic<bool> filled_[128] = {};
  std::mutex filling_;
};

GbkSequenceTable& SequenceTable() {
  static GbkSequenceTable table;
  return table;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string Utf8ToGbkByIconv(std::string_view utf8) {
  thread_local Converter converter("GBK", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  while (!converter.Run(utf8, out)) {
    out += '?';
    utf8.remove_prefix(Utf8SequenceLength(static_cast<unsigned char>(utf8[0]), utf8));
  }
  return out;
}

std::string GbkToUtf8ByIconv(std::string_view gbk) {
  thread_local Converter converter("UTF-8", "GBK");
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  while (!converter.Run(gbk, out)) {
    out += kReplacement;
    gbk.remove_prefix(GbkSequenceLength(static_cast<unsigned char>(gbk[0]), gbk));
  }
  return out;
}

// GBK keeps ASCII as it is, and numbers are ASCII.
std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Utf8ToGbkByIconv(utf8);
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  AppendGbkToUtf8(gbk, out);
  return out;
}

void AppendGbkToUtf8(std::string_view gbk, std::string& out) {
  // Written through a pointer into room for the longest result, three bytes
  // for every byte (a lone undecodable byte becomes U+FFFD), and one more for
  // the meta byte of the last entry copied.
  const std::size_t start = out.size();
  out.resize(start + 3 * gbk.size() + 1);
  char* to = out.data() + start;
  GbkSequenceTable& table = SequenceTable();
  const auto* from = reinterpret_cast<const unsigned char*>(gbk.data());
  const auto* const end = from + gbk.size();
  while (from < end) {
    const unsigned char lead = *from;
    if (lead < 0x80) {
      *to++ = static_cast<char>(lead);
      ++from;
      continue;
    }
    const unsigned char next = from + 1 < end ? from[1] : 0;
    const GbkSequenceTable::Entry& entry = table.At(lead, next);
    std::memcpy(to, entry.bytes, sizeof entry.bytes);
    to += entry.Utf8Length();
    // The same length as the entry's, decided by a branch on the bytes at hand:
    // the processor runs ahead on its guess, a pair, instead of waiting for
    // the loads before it can tell where the next character starts.
    if (__builtin_expect(IsGbkLead(lead) && IsGbkTrail(next), 1))
      from += 2;
    else
      ++from;
  }
  out.resize(to - out.data());
}

}  // namespace kesmal
