#include "kesmal/make.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <variant>

#include "data/regions.h"
#include "kesmal/fields.h"
#include "rules/ascii.h"
#include "rules/dispatch.h"
#include "rules/invalid_numbers.h"
#include "rules/number_space.h"
#include "rules/random_source.h"
#include "rules/taiwan.h"

namespace kesmal {
namespace {

// Exactly YYYY-MM-DD, and a day that exists in that month.
std::optional<CivilDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = ParseWhole<int>(text.substr(0, 4));
  const auto month = ParseWhole<int>(text.substr(5, 2));
  const auto day = ParseWhole<int>(text.substr(8, 2));
  if (!year || !month || !day || text[0] == '-') return std::nullopt;
  const CivilDate date{*year, *month, *day};
  if (date.day < 1 || date.day > DaysOfMonth(date.year, date.month)) return std::nullopt;
  return date;
}

// Written with four digits, a year below 100 is no valid mainland birth date.
std::optional<CivilDate> ParseChinaDate(std::string_view text) {
  const auto date = ParseDate(text);
  if (date && date->year < 100) return std::nullopt;
  return date;
}

using DateParser = std::optional<CivilDate> (*)(std::string_view);

// A date, or a range FROM..TO with either end left out.
std::optional<BirthRange> ParseBirths(std::string_view text, DateParser parseDay) {
  const auto dots = text.find("..");
  if (dots == std::string_view::npos) return std::nullopt;
  const auto end = [&](std::string_view side) -> std::optional<std::optional<CivilDate>> {
    if (side.empty()) return std::optional<CivilDate>();
    const auto date = parseDay(side);
    if (!date) return std::nullopt;
    return date;
  };
  const auto first = end(text.substr(0, dots));
  const auto last = end(text.substr(dots + 2));
  if (!first || !last) return std::nullopt;
  return BirthRange{*first, *last, RequestField::Births, std::string(text)};
}

std::optional<BirthRange> ParseAges(std::string_view text) {
  const auto dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto low = ParseWhole<int>(text.substr(0, dash));
  const auto high = ParseWhole<int>(text.substr(dash + 1));
  if (!low || !high || *high > 150) return std::nullopt;
  const auto births = BirthsOfAges(*low, *high);
  if (!births) return std::nullopt;
  return BirthRange{births->first, births->last, RequestField::Age, std::string(text)};
}

std::optional<InvalidFault> ParseInvalid(std::string_view text) {
  if (text == "any") return InvalidFault{std::nullopt};
  for (const FaultCode code : {FaultCode::Letter, FaultCode::SexDigit, FaultCode::Digits,
                               FaultCode::BirthDate, FaultCode::CheckCode})
    if (text == FaultName(code)) return InvalidFault{code};
  return std::nullopt;
}

std::optional<HolderSex> ParseSex(std::string_view text) {
  if (text == "male") return HolderSex::Male;
  if (text == "female") return HolderSex::Female;
  return std::nullopt;
}

std::optional<int> ParseTaiwanLetter(std::string_view text) {
  if (text.size() != 1) return std::nullopt;
  const char c = text[0];
  return TaiwanLetterRow(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
}

// A region is named by its six-digit code; the first row that has it wins.
std::optional<int> ParseRegionRow(std::string_view text) {
  if (text.size() != 6 || !AllDigits(text)) return std::nullopt;
  return FindRowByCode(*ParseWhole<int>(text));
}

using Problem = RequestError::Problem;

RequestError BadFieldValue(RequestField field, std::string_view text, std::string_view expected) {
  return RequestError(
      {Problem::BadValue, field, std::nullopt, std::string(text), std::string(expected)});
}

template <typename T>
T Required(std::optional<T> value, RequestField field, std::string_view text,
           std::string_view expected) {
  if (!value) throw BadFieldValue(field, text, expected);
  return *value;
}

constexpr std::string_view kBirthsExpected =
    "a calendar date YYYY-MM-DD or a range FROM..TO of them";
constexpr std::string_view kChinaBirthsExpected =
    "a calendar date YYYY-MM-DD from 0100-01-01 on, or a range FROM..TO of them";

int RegionRow(const MakeRequest& request, Jurisdiction form) {
  const std::string& text = *request.region;
  if (form == Jurisdiction::Taiwan)
    return Required(ParseTaiwanLetter(text), RequestField::Region, text, "one letter A to Z");
  return Required(ParseRegionRow(text), RequestField::Region, text,
                  "the six-digit code of a listed region");
}

bool Carries(Jurisdiction form, RequestField field) {
  const bool mainland = form == Jurisdiction::China || form == Jurisdiction::ChinaOld;
  switch (field) {
    case RequestField::Sex: return form != Jurisdiction::HongKong;
    case RequestField::Region: return form == Jurisdiction::Taiwan || mainland;
    case RequestField::Length: return form == Jurisdiction::HongKong;
    case RequestField::Birth:
    case RequestField::Births:
    case RequestField::Age: return mainland || form == Jurisdiction::Korea;
    default: return true;
  }
}

RequestError NotApplicable(RequestField field, Jurisdiction form) {
  return RequestError({Problem::NotApplicable, field, std::nullopt, std::string(NameOf(form))});
}

Jurisdiction FormOf(const MakeRequest& request) {
  if (const auto form = request.jurisdiction.Resolve()) return *form;
  if (request.jurisdiction.Name().empty()) {
    std::string names;
    for (const auto name : JurisdictionNames())
      names += (names.empty() ? "" : ", ") + std::string(name);
    throw RequestError(
        {Problem::NoJurisdiction, RequestField::Jurisdiction, std::nullopt, "", names});
  }
  throw RequestError({Problem::UnknownJurisdiction, RequestField::Jurisdiction, std::nullopt,
                      request.jurisdiction.Name()});
}

void RefuseFieldsOfOthers(const MakeRequest& request, Jurisdiction form) {
  const std::pair<bool, RequestField> given[] = {
      {request.sex.has_value(), RequestField::Sex},
      {request.region.has_value(), RequestField::Region},
      {request.length.has_value(), RequestField::Length},
      {request.birth.has_value(), RequestField::Birth},
      {request.births.has_value(), request.births ? request.births->field : RequestField::Births}};
  for (const auto& [set, field] : given)
    if (set && !Carries(form, field)) throw NotApplicable(field, form);
}

bool Within(const DateRange& range, const DateRange& limits) {
  return DayNumber(range.first) >= DayNumber(limits.first) &&
         DayNumber(range.last) <= DayNumber(limits.last);
}

std::string TextOf(const BirthRange& births) {
  if (!births.text.empty()) return births.text;
  return (births.first ? IsoDate(*births.first) : "") + ".." +
         (births.last ? IsoDate(*births.last) : "");
}

// The range to draw from, its open ends the form's limits.
DateRange Resolve(const BirthRange& births, Jurisdiction form) {
  const DateRange limits = BirthLimits(form);
  const DateRange range{births.first.value_or(limits.first), births.last.value_or(limits.last)};
  const std::string text = TextOf(births);
  if (DayNumber(range.first) > DayNumber(range.last))
    throw BadFieldValue(births.field, text,
                        "a range that holds a day: " + IsoDate(range.first) + ".." +
                            IsoDate(range.last) + " holds none");
  const DateRange read = DefaultBirths(Jurisdiction::Korea);
  if (form == Jurisdiction::Korea && !Within(range, read))
    throw RequestError({Problem::ReachesOutside, births.field, std::nullopt, text,
                        IsoDate(read.first) + ".." + IsoDate(read.last) +
                            ": a Korea number keeps only yymmdd, and the check would read "
                            "those births in another century"});
  return range;
}

void RefuseFaultOfOthers(const InvalidFault& invalid, Jurisdiction form) {
  const auto faults = FaultsOf(form);
  if (!invalid.fault || std::ranges::find(faults, *invalid.fault) != faults.end()) return;
  std::string names;
  for (const FaultCode fault : faults)
    names += (names.empty() ? "" : ", ") + std::string(FaultName(fault));
  throw BadFieldValue(RequestField::Invalid, FaultName(*invalid.fault),
                      "a fault this check reports: " + names + " or any");
}

// The settings the window's generators take; none while no field of the
// jurisdiction is fixed, as when the window's panels are closed.
MakeSettings SettingsOf(const MakeRequest& request, Jurisdiction form) {
  if (!request.sex && !request.region && !request.length && !request.birth) return {};
  switch (form) {
    case Jurisdiction::Taiwan:
      return TaiwanMakeSettings{
          request.region ? std::optional(RegionRow(request, form)) : std::nullopt, request.sex};
    case Jurisdiction::HongKong: return HongKongMakeSettings{*request.length};
    case Jurisdiction::Korea: return KoreaMakeSettings{request.birth, request.sex};
    case Jurisdiction::China:
    case Jurisdiction::ChinaOld: break;
  }
  ChinaMakeSettings china;
  if (request.region) {
    const int row = RegionRow(request, form);
    china.Local = ProvinceIndexOfRow(row);
    china.SubLocal = row - ProvinceTable[china.Local].First;
  }
  china.BirthDate = request.birth;
  if (request.sex) china.Sex = *request.sex == HolderSex::Male ? 0 : 1;
  return china;
}

void FixFields(FixedFields& fixed, const MakeRequest& request) {
  fixed.sex = request.sex;
  if (request.length) fixed.length = *request.length;
  if (request.region) {
    const int row = RegionRow(request, fixed.form);
    if (fixed.form == Jurisdiction::Taiwan)
      fixed.letterRow = row;
    else
      fixed.regionRow = row;
  }
}

// The request's fields checked, in the order the command line meets them.
struct Plan {
  Jurisdiction form;
  MakeSettings settings;
  // The made numbers' space, for the runs the window's generators do not
  // serve (unique, birth ranges, invalid numbers, the old mainland form).
  std::optional<FixedFields> space;
};

Plan PlanOf(const MakeRequest& request) {
  Plan plan{FormOf(request), {}, std::nullopt};
  RefuseFieldsOfOthers(request, plan.form);
  if (request.length && *request.length != 8 && *request.length != 9)
    throw BadFieldValue(RequestField::Length, std::to_string(*request.length), "8 or 9");
  if (request.invalid && request.unique)
    throw RequestError({Problem::Excludes, RequestField::Invalid, RequestField::Unique});
  if (request.birth && request.births)
    throw RequestError({Problem::Excludes, request.births->field, RequestField::Birth});
  plan.settings = SettingsOf(request, plan.form);
  if (!request.unique && !request.births && !request.invalid && plan.form != Jurisdiction::ChinaOld)
    return plan;
  FixedFields fixed;
  fixed.form = plan.form;
  if (request.invalid) RefuseFaultOfOthers(*request.invalid, fixed.form);
  FixFields(fixed, request);
  if (request.birth) fixed.births = DateRange{*request.birth, *request.birth};
  if (request.births) fixed.births = Resolve(*request.births, fixed.form);
  const DateRange held = DefaultBirths(Jurisdiction::ChinaOld);
  if (fixed.form == Jurisdiction::ChinaOld && fixed.births && !Within(*fixed.births, held))
    throw RequestError({Problem::ReachesOutside,
                        request.births ? request.births->field : RequestField::Birth, std::nullopt,
                        request.births ? TextOf(*request.births) : IsoDate(fixed.births->first),
                        IsoDate(held.first) + ".." + IsoDate(held.last) +
                            ", the births the old mainland form holds"});
  plan.space = fixed;
  return plan;
}

std::uint32_t ClockSeed() {
  // Finer than whole seconds, so two scripted runs within a second differ.
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

constexpr std::size_t kBlock = 4096;

std::string NameOfField(RequestField field) { return std::string(FieldName(field)); }

std::string DescribeParts(const RequestError::Parts& p,
                          const std::function<std::string(RequestField)>& name) {
  switch (p.problem) {
    case Problem::NoJurisdiction: return "make needs a jurisdiction (" + p.detail + ")";
    case Problem::UnknownJurisdiction: return "unknown jurisdiction '" + p.value + "'";
    case Problem::NotApplicable: return name(p.field) + " does not apply to " + p.value;
    case Problem::BadValue: return BadValue(name(p.field), p.value, p.detail);
    case Problem::Excludes: return name(p.field) + " excludes " + name(p.other.value_or(p.field));
    case Problem::ReachesOutside:
      return name(p.field) + " " + p.value + " reaches outside " + p.detail;
    case Problem::TooFew:
      return "only " + p.detail + " distinct numbers exist for these options, fewer than " +
             name(p.field) + " " + p.value;
  }
  return {};
}

}  // namespace

JurisdictionChoice::JurisdictionChoice(Jurisdiction jurisdiction) : name_(NameOf(jurisdiction)) {}

std::optional<Jurisdiction> JurisdictionChoice::Resolve() const { return JurisdictionNamed(name_); }

const std::vector<std::string_view>& JurisdictionNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all;
    for (const Jurisdiction jurisdiction : kListOrder) all.push_back(NameOf(jurisdiction));
    return all;
  }();
  return names;
}

