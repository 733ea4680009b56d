#include "kesmal/ff1.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace kesmal {
namespace {

__extension__ using Wide = unsigned __int128;

constexpr std::uint64_t kMinimumDomain = 1000000;
constexpr int kRounds = 10;

// radix^length, or 0 when it does not fit 64 bits.
std::uint64_t Power(int radix, int length) {
  if (std::has_single_bit(static_cast<unsigned>(radix))) {
    const int bits = std::countr_zero(static_cast<unsigned>(radix)) * length;
    return bits < 64 ? std::uint64_t{1} << bits : 0;
  }
  const std::uint64_t limit = UINT64_MAX / static_cast<std::uint64_t>(radix);
  std::uint64_t power = 1;
  for (int i = 0; i < length; ++i) {
    if (power > limit) return 0;
    power *= static_cast<std::uint64_t>(radix);
  }
  return power;
}

int NumeralValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

std::uint64_t ValueOf(std::string_view numerals, int radix) {
  std::uint64_t value = 0;
  for (const char c : numerals) {
    const int numeral = NumeralValue(c);
    if (numeral >= radix) throw std::invalid_argument("FF1: a numeral outside the radix");
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(numeral);
  }
  return value;
}

void AppendNumerals(std::string& out, std::uint64_t value, int radix, int length) {
  static constexpr char kNumerals[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  const std::size_t end = out.size() + static_cast<std::size_t>(length);
  out.resize(end);
  for (std::size_t i = end; i > end - static_cast<std::size_t>(length); --i) {
    out[i - 1] = kNumerals[value % static_cast<std::uint64_t>(radix)];
    value /= static_cast<std::uint64_t>(radix);
  }
}

void PutBigEndian(std::uint8_t* at, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<std::uint8_t>(value);
}

std::uint64_t BigEndian(std::uint64_t value) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(value);
  return value;
}

// NUM(S) modulo 2^64: S's last eight bytes, as d is at least 8.
std::uint64_t LowBits(const std::array<std::uint8_t, 16>& r, int d) {
  std::uint64_t low;
  std::memcpy(&low, &r[static_cast<std::size_t>(d - 8)], 8);
  return BigEndian(low);
}

// A value below 2^(8b) written big-endian over the last b bytes, XORed in.
void XorTail(std::array<std::uint8_t, 16>& block, std::uint64_t value) {
  std::uint64_t tail;
  std::memcpy(&tail, &block[8], 8);
  tail ^= BigEndian(value);
  std::memcpy(&block[8], &tail, 8);
}

std::uint64_t Reduce(const std::array<std::uint8_t, 16>& r, int d, std::uint64_t modulus) {
  Wide y = 0;
  for (int i = 0; i < d; ++i) y = y << 8 | r[i];
  return static_cast<std::uint64_t>(y % modulus);
}

}  // namespace

// What stays the same over the ten rounds of one call.
struct Ff1::Setup {
  int u, v;
  std::uint64_t radixU, radixV;
  bool powerOfTwo;  // then a reduction is a mask
  int b, d;
  // The PRF's chain over P and every block of Q but the last, XORed with
  // Q's last block as it is before the round and NUM(B) are written in.
  Block start;
};

Ff1::Ff1(const Ff1Key& key) : aes_(key) {}

Ff1::~Ff1() = default;
Ff1::Ff1(Ff1&&) noexcept = default;
Ff1& Ff1::operator=(Ff1&&) noexcept = default;

void Ff1::Cipher(const Block* in, Block* out, std::size_t blocks) {
  aes_.Encipher(in->data(), out->data(), blocks);
}

Ff1::Block Ff1::Cipher(const Block& in) {
  Block out;
  Cipher(&in, &out, 1);
  return out;
}

// P is made of the radix, the length and the tweak's length alone.
const Ff1::Block& Ff1::CipheredP(const Block& p, std::uint64_t shape) {
  for (const auto& [known, ciphered] : pCache_)
    if (known == shape) return ciphered;
  auto& slot = pCache_[pCacheNext_++ % pCache_.size()];
  slot = {shape, Cipher(p)};
  return slot.second;
}

Ff1::Setup Ff1::Prepare(int radix, int length, Bytes tweak) {
  if (radix < 2 || radix > 36) throw std::invalid_argument("FF1: the radix must be 2 to 36");
  Setup s{};
  s.u = length / 2;
  s.v = length - s.u;
  s.radixU = Power(radix, s.u);
  s.radixV = Power(radix, s.v);
  if (s.radixV == 0) throw std::invalid_argument("FF1: numeral string too long for its radix");
  if (static_cast<Wide>(s.radixU) * s.radixV < kMinimumDomain)
    throw std::invalid_argument("FF1: radix^length must be at least 1,000,000");
  s.powerOfTwo = std::has_single_bit(static_cast<unsigned>(radix));
  s.b = (std::bit_width(s.radixV - 1) + 7) / 8;
  s.d = 4 * ((s.b + 3) / 4) + 4;

  const auto t = static_cast<std::uint64_t>(tweak.size());
  if (t > UINT32_MAX) throw std::invalid_argument("FF1: a tweak of 2^32 bytes or more");
  Block p{1, 2, 1};
  PutBigEndian(&p[3], static_cast<std::uint64_t>(radix), 3);
  p[6] = 10;
  p[7] = static_cast<std::uint8_t>(s.u % 256);
  PutBigEndian(&p[8], static_cast<std::uint64_t>(length), 4);
  PutBigEndian(&p[12], t, 4);
  Block chained = CipheredP(
      p, static_cast<std::uint64_t>(radix) | static_cast<std::uint64_t>(length) << 8 | t << 24);

  // Q = T || 0^pad || [i] || [NUM(B)]^b, a whole number of blocks; only its
  // last block changes from round to round.
  const std::uint64_t padded = t + (16 - (t + static_cast<std::uint64_t>(s.b) + 1) % 16) % 16;
  const std::uint64_t qLength = padded + 1 + static_cast<std::uint64_t>(s.b);
  const auto qByte = [&](std::uint64_t at) { return at < t ? tweak[at] : std::uint8_t{0}; };
  for (std::uint64_t from = 0; from + 16 < qLength; from += 16) {
    Block x;
    for (int i = 0; i < 16; ++i) x[i] = chained[i] ^ qByte(from + i);
    chained = Cipher(x);
  }
  s.start = chained;
  for (int i = 0; i < 16; ++i) s.start[i] ^= qByte(qLength - 16 + i);
  return s;
}

