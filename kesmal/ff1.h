#pragma once
// FF1 of NIST SP 800-38G over AES-256 (kesmal/aes_block.h): a keyed permutation of the
// numeral strings of one radix and length, chosen by a tweak, and through it a
// permutation of the integers below any count. The key schedule is made once,
// when the object is; an object serves one thread at a time.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "kesmal/aes_block.h"

namespace kesmal {

using Ff1Key = std::array<std::uint8_t, 32>;

class Ff1 {
 public:
  using Bytes = std::span<const std::uint8_t>;

  explicit Ff1(const Ff1Key& key);
  ~Ff1();
  Ff1(Ff1&&) noexcept;
  Ff1& operator=(Ff1&&) noexcept;

  // Numerals are written 0-9 then a-z (capitals read as small letters); the
  // radix is 2 to 36, radix^length at least 1,000,000, and each half of the
  // string below 2^64 in value. Throws std::invalid_argument otherwise.
  std::string Encrypt(std::string_view numerals, int radix, Bytes tweak);
  std::string Decrypt(std::string_view numerals, int radix, Bytes tweak);

  // A permutation of 0 .. count-1 for each tweak: the index, written in
  // binary in the fewest digits (at least 20) whose values hold count, is
  // enciphered until the value falls below count. Every value below count
  // lies on a cycle of FF1 that comes back to it, so walking on from one never
  // lands on another's pseudonym.
  std::uint64_t EncipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak);
  std::uint64_t DecipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak);

  // Many indexes, each replaced as the calls above would replace it: the AES
  // blocks of eight at a time go through AES together, which costs little
  // more than one.
  struct IndexJob {
    std::uint64_t index;
    std::uint64_t count;
    Bytes tweak;
  };
  void EncipherIndexes(std::span<IndexJob> jobs);
  void DecipherIndexes(std::span<IndexJob> jobs);

 private:
  using Block = std::array<std::uint8_t, 16>;
  struct Setup;
  struct Lane {
    const Setup* setup;
    std::uint64_t left, right;  // NUM(A), NUM(B)
  };
  static constexpr std::size_t kLanes = 8;

  Setup Prepare(int radix, int length, Bytes tweak);
  void Rounds(std::span<Lane> lanes, bool decrypt);
  static void Round(Lane& lane, int round, const Block& r, bool decrypt);
  std::string OnNumerals(std::string_view numerals, int radix, Bytes tweak, bool decrypt);
  void Walk(std::span<IndexJob> jobs, bool decrypt);
  void Cipher(const Block* in, Block* out, std::size_t blocks);
  Block Cipher(const Block& in);
  const Block& CipheredP(const Block& p, std::uint64_t shape);

  AesBlocks aes_;
  // Calls share a few radixes, lengths and tweak lengths, so the PRF's first
  // block, P, is enciphered once for each.
  std::array<std::pair<std::uint64_t, Block>, 16> pCache_{};
  std::size_t pCacheNext_ = 0;
};

}  // namespace kesmal