void SetMakeField(MakeRequest& request, RequestField field, std::string_view text) {
  const auto form = request.jurisdiction.Resolve();
  if (form && !Carries(*form, field)) throw NotApplicable(field, *form);
  const bool mainland = form == Jurisdiction::China;
  switch (field) {
    case RequestField::Jurisdiction: request.jurisdiction = text; return;
    case RequestField::Count:
      request.count = Required(ParseWhole<std::uint64_t>(text), field, text, "a whole number");
      return;
    case RequestField::Seed:
      request.seed = Required(ParseWhole<std::uint32_t>(text), field, text, "0 to 4294967295");
      return;
    case RequestField::Unique: request.unique = true; return;
    case RequestField::Invalid:
      request.invalid = Required(ParseInvalid(text), field, text,
                                 "letter, sex_digit, digits, birth_date, check_code or any");
      return;
    case RequestField::Sex:
      request.sex = Required(ParseSex(text), field, text, "male or female");
      return;
    case RequestField::Region:
      request.region = std::string(text);
      if (form) RegionRow(request, *form);
      return;
    case RequestField::Length:
      if (text != "8" && text != "9") throw BadFieldValue(field, text, "8 or 9");
      request.length = text[0] - '0';
      return;
    case RequestField::Birth:
    case RequestField::Births: {
      const DateParser parseDay = mainland ? ParseChinaDate : ParseDate;
      const std::string_view expected = mainland ? kChinaBirthsExpected : kBirthsExpected;
      if (text.find("..") == std::string_view::npos)
        request.birth = Required(parseDay(text), field, text, expected);
      else
        request.births = Required(ParseBirths(text, parseDay), field, text, expected);
      return;
    }
    case RequestField::Age:
      request.births =
          Required(ParseAges(text), field, text, "two whole numbers of years, MIN up to MAX (150)");
      return;
  }
}

