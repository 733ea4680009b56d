#pragma once
// Scans for the few bytes that need care (quotes, line breaks, lowercase,
// non-ASCII) sixteen bytes at a time: most text the command line writes or
// reads holds none of them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kesmal {

using ByteVector = unsigned char __attribute__((vector_size(16)));

// Whether the sixteen bytes from `at` hold a special byte.
template <typename IsSpecial>
bool VectorHolds(const char* at, IsSpecial isSpecial) {
  ByteVector v;
  std::memcpy(&v, at, sizeof v);
  const auto special = isSpecial(v);
  std::uint64_t halves[2];
  std::memcpy(halves, &special, sizeof halves);
  return halves[0] | halves[1];
}

// How many bytes at the start are not special. `isSpecial` takes a byte or a
// vector of sixteen, and must not take the byte 'A', which fills out a text
// shorter than sixteen bytes to one vector. The last vector of a longer text
// that is no multiple of sixteen long overlaps the one before, whose bytes are
// already known plain.
template <typename IsSpecial>
std::size_t PrefixWithout(std::string_view text, IsSpecial isSpecial) {
  std::size_t i = 0;
  if (text.empty()) return 0;
  if (text.size() < sizeof(ByteVector)) {
    char padded[sizeof(ByteVector)];
    std::memset(padded, 'A', sizeof padded);
    std::memcpy(padded, text.data(), text.size());
    if (!VectorHolds(padded, isSpecial)) return text.size();
  } else {
    const std::size_t last = text.size() - sizeof(ByteVector);
    for (; i < last && !VectorHolds(text.data() + i, isSpecial); i += sizeof(ByteVector)) {
    }
    if (i >= last && !VectorHolds(text.data() + last, isSpecial)) return text.size();
  }
  while (i < text.size() && !isSpecial(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

template <typename IsSpecial>
bool HoldsNone(std::string_view text, IsSpecial isSpecial) {
  return PrefixWithout(text, isSpecial) == text.size();
}

}  // namespace kesmal