// One lane's round after AES gave R: c = (NUM(A) + y) mod radix^m, or
// NUM(B) - y when deciphering, then the halves move on.
void Ff1::Round(Lane& lane, int round, const Block& r, bool decrypt) {
  const Setup& s = *lane.setup;
  const std::uint64_t modulus = round % 2 == 0 ? s.radixU : s.radixV;
  const std::uint64_t y = s.powerOfTwo ? LowBits(r, s.d) & (modulus - 1) : Reduce(r, s.d, modulus);
  if (decrypt) {
    const std::uint64_t c = (lane.right % modulus + modulus - y) % modulus;
    lane.right = lane.left;
    lane.left = c;
    return;
  }
  const std::uint64_t c =
      s.powerOfTwo ? (lane.left + y) & (modulus - 1)
                   : static_cast<std::uint64_t>((static_cast<Wide>(lane.left) + y) % modulus);
  lane.left = lane.right;
  lane.right = c;
}

// The ten rounds of each lane, the lanes' blocks through AES together.
void Ff1::Rounds(std::span<Lane> lanes, bool decrypt) {
  std::array<Block, kLanes> q, r;
  for (int step = 0; step < kRounds; ++step) {
    const int round = decrypt ? kRounds - 1 - step : step;
    for (std::size_t k = 0; k < lanes.size(); ++k) {
      const Setup& s = *lanes[k].setup;
      q[k] = s.start;
      q[k][15 - s.b] ^= static_cast<std::uint8_t>(round);
      XorTail(q[k], decrypt ? lanes[k].left : lanes[k].right);
    }
    Cipher(q.data(), r.data(), lanes.size());
    for (std::size_t k = 0; k < lanes.size(); ++k) Round(lanes[k], round, r[k], decrypt);
  }
}

std::string Ff1::OnNumerals(std::string_view numerals, int radix, Bytes tweak, bool decrypt) {
  const int length = static_cast<int>(numerals.size());
  const Setup setup = Prepare(radix, length, tweak);
  Lane lane{&setup, ValueOf(numerals.substr(0, setup.u), radix),
            ValueOf(numerals.substr(setup.u), radix)};
  Rounds({&lane, 1}, decrypt);
  std::string out;
  out.reserve(numerals.size());
  AppendNumerals(out, lane.left, radix, setup.u);
  AppendNumerals(out, lane.right, radix, setup.v);
  return out;
}

std::string Ff1::Encrypt(std::string_view numerals, int radix, Bytes tweak) {
  return OnNumerals(numerals, radix, tweak, false);
}

std::string Ff1::Decrypt(std::string_view numerals, int radix, Bytes tweak) {
  return OnNumerals(numerals, radix, tweak, true);
}

// Each chunk of jobs walks together; a lane leaves once its value is below
// its count, and the rest go round again.
void Ff1::Walk(std::span<IndexJob> jobs, bool decrypt) {
  for (std::size_t from = 0; from < jobs.size(); from += kLanes) {
    const auto chunk = jobs.subspan(from, std::min(kLanes, jobs.size() - from));
    std::array<Setup, kLanes> setups;
    std::array<Lane, kLanes> lanes;
    std::array<IndexJob*, kLanes> jobOfLane;
    for (std::size_t k = 0; k < chunk.size(); ++k) {
      IndexJob& job = chunk[k];
      if (job.index >= job.count)
        throw std::invalid_argument("FF1: an index at or above its count");
      const int length = std::max(20, static_cast<int>(std::bit_width(job.count - 1)));
      setups[k] = Prepare(2, length, job.tweak);
      lanes[k] = {&setups[k], job.index >> setups[k].v, job.index & (setups[k].radixV - 1)};
      jobOfLane[k] = &job;
    }
    for (std::size_t walking = chunk.size(); walking > 0;) {
      Rounds({lanes.data(), walking}, decrypt);
      std::size_t still = 0;
      for (std::size_t k = 0; k < walking; ++k) {
        const std::uint64_t value = lanes[k].left << lanes[k].setup->v | lanes[k].right;
        if (value < jobOfLane[k]->count) {
          jobOfLane[k]->index = value;
          continue;
        }
        lanes[still] = {lanes[k].setup, value >> lanes[k].setup->v,
                        value & (lanes[k].setup->radixV - 1)};
        jobOfLane[still++] = jobOfLane[k];
      }
      walking = still;
    }
  }
}

std::uint64_t Ff1::EncipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak) {
  IndexJob job{index, count, tweak};
  Walk({&job, 1}, false);
  return job.index;
}

std::uint64_t Ff1::DecipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak) {
  IndexJob job{index, count, tweak};
  Walk({&job, 1}, true);
  return job.index;
}

void Ff1::EncipherIndexes(std::span<IndexJob> jobs) { Walk(jobs, false); }

void Ff1::DecipherIndexes(std::span<IndexJob> jobs) { Walk(jobs, true); }

}  // namespace kesmal
