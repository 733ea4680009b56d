#include "kesmal/ff1.h"

#include <openssl/evp.h>

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace kesmal {
namespace {

__extension__ using Wide = unsigned __int128;

constexpr std::uint64_t kMinimumDomain = 1000000;
constexpr int kRounds = 10;

// radix^length, or 0 when it does not fit 64 bits.
std::uint64_t Power(int radix, int length) {
  std::uint64_t power = 1;
  for (int i = 0; i < length; ++i) {
    if (power > UINT64_MAX / static_cast<std::uint64_t>(radix)) return 0;
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

// NUM(S) modulo 2^64: S's last eight bytes, as d is at least 8.
std::uint64_t LowBits(const std::array<std::uint8_t, 16>& r, int d) {
  std::uint64_t low = 0;
  for (int i = d - 8; i < d; ++i) low = low << 8 | r[i];
  return low;
}

std::uint64_t Reduce(const std::array<std::uint8_t, 16>& r, int d, std::uint64_t modulus) {
  Wide y = 0;
  for (int i = 0; i < d; ++i) y = y << 8 | r[i];
  return static_cast<std::uint64_t>(y % modulus);
}

void ToContext(evp_cipher_ctx_st* context) { EVP_CIPHER_CTX_free(context); }

}  // namespace

// What stays the same over the ten rounds of one call.
struct Ff1::Setup {
  int u, v;
  std::uint64_t radixU, radixV;
  bool powerOfTwo;  // then a reduction is a mask
  int b, d;
  Block chained;  // the PRF's chain over P and every block of Q but the last
  Block last;     // Q's last block with the round and NUM(B) left zero
};

Ff1::Ff1(const Ff1Key& key) : context_(EVP_CIPHER_CTX_new(), ToContext) {
  EVP_CIPHER* const aes = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
  const bool ready = context_ && aes &&
                     EVP_EncryptInit_ex2(context_.get(), aes, key.data(), nullptr, nullptr) == 1 &&
                     EVP_CIPHER_CTX_set_padding(context_.get(), 0) == 1;
  EVP_CIPHER_free(aes);
  if (!ready) throw std::runtime_error("FF1: OpenSSL could not set up AES-256");
}

Ff1::~Ff1() = default;
Ff1::Ff1(Ff1&&) noexcept = default;
Ff1& Ff1::operator=(Ff1&&) noexcept = default;

Ff1::Block Ff1::Cipher(const Block& in) {
  Block out;
  int written = 0;
  if (EVP_EncryptUpdate(context_.get(), out.data(), &written, in.data(), 16) != 1 || written != 16)
    throw std::runtime_error("FF1: AES-256 failed");
  return out;
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
  Block p{1, 2, 1};
  PutBigEndian(&p[3], static_cast<std::uint64_t>(radix), 3);
  p[6] = 10;
  p[7] = static_cast<std::uint8_t>(s.u % 256);
  PutBigEndian(&p[8], static_cast<std::uint64_t>(length), 4);
  PutBigEndian(&p[12], t, 4);
  if (p != lastP_) {
    lastCipheredP_ = Cipher(p);
    lastP_ = p;
  }
  s.chained = lastCipheredP_;

  // Q = T || 0^pad || [i] || [NUM(B)]^b, a whole number of blocks; only its
  // last block changes from round to round.
  const std::uint64_t padded = t + (16 - (t + static_cast<std::uint64_t>(s.b) + 1) % 16) % 16;
  const std::uint64_t qLength = padded + 1 + static_cast<std::uint64_t>(s.b);
  const auto qByte = [&](std::uint64_t at) { return at < t ? tweak[at] : std::uint8_t{0}; };
  for (std::uint64_t from = 0; from + 16 < qLength; from += 16) {
    Block x;
    for (int i = 0; i < 16; ++i) x[i] = s.chained[i] ^ qByte(from + i);
    s.chained = Cipher(x);
  }
  for (int i = 0; i < 16; ++i) s.last[i] = qByte(qLength - 16 + i);
  return s;
}

Ff1::Halves Ff1::Rounds(const Setup& s, Halves x, bool decrypt) {
  std::uint64_t a = x.left, b = x.right;
  for (int step = 0; step < kRounds; ++step) {
    const int round = decrypt ? kRounds - 1 - step : step;
    Block q = s.last;
    q[15 - s.b] = static_cast<std::uint8_t>(round);
    PutBigEndian(&q[16 - s.b], decrypt ? a : b, s.b);
    for (int i = 0; i < 16; ++i) q[i] ^= s.chained[i];
    const Block r = Cipher(q);
    const std::uint64_t modulus = round % 2 == 0 ? s.radixU : s.radixV;
    const std::uint64_t yMod =
        s.powerOfTwo ? LowBits(r, s.d) & (modulus - 1) : Reduce(r, s.d, modulus);
    if (!decrypt) {
      const std::uint64_t c =
          s.powerOfTwo ? (a + yMod) & (modulus - 1)
                       : static_cast<std::uint64_t>((static_cast<Wide>(a) + yMod) % modulus);
      a = b;
      b = c;
    } else {
      const std::uint64_t c = (b % modulus + modulus - yMod) % modulus;
      b = a;
      a = c;
    }
  }
  return {a, b};
}

std::string Ff1::OnNumerals(std::string_view numerals, int radix, Bytes tweak, bool decrypt) {
  const int length = static_cast<int>(numerals.size());
  const Setup setup = Prepare(radix, length, tweak);
  const Halves x{ValueOf(numerals.substr(0, setup.u), radix),
                 ValueOf(numerals.substr(setup.u), radix)};
  const Halves y = Rounds(setup, x, decrypt);
  std::string out;
  out.reserve(numerals.size());
  AppendNumerals(out, y.left, radix, setup.u);
  AppendNumerals(out, y.right, radix, setup.v);
  return out;
}

std::string Ff1::Encrypt(std::string_view numerals, int radix, Bytes tweak) {
  return OnNumerals(numerals, radix, tweak, false);
}

std::string Ff1::Decrypt(std::string_view numerals, int radix, Bytes tweak) {
  return OnNumerals(numerals, radix, tweak, true);
}

std::uint64_t Ff1::WalkBelow(std::uint64_t index, std::uint64_t count, Bytes tweak, bool decrypt) {
  if (index >= count) throw std::invalid_argument("FF1: an index at or above its count");
  const int length = std::max(20, static_cast<int>(std::bit_width(count - 1)));
  const Setup setup = Prepare(2, length, tweak);
  const std::uint64_t rightMask = setup.radixV - 1;
  std::uint64_t value = index;
  do {
    const Halves y = Rounds(setup, {value >> setup.v, value & rightMask}, decrypt);
    value = y.left << setup.v | y.right;
  } while (value >= count);
  return value;
}

std::uint64_t Ff1::EncipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak) {
  return WalkBelow(index, count, tweak, false);
}

std::uint64_t Ff1::DecipherIndex(std::uint64_t index, std::uint64_t count, Bytes tweak) {
  return WalkBelow(index, count, tweak, true);
}

}  // namespace kesmal
