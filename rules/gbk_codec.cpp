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
// 0x40-0xFE; an undecodable one is skipped whole so its trail byte is not
// misread as ASCII.
constexpr bool IsGbkLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
constexpr bool IsGbkTrail(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

std::size_t GbkSequenceLength(unsigned char lead, std::string_view rest) {
  if (IsGbkLead(lead) && rest.size() >= 2 && IsGbkTrail(static_cast<unsigned char>(rest[1])))
    return 2;
  return 1;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The UTF-8 form of every GBK double-byte character, asked of iconv one lead
// byte's row at a time, when a text first uses that row; a report uses a few
// dozen rows. A size of 0 marks a pair that is not a character.
class GbkCharacterTable {
 public:
  struct Entry {
    char bytes[4];
    unsigned char size;
  };

  const Entry& At(unsigned char lead, unsigned char trail) {
    const int row = lead - 0x81;
    if (!filled_[row].load(std::memory_order_acquire)) Fill(row);
    return rows_[row][trail - 0x40];
  }

 private:
  static constexpr int kRows = 0xFE - 0x81 + 1;
  static constexpr int kTrails = 0xFE - 0x40 + 1;

  void Fill(int row) {
    const std::lock_guard lock(filling_);
    if (filled_[row].load(std::memory_order_relaxed)) return;
    Converter converter("UTF-8", "GBK");
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      Entry& entry = rows_[row][trail - 0x40];
      entry = {};
      if (!IsGbkTrail(static_cast<unsigned char>(trail))) continue;
      const char pair[2] = {static_cast<char>(0x81 + row), static_cast<char>(trail)};
      std::string_view in(pair, 2);
      std::string out;
      if (converter.Run(in, out) && out.size() <= sizeof entry.bytes) {
        out.copy(entry.bytes, out.size());
        entry.size = static_cast<unsigned char>(out.size());
      }
    }
    filled_[row].store(true, std::memory_order_release);
  }

  Entry rows_[kRows][kTrails];
  std::atomic<bool> filled_[kRows] = {};
  std::mutex filling_;
};

GbkCharacterTable& CharacterTable() {
  static GbkCharacterTable table;
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
  // Written through a pointer into room for the longest result: three bytes
  // for every byte, as a lone undecodable byte becomes U+FFFD.
  const std::size_t start = out.size();
  out.resize(start + 3 * gbk.size());
  char* to = out.data() + start;
  GbkCharacterTable& table = CharacterTable();
  for (std::size_t i = 0; i < gbk.size();) {
    const auto lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      *to++ = static_cast<char>(lead);
      ++i;
      continue;
    }
    const auto trail = i + 1 < gbk.size() ? static_cast<unsigned char>(gbk[i + 1]) : 0;
    const GbkCharacterTable::Entry* entry =
        IsGbkLead(lead) && IsGbkTrail(trail) ? &table.At(lead, trail) : nullptr;
    if (entry && entry->size > 0) {
      std::memcpy(to, entry->bytes, sizeof entry->bytes);
      to += entry->size;
    } else {
      std::memcpy(to, kReplacement.data(), kReplacement.size());
      to += kReplacement.size();
    }
    i += entry ? 2 : 1;
  }
  out.resize(to - out.data());
}

}  // namespace kesmal
