#pragma once
// Random sources. Every random choice of the generators and of the panels'
// default dates is a 31-bit draw, reduced modulo n, from the source the
// calling thread uses: its own default one, which the window seeds once, or
// a stream's own while it makes a block of numbers (see UsingRandomSource).
#include <cstdint>
#include <optional>
#include <string>

#include "rules/id_report.h"

namespace kesmal {

// A 64-bit linear congruential generator whose draws are its top 31 bits.
class RandomSource {
 public:
  // Seeded as SeedRandom seeds a thread's default source.
  explicit RandomSource(std::uint32_t seed) : state_(seed) { Draw(); }

  // Uniform over 0 .. 2147483647.
  std::int32_t Draw() { return Step(state_); }

  // The draw of a state, advanced.
  static std::int32_t Step(std::uint64_t& state) {
    state = state * kMultiplier + kIncrement;
    return static_cast<std::int32_t>(state >> 33);
  }

  std::uint64_t State() const { return state_; }
  void Restore(std::uint64_t state) { state_ = state; }

 private:
  // Knuth's MMIX constants; the low bits of an LCG are weak, so draws take the top 31.
  static constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
  static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

  std::uint64_t state_;
};

// Makes the source the one this thread draws from while the object lives:
// its state is drawn from in place of the thread's, and given back to it at
// the end. The source must outlive the object.
class UsingRandomSource {
 public:
  explicit UsingRandomSource(RandomSource& source);
  ~UsingRandomSource();
  UsingRandomSource(const UsingRandomSource&) = delete;
  UsingRandomSource& operator=(const UsingRandomSource&) = delete;

 private:
  RandomSource& source_;
  std::uint64_t saved_;  // the state the thread drew from before
};

// Seeds this thread's default source: the window's, on its one thread.
void SeedRandom(std::uint32_t seed);

// Uniform over 0 .. 2147483647, from this thread's source.
std::int32_t RandomDraw();

// 0 without a draw when n is 0; otherwise RandomDraw() mod n.
std::int32_t RandomBelow(std::int32_t n);

// A value from low to high in decimal, padded with leading zeros to width.
// Equal bounds write a fixed field and make no draw.
std::string RandomDigits(std::int32_t low, std::int32_t high, std::int32_t width);

// The sex digit of the Taiwan and Korea forms: '1' male, '2' female; drawn
// when the settings leave the sex open.
char SexDigitOneOrTwo(std::optional<HolderSex> fixed);

}  // namespace kesmal
