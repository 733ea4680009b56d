#pragma once
// Scans for the few bytes that need care (quotes, line breaks, lowercase,
// non-ASCII) sixteen bytes at a time: most text the command line writes or
// reads holds none of them.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kesmal {

using ByteVector = unsigned char __attribute__((vector_size(16)));

// One bit for each special byte of the sixteen, the first byte's lowest.
template <typename IsSpecial>
unsigned SpecialBits(ByteVector v, IsSpecial isSpecial) {
  const auto special = isSpecial(v);
#ifdef __SSE2__
  return static_cast<unsigned>(_mm_movemask_epi8(reinterpret_cast<__m128i>(special)));
#else
  unsigned bits = 0;
  for (int i = 0; i < 16; ++i) bits |= (special[i] != 0 ? 1u : 0u) << i;
  return bits;
#endif
}

inline ByteVector LoadVector(const char* at) {
  ByteVector v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// Two pieces of the size of Piece side by side at the start of a vector, the rest 'A'.
template <typename Piece>
ByteVector JoinPieces(const char* first, const char* second) {
  ByteVector v = {};
  v += 'A';
  std::memcpy(reinterpret_cast<char*>(&v), first, sizeof(Piece));
  std::memcpy(reinterpret_cast<char*>(&v) + sizeof(Piece), second, sizeof(Piece));
  return v;
}

// How many bytes at the start are not special; with `to`, those bytes are
// also copied there, and up to sixteen bytes of the text after them may be
// too (`to` has room for the whole text). `isSpecial` takes a byte or a vector
// of sixteen, and must not take the byte 'A', which fills out a vector. A
// text of 4 to 15 bytes is read as its first and last 4 or 8 bytes, which
// overlap, and the last vector of a longer text overlaps the one before.
template <typename IsSpecial>
std::size_t PrefixWithout(std::string_view text, IsSpecial isSpecial, char* to = nullptr) {
  const char* at = text.data();
  const std::size_t size = text.size();
  const auto copy = [&](std::size_t from, std::size_t bytes) {
    if (to) std::memcpy(to + from, at + from, bytes);
  };
  if (size >= 16) {
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
      copy(i, 16);
      if (const unsigned bits = SpecialBits(LoadVector(at + i), isSpecial))
        return i + std::countr_zero(bits);
    }
    if (i == size) return size;
    copy(size - 16, 16);
    const unsigned bits = SpecialBits(LoadVector(at + size - 16), isSpecial);
    return bits ? size - 16 + std::countr_zero(bits) : size;
  }
  if (size >= 8) {
    copy(0, 8);
    copy(size - 8, 8);
    const unsigned bits = SpecialBits(JoinPieces<std::uint64_t>(at, at + size - 8), isSpecial);
    if (!bits) return size;
    return (bits & 0xFF) ? std::countr_zero(bits) : size - 16 + std::countr_zero(bits);
  }
  if (size >= 4) {
    copy(0, 4);
    copy(size - 4, 4);
    const unsigned bits =
        SpecialBits(JoinPieces<std::uint32_t>(at, at + size - 4), isSpecial) & 0xFF;
    if (!bits) return size;
    return (bits & 0xF) ? std::countr_zero(bits) : size - 8 + std::countr_zero(bits);
  }
  for (std::size_t i = 0; i < size; ++i) {
    if (isSpecial(static_cast<unsigned char>(at[i]))) return i;
    if (to) to[i] = at[i];
  }
  return size;
}

template <typename IsSpecial>
bool HoldsNone(std::string_view text, IsSpecial isSpecial) {
  return PrefixWithout(text, isSpecial) == text.size();
}

}  // namespace kesmal
