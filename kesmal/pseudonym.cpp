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

std::string WithThousands(std::uint64_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

std::string TooFewMessage(KeepSet keep, std::uint64_t count, std::string_view numbers) {
  return "--keep " + KeepSetText(keep) + " leaves " + WithThousands(count) + " numbers for " +
         std::string(numbers) + ", fewer than the " + WithThousands(kPseudonymMinimum) +
         " a pseudonym needs; use --only or keep fewer fields";
}

}  // namespace

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
      throw MaskError(TooFewMessage(keep, smallest.count, smallest.numbers));
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
    throw MaskError(TooFewMessage(keep_, count, FormNumbers(located->domain.form)));
  return *located;
}

void Pseudonymizer::PseudonymsInto(std::span<const std::string_view> numbers,
                                   std::span<std::string> out) {
  if (out.size() < numbers.size()) throw std::invalid_argument("fewer strings than numbers");
  constexpr std::size_t kChunk = 64;
  std::array<LocatedNumber, kChunk> located;
  std::array<Ff1::IndexJob, kChunk> jobs;
  for (std::size_t from = 0; from < numbers.size(); from += kChunk) {
    const std::size_t count = std::min(kChunk, numbers.size() - from);
    for (std::size_t k = 0; k < count; ++k) {
      located[k] = Locate(numbers[from + k]);
      jobs[k] = {located[k].index, located[k].domain.Count(), located[k].domain.Tweak()};
    }
    if (direction_ == MaskDirection::Encipher) {
      ff1_.EncipherIndexes({jobs.data(), count});
    } else {
      ff1_.DecipherIndexes({jobs.data(), count});
    }
    for (std::size_t k = 0; k < count; ++k)
      WriteNumberAt(located[k].domain, jobs[k].index, out[from + k]);
  }
}

}  // namespace kesmal