void Validate(const MakeRequest& request) { PlanOf(request); }

struct NumberStream::State {
  explicit State(const MakeRequest& request)
      : plan(PlanOf(request)),
        space(plan.space.value_or(FixedFields{})),
        count(request.count),
        unique(request.unique),
        invalid(request.invalid),
        faults(FaultsOf(plan.form)),
        random(request.seed ? *request.seed : ClockSeed()) {
    if (unique && count > space.Size())
      throw RequestError({Problem::TooFew, RequestField::Count, std::nullopt, std::to_string(count),
                          std::to_string(space.Size())});
    const UsingRandomSource use(random);
    if (plan.space) permutation.emplace(space.Size(), RandomIndex(~0ULL));
  }

  std::string MakeOne() {
    if (!plan.space) return *MakeNumberText(RowOf(plan.form), plan.settings);
    std::string number = space.At(unique ? (*permutation)(made) : RandomIndex(space.Size()));
    if (invalid) {
      const auto& fault = invalid->fault;
      number = SpoilNumber(
          number, fault ? *fault : faults[RandomBelow(static_cast<std::int32_t>(faults.size()))]);
    }
    return number;
  }

  // The next block, drawn from the stream's own source.
  void Refill() {
    block.clear();
    next = 0;
    const std::uint64_t size = std::min<std::uint64_t>(kBlock, count - made);
    const UsingRandomSource use(random);
    for (std::uint64_t n = 0; n < size; ++n, ++made) block.push_back(MakeOne());
  }

