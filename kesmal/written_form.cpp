#include "kesmal/written_form.h"

#include <algorithm>
#include <bitset>

#include "rules/layout.h"

namespace kesmal {
namespace {

constexpr unsigned char kFullWidthLead = 0xEF;

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || IsLower(c) || IsUpper(c); }

// The ASCII letter or digit a full-width one stands for; 0 for none.
char AsciiOfFullWidth(unsigned char second, unsigned char third) {
  if (second == 0xBC && third >= 0x90 && third <= 0x99)
    return static_cast<char>('0' + third - 0x90);
  if (second == 0xBC && third >= 0xA1 && third <= 0xBA)
    return static_cast<char>('A' + third - 0xA1);
  if (second == 0xBD && third >= 0x81 && third <= 0x9A)
    return static_cast<char>('a' + third - 0x81);
  return 0;
}

// The letter or digit at `at` as ASCII, its case kept; 0 for another character.
char AsciiAt(std::string_view text, std::size_t at) {
  const char c = text[at];
  if (IsAsciiAlnum(c)) return c;
  if (static_cast<unsigned char>(c) != kFullWidthLead || at + 2 >= text.size()) return 0;
  return AsciiOfFullWidth(static_cast<unsigned char>(text[at + 1]),
                          static_cast<unsigned char>(text[at + 2]));
}

void AppendFullWidth(char c, std::string& out) {
  out += static_cast<char>(kFullWidthLead);
  if (c >= '0' && c <= '9') {
    out += static_cast<char>(0xBC);
    out += static_cast<char>(0x90 + (c - '0'));
  } else if (IsUpper(c)) {
    out += static_cast<char>(0xBC);
    out += static_cast<char>(0xA1 + (c - 'A'));
  } else {
    out += static_cast<char>(0xBD);
    out += static_cast<char>(0x81 + (c - 'a'));
  }
}

char Lower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the written letters are all small: a letter where a digit stood
// is then written small too.
bool SmallLetters(std::string_view written) {
  bool small = false;
  for (std::size_t at = 0; at < written.size(); ++at) {
    const char c = AsciiAt(written, at);
    if (IsUpper(c)) return false;
    small |= IsLower(c);
  }
  return small;
}

// The canonical positions of the kept fields the numbers carry.
std::bitset<18> KeptPositions(Jurisdiction jurisdiction, KeepSet keep) {
  const FieldPositions& positions = PositionsOf(jurisdiction);
  std::bitset<18> kept;
  const auto mark = [&](KeptField field, FieldSpan span) {
    if (keep.Has(field))
      for (std::size_t i = span.from; i < span.from + span.count; ++i) kept.set(i);
  };
  mark(KeptField::Region, positions.region);
  mark(KeptField::Province, positions.province);
  mark(KeptField::BirthDate, positions.birthDate);
  mark(KeptField::BirthYear, positions.birthYear);
  mark(KeptField::Sex, positions.sex);
  return kept;
}

bool AllAsciiAlnum(std::string_view text) { return std::ranges::all_of(text, IsAsciiAlnum); }

// Most numbers stand as they are checked, in ASCII without separators.
std::string AsciiInWrittenForm(std::string_view written, std::string_view canonical) {
  std::string out(canonical);
  bool upper = false, lower = false;
  for (char c : written) upper |= IsUpper(c), lower |= IsLower(c);
  for (std::size_t i = 0; i < out.size(); ++i)
    if (IsLower(written[i]) || (lower && !upper && !IsUpper(written[i]))) out[i] = Lower(out[i]);
  return out;
}

}  // namespace

std::size_t AlnumLength(std::string_view text, std::size_t at) {
  if (IsAsciiAlnum(text[at])) return 1;
  return AsciiAt(text, at) ? 3 : 0;
}

std::string CanonicalOf(std::string_view written) {
  if (AllAsciiAlnum(written)) {
    std::string canonical(written);
    for (char& c : canonical)
      if (IsLower(c)) c = static_cast<char>(c - 'a' + 'A');
    return canonical;
  }
  std::string canonical;
  for (std::size_t at = 0; at < written.size();) {
    const std::size_t length = AlnumLength(written, at);
    if (length) {
      const char c = AsciiAt(written, at);
      canonical += IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
    }
    at += length ? length : 1;
  }
  return canonical;
}

std::string InWrittenForm(std::string_view written, std::string_view canonical) {
  if (written.size() == canonical.size() && AllAsciiAlnum(written))
    return AsciiInWrittenForm(written, canonical);
  const bool small = SmallLetters(written);
  std::string out;
  out.reserve(written.size());
  std::size_t next = 0;
  for (std::size_t at = 0; at < written.size();) {
    const std::size_t length = AlnumLength(written, at);
    if (!length || next >= canonical.size()) {
      out += written[at++];
      continue;
    }
    const char was = AsciiAt(written, at);
    char c = canonical[next++];
    if (IsLower(was) || (small && !IsUpper(was))) c = Lower(c);
    if (length == 3)
      AppendFullWidth(c, out);
    else
      out += c;
    at += length;
  }
  return out;
}

std::string Redacted(std::string_view written, Jurisdiction jurisdiction, KeepSet keep) {
  const auto kept = KeptPositions(jurisdiction, keep);
  std::string out;
  out.reserve(written.size());
  std::size_t position = 0;
  for (std::size_t at = 0; at < written.size();) {
    const std::size_t length = AlnumLength(written, at);
    if (!length) {
      out += written[at++];
      continue;
    }
    if (position < kept.size() && kept.test(position))
      out.append(written.substr(at, length));
    else
      out += length == 3 ? "\xEF\xBC\x8A" : "*";
    ++position;
    at += length;
  }
  return out;
}

}  // namespace kesmal
