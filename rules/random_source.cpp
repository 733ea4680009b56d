#include "rules/random_source.h"

namespace kesmal {
namespace {

// The state before any seed, as it always was.
RandomSource processSource = [] {
  RandomSource source(0);
  source.Restore(0x853c49e6748fea9bULL);
  return source;
}();

// Initial-exec: one load from the thread pointer on every draw, even in the
// position-independent archives the Python module links.
#if defined(__GNUC__)
#define KESMAL_FAST_TLS __attribute__((tls_model("initial-exec")))
#else
#define KESMAL_FAST_TLS
#endif

thread_local RandomSource* threadSource KESMAL_FAST_TLS = nullptr;

RandomSource& Current() { return threadSource ? *threadSource : processSource; }

}  // namespace

UsingRandomSource::UsingRandomSource(RandomSource& source) : previous_(threadSource) {
  threadSource = &source;
}

UsingRandomSource::~UsingRandomSource() { threadSource = previous_; }

void SeedRandom(std::uint32_t seed) { processSource = RandomSource(seed); }

std::int32_t RandomDraw() { return Current().Draw(); }

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