  Plan plan;
  NumberSpace space;
  std::uint64_t count;
  bool unique;
  std::optional<InvalidFault> invalid;
  std::vector<FaultCode> faults;
  RandomSource random;
  std::optional<KeyedPermutation> permutation;
  std::uint64_t made = 0;
  std::vector<std::string> block;
  std::size_t next = 0;
};

NumberStream::NumberStream(const MakeRequest& request) : state_(std::make_unique<State>(request)) {}
NumberStream::~NumberStream() = default;
NumberStream::NumberStream(NumberStream&&) noexcept = default;
NumberStream& NumberStream::operator=(NumberStream&&) noexcept = default;

std::optional<std::string> NumberStream::Next() {
  State& state = *state_;
  if (state.next == state.block.size()) {
    if (state.made == state.count) return std::nullopt;
    state.Refill();
  }
  return std::move(state.block[state.next++]);
}

NumberStream::iterator& NumberStream::iterator::operator++() {
  if (auto number = stream_->Next())
    number_ = std::move(*number);
  else
    stream_ = nullptr;
  return *this;
}

NumberStream Make(const MakeRequest& request) { return NumberStream(request); }

std::string_view FieldName(RequestField field) {
  switch (field) {
    case RequestField::Jurisdiction: return "jurisdiction";
    case RequestField::Count: return "count";
    case RequestField::Seed: return "seed";
    case RequestField::Sex: return "sex";
    case RequestField::Region: return "region";
    case RequestField::Length: return "length";
    case RequestField::Birth: return "birth";
    case RequestField::Births: return "births";
    case RequestField::Age: return "age";
    case RequestField::Unique: return "unique";
    case RequestField::Invalid: return "invalid";
  }
  return "";
}

RequestError::RequestError(Parts parts)
    : std::invalid_argument(DescribeParts(parts, NameOfField)), parts_(std::move(parts)) {}

std::string RequestError::Describe(const std::function<std::string(RequestField)>& name) const {
  return DescribeParts(parts_, name);
}

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "bad value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

}  // namespace kesmal
