#pragma once
// Pseudonyms of identity numbers. A valid number becomes another of the same
// jurisdiction, kind and form that passes the same check and keeps the chosen
// fields: among the numbers that share them (and the number's birth set), its
// index is enciphered with FF1 over AES-256 (kesmal/ff1.h), walking the cycle
// until it falls below their count, and the number at the new index is the
// pseudonym. Where a check character may be a letter (the mainland's X, Hong
// Kong's A) the walk goes on until the pseudonym's check character is of the
// number's class, a digit for a digit and the letter for the letter, so that
// a small x has a place to stay small. Under one key, rule set and keep set
// this is a bijection, the same in every run and process, undone by the
// reverse direction.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kesmal/ff1.h"
#include "rules/id_report.h"
#include "rules/rule_set.h"

namespace kesmal {

// Each is a bit of the tweak's second byte: never renumber them.
enum class KeptField : std::uint8_t {
  Sex = 1,
  BirthDate = 2,
  BirthYear = 4,
  Region = 8,    // the Taiwan letter, the mainland region code
  Province = 16  // the mainland code's first two digits
};

class KeepSet {
 public:
  constexpr KeepSet() = default;
  constexpr KeepSet(std::initializer_list<KeptField> fields) {
    for (const KeptField field : fields) bits_ |= static_cast<std::uint8_t>(field);
  }
  constexpr bool Has(KeptField field) const {
    return (bits_ & static_cast<std::uint8_t>(field)) != 0;
  }
  constexpr KeepSet With(KeptField field) const {
    return FromBits(bits_ | static_cast<std::uint8_t>(field));
  }
  constexpr KeepSet Without(KeptField field) const {
    return FromBits(bits_ & ~static_cast<std::uint8_t>(field));
  }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(KeepSet, KeepSet) = default;

 private:
  static constexpr KeepSet FromBits(unsigned bits) {
    KeepSet keep;
    keep.bits_ = static_cast<std::uint8_t>(bits);
    return keep;
  }
  std::uint8_t bits_ = 0;
};

// "sex", "birth-date", "birth-year", "region", "province"; none for another name.
std::optional<KeptField> KeptFieldNamed(std::string_view name);
// The names joined by commas, in the order region, province, birth-date, birth-year, sex.
std::string KeepSetText(KeepSet keep);

class MaskError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// FF1's smallest domain, which the numbers sharing the kept fields must reach.
inline constexpr std::uint64_t kPseudonymMinimum = 1000000;

// The smallest set a number of the jurisdiction can be enciphered within.
struct SmallestDomain {
  std::string_view numbers;  // "cn", or a kind of them: "cn residence permits"
  std::uint64_t count;
};
SmallestDomain SmallestDomainOf(Jurisdiction jurisdiction, RuleSet rules, KeepSet keep);

// A keep set that leaves some numbers fewer than a pseudonym needs; what()
// names the request's fields: "keep region,birth-date,sex leaves 500 numbers
// for cn, fewer than the 1,000,000 a pseudonym needs; keep fewer fields or
// look for fewer jurisdictions".
class DomainTooSmall : public MaskError {
 public:
  DomainTooSmall(KeepSet keep, std::uint64_t count, std::string numbers);
  KeepSet keep() const { return keep_; }
  std::uint64_t count() const { return count_; }
  const std::string& numbers() const { return numbers_; }  // "cn", "cn residence permits"

 private:
  KeepSet keep_;
  std::uint64_t count_;
  std::string numbers_;
};

// 1000000 as "1,000,000".
std::string WithThousands(std::uint64_t count);

// Throws DomainTooSmall for the first jurisdiction whose smallest set is
// below the minimum.
void RequireLargeDomains(std::span<const Jurisdiction> jurisdictions, RuleSet rules, KeepSet keep);

enum class MaskDirection { Encipher, Reverse };

using MaskKey = Ff1Key;

struct LocatedNumber;

// Holds a copy of the key and its AES key schedule; one object serves one
// thread at a time, and a copy serves another.
class Pseudonymizer {
 public:
  Pseudonymizer(const MaskKey& key, RuleSet rules, KeepSet keep,
                MaskDirection direction = MaskDirection::Encipher);
  Pseudonymizer(const Pseudonymizer& other);
  Pseudonymizer& operator=(const Pseudonymizer& other);
  ~Pseudonymizer();

  // The number is in the form the check takes: ASCII, capitals, no hyphen
  // or brackets. Throws MaskError for a text the rules do not judge valid,
  // or whose set under the keep set is below the minimum.
  std::string Pseudonym(std::string_view number);
  // The same into a string whose buffer a batch reuses.
  void PseudonymInto(std::string_view number, std::string& out);
  // Many numbers into as many strings, several times faster than one by
  // one: the AES blocks of eight numbers go through AES together.
  void PseudonymsInto(std::span<const std::string_view> numbers, std::span<std::string> out);

  // The batch a text masker asks for. Each number is valid, and stood written
  // with a check character `shifts[i]` places past the right one (0 for a
  // valid number, more for a near miss; modulo 11 where the letter is a check
  // character, else 10): its pseudonym's check character is moved as far, and
  // keeps the class of the written one. A number outside the masked set (see
  // InMaskedSet) leaves its string empty. A shift of kAnyCheck is a near miss
  // whose check character is none its form has (a B where X or A belong):
  // its pseudonym's check character is left to the caller, who writes the
  // same character back.
  static constexpr std::uint8_t kAnyCheck = 0xFF;
  // Whether a text masker replaces the valid number (see InMaskedSet).
  bool InMaskedSet(std::string_view number, bool implausible) const;
  void MaskedPseudonymsInto(std::span<const std::string_view> numbers,
                            std::span<const std::uint8_t> shifts, std::span<std::string> out,
                            bool implausible);

 private:
  LocatedNumber Locate(std::string_view number);
  void Batch(std::span<const std::string_view> numbers, std::span<const std::uint8_t> shifts,
             std::span<std::string> out, const bool* implausible);

  MaskKey key_;
  RuleSet rules_;
  KeepSet keep_;
  MaskDirection direction_;
  Ff1 ff1_;
};

// A key file holds 32 bytes, or 64 hexadecimal digits and at most a line end.
// One that its group or others may read is refused, as ssh refuses such a
// private key. Throws MaskError.
MaskKey ReadKeyFile(const std::string& path);

// Writes a new key, as 64 hexadecimal digits and a line end, from the
// system's random source, into a file that did not exist, with mode 0600.
// Throws MaskError, and never overwrites a file.
void WriteNewKeyFile(const std::string& path);

}  // namespace kesmal
