#include "rules/random_source.h"

namespace kesmal {
namespace {

// Knuth's MMIX constants; the low bits of an LCG are weak, so draws take the top 31.
constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

std::uint64_t state = 0x853c49e6748fea9bULL;

}  // namespace

void SeedRandom(std::uint32_t seed) {
  state = seed;
  RandomDraw();  // spread a small seed over the whole state
}

std::uint64_t RandomState() { return state; }

void RestoreRandom(std::uint64_t saved) { state = saved; }

std::int32_t RandomDraw() {
  state = state * kMultiplier + kIncrement;
  return static_cast<std::int32_t>(state >> 33);
}

std::int32_t RandomBelow(std::int32_t n) {
  if (n == 0) return 0;
  return RandomDraw() % n;
}

std::string RandomDigits(std::int32_t low, std::int32_t high, std::int32_t width) {
  const std::int32_t value = low == high ? low : low + RandomBelow(high - low + 1);
  std::string text = std::to_string(value);
  if (static_cast<std::int32_t>(text.size()) < width) text.insert(0, width - text.size(), '0');
  return text;
}

char SexDigitOneOrTwo(std::optional<HolderSex> fixed) {
  if (fixed) return *fixed == HolderSex::Male ? '1' : '2';
  return static_cast<char>('1' + RandomDraw() % 2);
}

}  // namespace kesmal
