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

struct JurisdictionEntry {
  std::string_view name;
  Jurisdiction form;
  int row;  // of the window's list; the old mainland form has none
};

constexpr int kOldChina = kJurisdictionCount;

constexpr JurisdictionEntry kJurisdictions[] = {
    {"tw", Jurisdiction::Taiwan, 0},
    {"hk", Jurisdiction::HongKong, 1},
    {"cn", Jurisdiction::China, 2},
    {"kr", Jurisdiction::Korea, 3},
    {"cn15", Jurisdiction::ChinaOld, kOldChina},
};

const JurisdictionEntry& EntryOf(Jurisdiction form) {
  return *std::ranges::find(kJurisdictions, form, &JurisdictionEntry::form);
}

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
  return BirthRange{*first, *last, "--birth", std::string(text)};
}

std::optional<BirthRange> ParseAges(std::string_view text) {
  const auto dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto low = ParseWhole<int>(text.substr(0, dash));
  const auto high = ParseWhole<int>(text.substr(dash + 1));
  if (!low || !high || *high > 150) return std::nullopt;
  const auto births = BirthsOfAges(*low, *high);
  if (!births) return std::nullopt;
  return BirthRange{births->first, births->last, "--age", std::string(text)};
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

template <typename T>
T Required(std::optional<T> value, std::string_view option, std::string_view text,
           std::string_view expected) {
  if (!value) throw RequestError(BadValue(option, text, expected));
  return *value;
}

constexpr std::string_view kBirthsExpected =
    "a calendar date YYYY-MM-DD or a range FROM..TO of them";
constexpr std::string_view kChinaBirthsExpected =
    "a calendar date YYYY-MM-DD from 0100-01-01 on, or a range FROM..TO of them";

int RegionRow(const MakeRequest& request, Jurisdiction form) {
  const std::string& text = *request.region;
  if (form == Jurisdiction::Taiwan)
    return Required(ParseTaiwanLetter(text), "--region", text, "one letter A to Z");
  return Required(ParseRegionRow(text), "--region", text, "the six-digit code of a listed region");
}

bool Carries(Jurisdiction form, std::string_view option) {
  const bool mainland = form == Jurisdiction::China || form == Jurisdiction::ChinaOld;
  if (option == "--sex") return form != Jurisdiction::HongKong;
  if (option == "--region") return form == Jurisdiction::Taiwan || mainland;
  if (option == "--length") return form == Jurisdiction::HongKong;
  if (option == "--birth" || option == "--age") return mainland || form == Jurisdiction::Korea;
  return true;
}

Jurisdiction FormOf(const MakeRequest& request) {
  if (const auto form = request.jurisdiction.Resolve()) return *form;
  if (request.jurisdiction.Name().empty()) {
    std::string names;
    for (const auto name : JurisdictionNames())
      names += (names.empty() ? "" : ", ") + std::string(name);
    throw RequestError("make needs a jurisdiction (" + names + ")");
  }
  throw RequestError("unknown jurisdiction '" + request.jurisdiction.Name() + "'");
}

void RefuseFieldsOfOthers(const MakeRequest& request, Jurisdiction form) {
  const std::pair<bool, std::string_view> given[] = {
      {request.sex.has_value(), "--sex"},
      {request.region.has_value(), "--region"},
      {request.length.has_value(), "--length"},
      {request.birth.has_value(), "--birth"},
      {request.births.has_value(),
       request.births ? std::string_view(request.births->option) : std::string_view("--birth")}};
  for (const auto& [set, option] : given)
    if (set && !Carries(form, option))
      throw RequestError("unknown option '" + std::string(option) + "' for make " +
                         std::string(NameOf(form)));
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
    throw RequestError(BadValue(births.option, text,
                                "a range that holds a day: " + IsoDate(range.first) + ".." +
                                    IsoDate(range.last) + " holds none"));
  const DateRange read = DefaultBirths(Jurisdiction::Korea);
  if (form == Jurisdiction::Korea && !Within(range, read))
    throw RequestError(births.option + " " + text + " reaches outside " + IsoDate(read.first) +
                       ".." + IsoDate(read.last) +
                       ": a Korea number keeps only yymmdd, and the check would read those "
                       "births in another century");
  return range;
}

void RefuseFaultOfOthers(const InvalidFault& invalid, Jurisdiction form) {
  const auto faults = FaultsOf(form);
  if (!invalid.fault || std::ranges::find(faults, *invalid.fault) != faults.end()) return;
  std::string names;
  for (const FaultCode fault : faults)
    names += (names.empty() ? "" : ", ") + std::string(FaultName(fault));
  throw RequestError(BadValue("--invalid", FaultName(*invalid.fault),
                              "a fault this check reports: " + names + " or any"));
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
    throw RequestError(BadValue("--length", std::to_string(*request.length), "8 or 9"));
  if (request.invalid && request.unique) throw RequestError("--invalid excludes --unique");
  if (request.birth && request.births)
    throw RequestError(request.births->option == "--age" ? "--age excludes --birth"
                                                         : "option '--birth' given twice");
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
    throw RequestError((request.births ? request.births->option + " " + TextOf(*request.births)
                                       : "--birth " + IsoDate(fixed.births->first)) +
                       " reaches outside " + IsoDate(held.first) + ".." + IsoDate(held.last) +
                       ", the births the old mainland form holds");
  plan.space = fixed;
  return plan;
}

std::uint32_t ClockSeed() {
  // Finer than whole seconds, so two scripted runs within a second differ.
  const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

constexpr std::size_t kBlock = 4096;

}  // namespace

JurisdictionChoice::JurisdictionChoice(Jurisdiction jurisdiction) : name_(NameOf(jurisdiction)) {}

std::optional<Jurisdiction> JurisdictionChoice::Resolve() const {
  for (const auto& entry : kJurisdictions)
    if (entry.name == name_) return entry.form;
  return std::nullopt;
}

const std::vector<std::string_view>& JurisdictionNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all;
    for (const auto& entry : kJurisdictions) all.push_back(entry.name);
    return all;
  }();
  return names;
}

