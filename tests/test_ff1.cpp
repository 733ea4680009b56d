#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "kesmal/ff1.h"

namespace kesmal {
namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

Ff1Key KeyOf(std::string_view hex) {
  Ff1Key key{};
  const auto bytes = FromHex(hex);
  std::copy(bytes.begin(), bytes.end(), key.begin());
  return key;
}

const Ff1Key kSampleKey = KeyOf("2B7E151628AED2A6ABF7158809CF4F3CEF4359D8D580AA4F7F036D6F04FC6A94");

struct Sample {
  const char* name;
  int radix;
  const char* tweak;
  const char* plain;
  const char* cipher;
};

class NistSamples : public testing::TestWithParam<Sample> {};

TEST_P(NistSamples, EncryptToTheirCipherTextAndBack) {
  const auto& row = GetParam();
  Ff1 ff1(kSampleKey);
  const auto tweak = FromHex(row.tweak);
  EXPECT_EQ(ff1.Encrypt(row.plain, row.radix, tweak), row.cipher);
  EXPECT_EQ(ff1.Decrypt(row.cipher, row.radix, tweak), row.plain);
}

// AES-256 samples 7 to 9 of NIST's FF1 examples; the last takes Q over two blocks.
INSTANTIATE_TEST_SUITE_P(
    , NistSamples,
    testing::Values(Sample{"radix_10_no_tweak", 10, "", "0123456789", "6657667009"},
                    Sample{"radix_10_tweak", 10, "39383736353433323130", "0123456789",
                           "1001623463"},
                    Sample{"radix_36_tweak_of_two_blocks", 36, "3737373770717273373737",
                           "0123456789abcdefghi", "xs8a0azh2avyalyzuwd"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
  const char* name;
  int radix;
  const char* numerals;
};

class Ff1Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Ff1Refusals, Throw) {
  Ff1 ff1(kSampleKey);
  EXPECT_THROW(ff1.Encrypt(GetParam().numerals, GetParam().radix, {}), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(, Ff1Refusals,
                         testing::Values(Refusal{"radix_1", 1, "00000000000000000000"},
                                         Refusal{"radix_37", 37, "0123456789"},
                                         Refusal{"numeral_outside_the_radix", 10, "01234567a9"},
                                         Refusal{"below_a_million_strings", 10, "12345"},
                                         Refusal{"half_past_64_bits", 10,
                                                 "0123456789012345678901234567890123456789"}),
                         [](const auto& info) { return std::string(info.param.name); });

// 999,983 is prime, so the walk from 2^20 values back below it is exercised.
// The indexes go through eight at a time and come back one by one, so the
// two ways must agree.
TEST(Ff1Index, EveryIndexBelowACountGoesToADistinctOneAndBack) {
  constexpr std::uint64_t kCount = 999983;
  Ff1 ff1(kSampleKey);
  const std::vector<std::uint8_t> tweak{1, 2, 3};
  std::vector<Ff1::IndexJob> jobs;
  for (std::uint64_t index = 0; index < kCount; ++index) jobs.push_back({index, kCount, tweak});
  ff1.EncipherIndexes(jobs);
  std::vector<bool> reached(kCount);
  for (std::uint64_t index = 0; index < kCount; ++index) {
    const std::uint64_t image = jobs[index].index;
    ASSERT_LT(image, kCount);
    ASSERT_FALSE(reached[image]) << index << " lands where another did";
    reached[image] = true;
    ASSERT_EQ(ff1.DecipherIndex(image, kCount, tweak), index);
  }
}

}  // namespace
}  // namespace kesmal
