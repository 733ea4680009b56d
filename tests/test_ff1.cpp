#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
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

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t byte : bytes) (hex += kDigits[byte >> 4]) += kDigits[byte & 15];
  return hex.empty() ? "-" : hex;
}

// A model of FF1 written from SP 800-38G alone (tests/ff1_model.py, which
// first reproduces NIST's AES-256 samples) agrees with the library where the
// samples do not reach: radix 2 at every length from 20 to 64, tweaks of
// every length modulo 16 (so that the padding before the round number takes
// every length, none among them), other radixes, and indexes below counts
// that are powers of two, a million, and just past a power of two.
TEST(Ff1Model, AgreesWithTheLibraryWhereTheSamplesDoNotReach) {
  std::mt19937 random(38);
  const auto bytes = [&](std::size_t count) {
    std::vector<std::uint8_t> out(count);
    for (auto& byte : out) byte = static_cast<std::uint8_t>(random());
    return out;
  };
  const auto numerals = [&](int radix, int length) {
    std::string text;
    for (int i = 0; i < length; ++i)
      text += "0123456789abcdefghijklmnopqrstuvwxyz"[random() % static_cast<unsigned>(radix)];
    return text;
  };
  std::string cases;
  const auto encrypt = [&](int radix, int length, std::size_t tweakLength) {
    Ff1Key key{};
    const auto keyBytes = bytes(key.size());
    std::copy(keyBytes.begin(), keyBytes.end(), key.begin());
    Ff1 ff1(key);
    const auto tweak = bytes(tweakLength);
    const std::string plain = numerals(radix, length);
    const std::string cipher = ff1.Encrypt(plain, radix, tweak);
    EXPECT_EQ(ff1.Decrypt(cipher, radix, tweak), plain);
    cases += "E " + Hex(key) + " " + std::to_string(radix) + " " + Hex(tweak) + " " + plain + " " +
             cipher + "\n";
  };
  for (int length = 20; length <= 64; ++length)
    for (int i = 0; i < 2; ++i) encrypt(2, length, static_cast<std::size_t>(length + 7 * i) % 35);
  for (std::size_t tweakLength = 0; tweakLength <= 40; ++tweakLength)
    encrypt(10, 6 + static_cast<int>(tweakLength % 14), tweakLength);
  for (int length = 4; length <= 24; ++length) encrypt(36, length, 11);

  Ff1 ff1(kSampleKey);
  std::vector<std::vector<std::uint8_t>> tweaks;
  std::vector<Ff1::IndexJob> jobs;
  for (const std::uint64_t count :
       {std::uint64_t{1} << 20, std::uint64_t{1} << 21, std::uint64_t{1} << 33,
        std::uint64_t{1} << 40, std::uint64_t{1000000}, std::uint64_t{1000001},
        (std::uint64_t{1} << 20) + 1, (std::uint64_t{1} << 34) + 1, std::uint64_t{999999937}}) {
    for (int i = 0; i < 3; ++i) {
      tweaks.push_back(bytes(random() % 20));
      jobs.push_back({random() % count, count, {}});
    }
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) jobs[i].tweak = tweaks[i];
  std::vector<Ff1::IndexJob> images = jobs;
  ff1.EncipherIndexes(images);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_EQ(ff1.EncipherIndex(jobs[i].index, jobs[i].count, jobs[i].tweak), images[i].index);
    cases += "I " + Hex(kSampleKey) + " " + std::to_string(jobs[i].count) + " " +
             Hex(jobs[i].tweak) + " " + std::to_string(jobs[i].index) + " " +
             std::to_string(images[i].index) + "\n";
  }

  char path[] = "/tmp/kesmal_ff1_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::ofstream(path) << cases;
  const std::string command = std::string(KESMAL_PYTHON) + " " + KESMAL_FF1_MODEL + " " + path;
  const int status = std::system(command.c_str());
  std::remove(path);
  EXPECT_EQ(status, 0) << command;
}

}  // namespace
}  // namespace kesmal
