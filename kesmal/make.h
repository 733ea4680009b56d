#pragma once
// Generation: a typed request for new numbers of one jurisdiction, validated
// in one place, and the stream of the numbers it makes. A request that cannot
// be served is a RequestError whose message is the one `kesmal-cli make`
// prints for it.
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "rules/date_phrase.h"
#include "rules/id_report.h"

namespace kesmal {

// A request the library refuses; what() is one line naming the option.
class RequestError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
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
// "tw" for Jurisdiction::Taiwan.
std::string_view NameOf(Jurisdiction jurisdiction);

// Births drawn from a range, either end open (the form's limits); from
// --birth FROM..TO or --age MIN-MAX. `option` and `text` name it in messages;
// left empty, they are written from the dates.
struct BirthRange {
  std::optional<CivilDate> first;
  std::optional<CivilDate> last;
  std::string option = "--birth";
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

// Sets one option from its text, as `make` takes it ("--sex", "female";
// "--birth", "1980-01-01..1989-12-31"; "--unique", "" for a flag). Refuses a
// malformed value, an option the request's jurisdiction lacks, and an
// unknown option.
void SetMakeOption(MakeRequest& request, std::string_view option, std::string_view text);

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

// "bad value 'V' for --option (expected ...)", the message of every malformed value.
std::string BadValue(std::string_view option, std::string_view value, std::string_view expected);

}  // namespace kesmal
