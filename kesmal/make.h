#pragma once
// Generation: a typed request for new numbers of one jurisdiction, validated
// in one place, and the stream of the numbers it makes. A request that cannot
// be served is a RequestError naming its fields.
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "rules/date_phrase.h"
#include "rules/id_report.h"
#include "rules/jurisdictions.h"

namespace kesmal {

// The fields of a MakeRequest, as a refusal names them; Age is the births
// field given as a range of ages.
enum class RequestField {
  Jurisdiction,
  Count,
  Seed,
  Sex,
  Region,
  Length,
  Birth,
  Births,
  Age,
  Unique,
  Invalid
};

// "length" for RequestField::Length, "births" for Births.
std::string_view FieldName(RequestField field);

// A request the library refuses. what() is one line naming the request's
// fields ("length does not apply to cn"); Describe names them as the caller
// does, and parts() holds what the message is made of.
class RequestError : public std::invalid_argument {
 public:
  enum class Problem {
    NoJurisdiction,       // detail: the names of the jurisdictions
    UnknownJurisdiction,  // value: the name given
    NotApplicable,        // the field does not apply to the jurisdiction (value: its name)
    BadValue,             // value, and the values expected in detail
    Excludes,             // the field excludes `other`
    ReachesOutside,       // a range of births (value) outside those of detail
    TooFew,               // fewer distinct numbers (detail) than the count (value)
  };
  struct Parts {
    Problem problem;
    RequestField field = RequestField::Jurisdiction;
    std::optional<RequestField> other = std::nullopt;
    std::string value = {};
    std::string detail = {};
  };

  explicit RequestError(Parts parts);

  const Parts& parts() const { return parts_; }
  // The message with each field named by name(field).
  std::string Describe(const std::function<std::string(RequestField)>& name) const;

 private:
  Parts parts_;
};

// A jurisdiction by the name the command line takes ("tw", "hk", "cn",
// "cn15", "kr") or by its enumeration.
class JurisdictionChoice {
 public:
  JurisdictionChoice() = default;
  JurisdictionChoice(std::string_view name) : name_(name) {}
  JurisdictionChoice(const char* name) : name_(name) {}
  JurisdictionChoice(const std::string& name) : name_(name) {}
  JurisdictionChoice(Jurisdiction jurisdiction);

  // None for an empty or unknown name.
  std::optional<Jurisdiction> Resolve() const;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// The names the command line takes, in the order it lists them.
const std::vector<std::string_view>& JurisdictionNames();

// Births drawn from a range, either end open (the form's limits); given as
// dates FROM..TO (field Births) or as ages MIN-MAX (field Age). A refusal
// names the range by `field` and `text`; text left empty is written from the
// dates.
struct BirthRange {
  std::optional<CivilDate> first;
  std::optional<CivilDate> last;
  RequestField field = RequestField::Births;
  std::string text;
};

// Numbers the check rejects with one fault; none draws one of the
// jurisdiction's faults for each number.
struct InvalidFault {
  std::optional<FaultCode> fault;
};

struct MakeRequest {
  JurisdictionChoice jurisdiction;
  std::uint64_t count = 1;
  std::optional<std::uint32_t> seed;  // none: the clock seeds
  // Each fixed field applies to the jurisdictions whose numbers carry it.
  std::optional<HolderSex> sex;       // tw, cn, cn15, kr
  std::optional<std::string> region;  // tw: a letter A to Z; cn, cn15: a six-digit listed code
  std::optional<int> length;          // hk: 8 or 9
  std::optional<CivilDate> birth;     // cn, cn15, kr: one birth date
  std::optional<BirthRange> births;   // cn, cn15, kr: a range, instead of birth
  bool unique = false;                // no number twice in the run
  std::optional<InvalidFault> invalid;
};

// Sets one field from its text (Sex, "female"; Birth, "1980-01-01" or a range
// "1980-01-01..1989-12-31"; Age, "20-30"; Unique, "" or any text). Refuses a
// malformed value and a field the request's jurisdiction lacks.
void SetMakeField(MakeRequest& request, RequestField field, std::string_view text);

// Throws the RequestError the request earns, if any; Make does the same.
void Validate(const MakeRequest& request);

// The numbers of a request, made a block at a time as they are read; the
// same seed gives the same numbers as the command line. Each stream draws
// from its own random source, so streams read in turns, or on several
// threads at once, each give what they would alone.
class NumberStream {
 public:
  explicit NumberStream(const MakeRequest& request);  // validates it
  ~NumberStream();
  NumberStream(NumberStream&&) noexcept;
  NumberStream& operator=(NumberStream&&) noexcept;

  // The next number; none after the request's count.
  std::optional<std::string> Next();

  class iterator {
   public:
    using value_type = std::string;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    explicit iterator(NumberStream* stream) : stream_(stream) { ++*this; }
    const std::string& operator*() const { return number_; }
    iterator& operator++();
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return !stream_; }

   private:
    NumberStream* stream_ = nullptr;
    std::string number_;
  };
  iterator begin() { return iterator(this); }
  std::default_sentinel_t end() { return {}; }

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// for (const std::string& number : Make(request)) ...
NumberStream Make(const MakeRequest& request);

// "bad value 'V' for NAME (expected ...)", the message of every malformed
// value, NAME as the caller calls the field.
std::string BadValue(std::string_view option, std::string_view value, std::string_view expected);

}  // namespace kesmal
