#include "kesmal/pseudonym.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "kesmal/mask_domain.h"

namespace kesmal {
namespace {

struct FieldName {
  KeptField field;
  std::string_view name;
};

// In the order KeepSetText writes them.
constexpr FieldName kFieldNames[] = {{KeptField::Region, "region"},
                                     {KeptField::Province, "province"},
                                     {KeptField::BirthDate, "birth-date"},
                                     {KeptField::BirthYear, "birth-year"},
                                     {KeptField::Sex, "sex"}};

}  // namespace

std::string WithThousands(std::uint64_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

DomainTooSmall::DomainTooSmall(KeepSet keep, std::uint64_t count, std::string numbers)
    : MaskError("keep " + KeepSetText(keep) + " leaves " + WithThousands(count) + " numbers for " +
                numbers + ", fewer than the " + WithThousands(kPseudonymMinimum) +
                " a pseudonym needs; keep fewer fields or look for fewer jurisdictions"),
      keep_(keep),
      count_(count),
      numbers_(std::move(numbers)) {}

std::optional<KeptField> KeptFieldNamed(std::string_view name) {
  for (const auto& [field, fieldName] : kFieldNames)
    if (fieldName == name) return field;
  return std::nullopt;
}

std::string KeepSetText(KeepSet keep) {
  std::string text;
  for (const auto& [field, name] : kFieldNames) {
    if (!keep.Has(field)) continue;
    if (!text.empty()) text += ',';
    text += name;
  }
  return text;
}

SmallestDomain SmallestDomainOf(Jurisdiction jurisdiction, RuleSet rules, KeepSet keep) {
  SmallestDomain smallest{{}, UINT64_MAX};
  for (const MaskForm form : FormsOf(jurisdiction, rules))
    if (const std::uint64_t count = SmallestCount(form, keep); count < smallest.count)
      smallest = {FormNumbers(form), count};
  return smallest;
}

void RequireLargeDomains(std::span<const Jurisdiction> jurisdictions, RuleSet rules, KeepSet keep) {
  for (const Jurisdiction jurisdiction : jurisdictions) {
    const SmallestDomain smallest = SmallestDomainOf(jurisdiction, rules, keep);
    if (smallest.count < kPseudonymMinimum)
      throw DomainTooSmall(keep, smallest.count, std::string(smallest.numbers));
  }
}

Pseudonymizer::Pseudonymizer(const MaskKey& key, RuleSet rules, KeepSet keep,
                             MaskDirection direction)
    : key_(key), rules_(rules), keep_(keep), direction_(direction), ff1_(key) {}

Pseudonymizer::Pseudonymizer(const Pseudonymizer& other)
    : Pseudonymizer(other.key_, other.rules_, other.keep_, other.direction_) {}

Pseudonymizer& Pseudonymizer::operator=(const Pseudonymizer& other) {
  if (this == &other) return *this;
  ff1_ = Ff1(other.key_);
  key_ = other.key_;
  rules_ = other.rules_;
  keep_ = other.keep_;
  direction_ = other.direction_;
  return *this;
}

Pseudonymizer::~Pseudonymizer() { OPENSSL_cleanse(key_.data(), key_.size()); }

std::string Pseudonymizer::Pseudonym(std::string_view number) {
  std::string out;
  PseudonymInto(number, out);
  return out;
}

void Pseudonymizer::PseudonymInto(std::string_view number, std::string& out) {
  PseudonymsInto({&number, 1}, {&out, 1});
}

LocatedNumber Pseudonymizer::Locate(std::string_view number) {
  const auto located = LocateNumber(number, rules_, keep_);
  if (!located) {
    throw MaskError("a text of " + std::to_string(number.size()) +
                    " characters is no valid number under the " +
                    (rules_ == RuleSet::Classic ? "classic" : "current") + " rules");
  }
  if (const std::uint64_t count = located->domain.Count(); count < kPseudonymMinimum)
    throw DomainTooSmall(keep_, count, std::string(FormNumbers(located->domain.form)));
  return *located;
}

void Pseudonymizer::PseudonymsInto(std::span<const std::string_view> numbers,
                                   std::span<std::string> out) {
  Batch(numbers, {}, out, nullptr);
}

bool Pseudonymizer::InMaskedSet(std::string_view number, bool implausible) const {
  const auto located = LocateNumber(number, rules_, keep_);
  return located && kesmal::InMaskedSet(located->domain, implausible);
}

void Pseudonymizer::MaskedPseudonymsInto(std::span<const std::string_view> numbers,
                                         std::span<const std::uint8_t> shifts,
                                         std::span<std::string> out, bool implausible) {
  if (shifts.size() < numbers.size()) throw std::invalid_argument("fewer shifts than numbers");
  Batch(numbers, shifts, out, &implausible);
}

namespace {

int CheckValue(char check) { return check >= '0' && check <= '9' ? check - '0' : 10; }

// The check character `shift` places past `check`.
char Shifted(char check, int shift, MaskForm form) {
  const int value = (CheckValue(check) + shift) % CheckModulus(form);
  return value == 10 ? CheckLetter(form) : static_cast<char>('0' + value);
}

}  // namespace

// Without `implausible`, for PseudonymsInto: every number must be valid.
void Pseudonymizer::Batch(std::span<const std::string_view> numbers,
                          std::span<const std::uint8_t> shifts, std::span<std::string> out,
                          const bool* implausible) {
  if (out.size() < numbers.size()) throw std::invalid_argument("fewer strings than numbers");
  constexpr std::size_t kChunk = 64;
  std::array<LocatedNumber, kChunk> located;
  std::array<Ff1::IndexJob, kChunk> jobs, walking;
  std::array<std::size_t, kChunk> at, walkingAt;
  std::array<bool, kChunk> letter;  // the written check character's class
  std::array<int, kChunk> shift;
  for (std::size_t from = 0; from < numbers.size(); from += kChunk) {
    const std::size_t size = std::min(kChunk, numbers.size() - from);
    std::size_t count = 0;
    for (std::size_t i = from; i < from + size; ++i) {
      const std::string_view number = numbers[i];
      if (implausible) {
        auto found = LocateNumber(number, rules_, keep_);
        if (!found || !kesmal::InMaskedSet(found->domain, *implausible)) {
          out[i].clear();
          continue;
        }
        if (found->domain.Count() < kPseudonymMinimum) Locate(number);  // throws
        located[count] = *found;
      } else {
        located[count] = Locate(number);
      }
      const MaskForm form = located[count].domain.form;
      const bool any = !shifts.empty() && shifts[i] == kAnyCheck;
      shift[count] = shifts.empty() || !HasCheck(form) ? 0
                     : any                             ? -1
                                                       : shifts[i] % CheckModulus(form);
      letter[count] = HasCheck(form) && CheckLetter(form) && !any &&
                      Shifted(number.back(), shift[count], form) == CheckLetter(form);
      // One number in eleven has the letter: those of its value have a domain
      // of their own, rather than a walk of eleven steps on average.
      if (letter[count])
        if (auto fixed = WithFixedCheck(located[count], (21 - shift[count]) % 11))
          located[count] = *fixed;
      jobs[count] = {located[count].index, located[count].domain.Count(),
                     located[count].domain.Tweak()};
      at[count++] = i;
    }
    // Each number is enciphered until its check character is of its class:
    // on the letter's side the same walk is taken back.
    std::size_t pending = count;
    for (std::size_t k = 0; k < count; ++k) walkingAt[k] = k;
    for (std::size_t k = 0; k < pending; ++k) walking[k] = jobs[walkingAt[k]];
    while (pending > 0) {
      if (direction_ == MaskDirection::Encipher) {
        ff1_.EncipherIndexes({walking.data(), pending});
      } else {
        ff1_.DecipherIndexes({walking.data(), pending});
      }
      std::size_t still = 0;
      for (std::size_t w = 0; w < pending; ++w) {
        const std::size_t k = walkingAt[w];
        const MaskDomain& domain = located[k].domain;
        std::string& pseudonym = out[at[k]];
        const bool number = WriteNumberAt(domain, walking[w].index, pseudonym);
        if (number && (!HasCheck(domain.form) || shift[k] < 0)) continue;
        if (number) pseudonym.back() = Shifted(pseudonym.back(), shift[k], domain.form);
        if (!number || (CheckLetter(domain.form) &&
                        (pseudonym.back() == CheckLetter(domain.form)) != letter[k])) {
          walkingAt[still] = k;
          walking[still++] = walking[w];
        }
      }
      pending = still;
    }
  }
}

}  // namespace kesmal
