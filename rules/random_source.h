#pragma once
// The one random source of the process. Every random choice of the generators
// and of the panels' default dates is a 31-bit draw from it, reduced modulo n.
#include <cstdint>
#include <optional>
#include <string>

#include "rules/id_report.h"

namespace kesmal {

void SeedRandom(std::uint32_t seed);

// The whole state, so that a lazy stream of numbers can draw as if alone.
std::uint64_t RandomState();
void RestoreRandom(std::uint64_t saved);

// Uniform over 0 .. 2147483647.
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