std::string_view NameOf(Jurisdiction jurisdiction) { return EntryOf(jurisdiction).name; }

void SetMakeOption(MakeRequest& request, std::string_view option, std::string_view text) {
  const auto form = request.jurisdiction.Resolve();
  if (form && !Carries(*form, option))
    throw RequestError("unknown option '" + std::string(option) + "' for make " +
                       request.jurisdiction.Name());
  const bool mainland = form == Jurisdiction::China;
  if (option == "--count") {
    request.count = Required(ParseWhole<std::uint64_t>(text), option, text, "a whole number");
  } else if (option == "--seed") {
    request.seed = Required(ParseWhole<std::uint32_t>(text), option, text, "0 to 4294967295");
  } else if (option == "--unique") {
    request.unique = true;
  } else if (option == "--invalid") {
    request.invalid = Required(ParseInvalid(text), option, text,
                               "letter, sex_digit, digits, birth_date, check_code or any");
  } else if (option == "--sex") {
    request.sex = Required(ParseSex(text), option, text, "male or female");
  } else if (option == "--region") {
    request.region = std::string(text);
    if (form) RegionRow(request, *form);
  } else if (option == "--length") {
    if (text != "8" && text != "9") throw RequestError(BadValue(option, text, "8 or 9"));
    request.length = text[0] - '0';
  } else if (option == "--birth") {
    const DateParser parseDay = mainland ? ParseChinaDate : ParseDate;
    const std::string_view expected = mainland ? kChinaBirthsExpected : kBirthsExpected;
    if (text.find("..") == std::string_view::npos) {
      request.birth = Required(parseDay(text), option, text, expected);
    } else {
      request.births = Required(ParseBirths(text, parseDay), option, text, expected);
    }
  } else if (option == "--age") {
    request.births =
        Required(ParseAges(text), option, text, "two whole numbers of years, MIN up to MAX (150)");
  } else {
    throw RequestError("unknown option '" + std::string(option) + "'" +
                       (form ? " for make " + request.jurisdiction.Name() : ""));
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
      throw RequestError("only " + std::to_string(space.Size()) +
                         " distinct numbers exist for these options, fewer than --count " +
                         std::to_string(count));
    const UsingRandomSource use(random);
    if (plan.space) permutation.emplace(space.Size(), RandomIndex(~0ULL));
  }

  std::string MakeOne() {
    if (!plan.space) return *MakeNumberText(EntryOf(plan.form).row, plan.settings);
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

std::string BadValue(std::string_view option, std::string_view value, std::string_view expected) {
  return "bad value '" + std::string(value) + "' for " + std::string(option) + " (expected " +
         std::string(expected) + ")";
}

}  // namespace kesmal
