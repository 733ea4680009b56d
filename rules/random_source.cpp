#include "rules/random_source.h"

namespace kesmal {
namespace {

// In the position-independent archives the Python module links, initial-exec
// keeps the state one load from the thread pointer away rather than a call;
// elsewhere the compiler's local-exec is as near as a global.
#if defined(__GNUC__) && defined(__PIC__) && !defined(__PIE__)
#define KESMAL_FAST_TLS __attribute__((tls_model("initial-exec")))
#else
#define KESMAL_FAST_TLS
#endif

// The state this thread draws from; before any seed, as it always was.
thread_local std::uint64_t threadState KESMAL_FAST_TLS = 0x853c49e6748fea9bULL;

}  // namespace

UsingRandomSource::UsingRandomSource(RandomSource& source) : source_(source), saved_(threadState) {
  threadState = source.State();
}

UsingRandomSource::~UsingRandomSource() {
  source_.Restore(threadState);
  threadState = saved_;
}

void SeedRandom(std::uint32_t seed) { threadState = RandomSource(seed).State(); }

std::int32_t RandomDraw() { return RandomSource::Step(threadState); }

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
