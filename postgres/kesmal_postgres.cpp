// The PostgreSQL extension kesmal: check, make, scan and mask of identity
// numbers as SQL functions, over the library. Each function reads its
// arguments, does the library's work inside a guard that turns every C++
// exception into a recorded failure, and only then, with no C++ object of
// its own left on the stack, raises that failure with ereport: a longjmp
// never crosses a C++ frame, and no exception ever reaches the server.
extern "C" {
#include "postgres.h"
// The server's headers come first, then what they need.
#include "catalog/pg_type.h"
#include "fmgr.h"
#include "funcapi.h"
#include "mb/pg_wchar.h"
#include "miscadmin.h"
#include "utils/array.h"
#include "utils/builtins.h"
#include "utils/guc.h"
#include "utils/jsonb.h"
#include "utils/memutils.h"
}

#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/check.h"
#include "kesmal/make.h"
#include "kesmal/mask.h"
#include "kesmal/scan.h"
#include "kesmal/scan_inputs.h"
#include "rules/current.h"

extern "C" {
PG_MODULE_MAGIC;

void _PG_init(void);
PG_FUNCTION_INFO_V1(kesmal_check);
PG_FUNCTION_INFO_V1(kesmal_is_valid);
PG_FUNCTION_INFO_V1(kesmal_domain_check);
PG_FUNCTION_INFO_V1(kesmal_make);
PG_FUNCTION_INFO_V1(kesmal_scan);
PG_FUNCTION_INFO_V1(kesmal_mask);
PG_FUNCTION_INFO_V1(kesmal_unmask);
PG_FUNCTION_INFO_V1(kesmal_redact);
}

namespace {

char* keyDirectory = nullptr;  // the setting kesmal.key_directory

// An error of our own, raised as it is.
struct SqlError {
  int sqlstate;
  std::string message, detail, hint;
};

// The failure a guard caught, kept until it is raised. The server runs one
// query at a time per process, and the strings are reused.
SqlError& LastFailure() {
  static SqlError failure;
  return failure;
}

void Record(int sqlstate, std::string_view message, std::string_view detail = {},
            std::string_view hint = {}) noexcept {
  SqlError& failure = LastFailure();
  failure.sqlstate = sqlstate;
  try {
    failure.message.assign(message);
    failure.detail.assign(detail);
    failure.hint.assign(hint);
  } catch (...) {
    failure.sqlstate = ERRCODE_OUT_OF_MEMORY;
    failure.message.clear();  // never allocates
    failure.detail.clear();
    failure.hint.clear();
  }
}

// What make() gives, or an empty string when making it fails.
template <typename Make>
std::string Try(Make&& make) noexcept {
  try {
    return make();
  } catch (...) {
    return {};
  }
}

// Runs body; false when it threw, the failure recorded for Raise.
template <typename Body>
bool Guarded(std::string_view function, Body&& body) noexcept {
  const auto optionsHint = [function] {
    const std::string_view command =
        function == "unmask" || function == "redact" ? std::string_view("mask") : function;
    return "kesmal." + std::string(function) + " takes the options of kesmal-cli " +
           std::string(command) + ", each as an argument of the same name.";
  };
  try {
    body();
    return true;
  } catch (const SqlError& error) {
    Record(error.sqlstate, error.message, error.detail, error.hint);
  } catch (const kesmal::RequestError& error) {
    Record(ERRCODE_INVALID_PARAMETER_VALUE, error.what(), {}, Try(optionsHint));
  } catch (const kesmal::MaskError& error) {
    Record(ERRCODE_INVALID_PARAMETER_VALUE, error.what(), {}, Try(optionsHint));
  } catch (const std::bad_alloc&) {
    Record(ERRCODE_OUT_OF_MEMORY, "out of memory in kesmal");
  } catch (const std::exception& error) {
    Record(ERRCODE_INTERNAL_ERROR,
           Try([&] { return std::string("kesmal failed: ") + error.what(); }));
  } catch (...) {
    Record(ERRCODE_INTERNAL_ERROR, "kesmal failed");
  }
  return false;
}

// Raises what the last guard caught. Only C frames and statics lie between
// here and the server's handler.
[[noreturn]] void Raise() {
  const SqlError& failure = LastFailure();
  const char* message = failure.message.empty() ? "out of memory" : failure.message.c_str();
  ereport(ERROR, (errcode(failure.sqlstate), errmsg("%s", message),
                  failure.detail.empty() ? 0 : errdetail("%s", failure.detail.c_str()),
                  failure.hint.empty() ? 0 : errhint("%s", failure.hint.c_str())));
  pg_unreachable();
}

void RequireUtf8() {
  if (GetDatabaseEncoding() != PG_UTF8)
    ereport(ERROR, (errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
                    errmsg("kesmal works in UTF8 databases, and this one is %s",
                           GetDatabaseEncodingName()),
                    errhint("Create the database with ENCODING 'UTF8'.")));
}

std::string_view TextOf(const text* value) {
  return {VARDATA_ANY(value), VARSIZE_ANY_EXHDR(value)};
}

std::string_view TextArg(FunctionCallInfo fcinfo, int n) { return TextOf(PG_GETARG_TEXT_PP(n)); }

std::optional<std::string_view> OptionalTextArg(FunctionCallInfo fcinfo, int n) {
  if (PG_NARGS() <= n || PG_ARGISNULL(n)) return std::nullopt;
  return TextArg(fcinfo, n);
}

// The elements of a text[] joined by commas, as the command line takes a
// list; a NULL element is refused.
std::string ListArg(FunctionCallInfo fcinfo, int n, const char* name) {
  ArrayType* array = PG_GETARG_ARRAYTYPE_P(n);
  Datum* items;
  bool* nulls;
  int count;
  deconstruct_array(array, TEXTOID, -1, false, TYPALIGN_INT, &items, &nulls, &count);
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (nulls[i])
      ereport(ERROR, (errcode(ERRCODE_NULL_VALUE_NOT_ALLOWED), errmsg("%s holds a NULL", name)));
    if (i > 0) list += ',';
    list += TextOf(DatumGetTextPP(items[i]));
  }
  return list;
}

kesmal::RuleSet RulesNamed(std::string_view rules) {
  if (rules == "classic") return kesmal::RuleSet::Classic;
  if (rules == "current") return kesmal::RuleSet::Current;
  throw SqlError{ERRCODE_INVALID_PARAMETER_VALUE,
                 "unknown rules '" + std::string(rules) + "'",
                 {},
                 "The rules are classic (the default) or current."};
}

std::optional<kesmal::Jurisdiction> JurisdictionNamed(std::string_view name) {
  const auto jurisdiction = kesmal::JurisdictionChoice(name).Resolve();
  if (!jurisdiction)
    throw SqlError{ERRCODE_INVALID_PARAMETER_VALUE,
                   "unknown jurisdiction '" + std::string(name) + "'",
                   {},
                   "The jurisdictions are tw, hk, cn, cn15 and kr."};
  return jurisdiction;
}

kesmal::JurisdictionSet OnlyOf(const std::optional<std::string>& only) {
  if (!only) return kesmal::JurisdictionSet::All();
  const auto set = kesmal::ParseJurisdictionList(*only);
  if (!set)
    throw SqlError{ERRCODE_INVALID_PARAMETER_VALUE,
                   "bad value '{" + *only + "}' for only",
                   {},
                   "only lists jurisdictions among tw, hk, cn, cn15 and kr."};
  return *set;
}

Datum JsonbOf(const std::string& json) {
  return DirectFunctionCall1(jsonb_in, CStringGetDatum(json.c_str()));
}

// Whether a valid number of the jurisdiction (any, when none), judged
// without the report's text.
bool IsValid(std::string_view number, std::optional<kesmal::Jurisdiction> jurisdiction,
             kesmal::RuleSet rules) {
  const std::optional<kesmal::Jurisdiction> valid = kesmal::ValidJurisdiction(number, rules);
  return valid && (!jurisdiction || valid == jurisdiction);
}

// The words the domains' messages use; each domain is named kesmal.<name>_id.
constexpr const char* kDomainNumbers[] = {
    "Taiwan identity numbers",
    "Hong Kong identity numbers",
    "mainland identity numbers of 18 characters",
    "old mainland identity numbers of 15 digits",
    "Korean resident registration numbers",
};
static_assert(std::size(kDomainNumbers) == kesmal::kJurisdictionCount, "one by Jurisdiction");

std::string DomainOf(kesmal::Jurisdiction jurisdiction) {
  return std::string(kesmal::NameOf(jurisdiction)) + "_id";
}

const char* NumbersOf(kesmal::Jurisdiction jurisdiction) {
  return kDomainNumbers[static_cast<std::size_t>(jurisdiction)];
}

// Keeps a C++ object as long as a memory context: deleted when it is reset
// or deleted.
template <typename Object>
void DeleteWith(MemoryContext context, Object* object) {
  auto* callback = static_cast<MemoryContextCallback*>(
      MemoryContextAlloc(context, sizeof(MemoryContextCallback)));
  callback->func = [](void* arg) { delete static_cast<Object*>(arg); };
  callback->arg = object;
  MemoryContextRegisterResetCallback(context, callback);
}

}  // namespace

void _PG_init(void) {
  DefineCustomStringVariable(
      "kesmal.key_directory", "The directory of the key files kesmal.mask and kesmal.unmask read.",
      "Each key file must belong to the server's user and be readable by it alone.", &keyDirectory,
      "", PGC_SUSET, GUC_SUPERUSER_ONLY, nullptr, nullptr, nullptr);
  MarkGUCPrefixReserved("kesmal");
}

// kesmal.check(number text, rules text) RETURNS jsonb
Datum kesmal_check(PG_FUNCTION_ARGS) {
  RequireUtf8();
  const std::string_view number = TextArg(fcinfo, 0);
  const std::string_view rules = TextArg(fcinfo, 1);
  static std::string json;
  if (!Guarded("check", [&] { json = kesmal::Check(number, RulesNamed(rules)).Json(); })) Raise();
  PG_RETURN_DATUM(JsonbOf(json));
}

// kesmal.is_valid(number text, jurisdiction text, rules text) RETURNS boolean
Datum kesmal_is_valid(PG_FUNCTION_ARGS) {
  if (PG_ARGISNULL(0) || PG_ARGISNULL(2)) PG_RETURN_NULL();
  RequireUtf8();
  const std::string_view number = TextArg(fcinfo, 0);
  const auto jurisdiction = OptionalTextArg(fcinfo, 1);
  const std::string_view rules = TextArg(fcinfo, 2);
  bool valid = false;
  if (!Guarded("is_valid", [&] {
        valid = IsValid(number, jurisdiction ? JurisdictionNamed(*jurisdiction) : std::nullopt,
                        RulesNamed(rules));
      }))
    Raise();
  PG_RETURN_BOOL(valid);
}

// kesmal.domain_check(number text, jurisdiction text) RETURNS boolean: true,
// or an error whose detail is the check's report.
Datum kesmal_domain_check(PG_FUNCTION_ARGS) {
  RequireUtf8();
  const std::string_view number = TextArg(fcinfo, 0);
  const std::string_view name = TextArg(fcinfo, 1);
  if (!Guarded("domain_check", [&] {
        const auto jurisdiction = *JurisdictionNamed(name);
        if (IsValid(number, jurisdiction, kesmal::RuleSet::Classic)) return;
        const kesmal::CheckResult result = kesmal::Check(number);
        const std::string domain = DomainOf(jurisdiction);
        // The number itself stays out of the message, and so out of the
        // server's log unless the report holds it.
        std::string message = "value for domain kesmal." + domain + " is not a valid number";
        std::string detail = result.Empty() ? "The value is empty." : std::string(result.Report());
        std::string hint = "kesmal." + domain + " takes " + NumbersOf(jurisdiction) + ".";
        if (result.Valid())
          hint += " This one is valid as one of the " +
                  std::string(NumbersOf(*result.Details()->analysis.jurisdiction)) + ".";
        throw SqlError{ERRCODE_CHECK_VIOLATION, std::move(message), std::move(detail),
                       std::move(hint)};
      }))
    Raise();
  PG_RETURN_BOOL(true);
}

// kesmal.make(jurisdiction, count, seed, sex, region, birth, age, length,
// "unique", invalid) RETURNS SETOF text, one number per call from a stream.
Datum kesmal_make(PG_FUNCTION_ARGS) {
  FuncCallContext* context;
  if (SRF_IS_FIRSTCALL()) {
    context = SRF_FIRSTCALL_INIT();
    if (PG_ARGISNULL(0) || PG_ARGISNULL(1)) SRF_RETURN_DONE(context);
    const std::string_view jurisdiction = TextArg(fcinfo, 0);
    const int32 count = PG_GETARG_INT32(1);
    const bool hasSeed = !PG_ARGISNULL(2);
    const int64 seed = hasSeed ? PG_GETARG_INT64(2) : 0;
    const kesmal::RequestField textFields[] = {
        kesmal::RequestField::Sex, kesmal::RequestField::Region, kesmal::RequestField::Birth,
        kesmal::RequestField::Age};
    std::optional<std::string_view> texts[4];
    for (int i = 0; i < 4; ++i) texts[i] = OptionalTextArg(fcinfo, 3 + i);
    const bool hasLength = !PG_ARGISNULL(7);
    const int32 length = hasLength ? PG_GETARG_INT32(7) : 0;
    const bool unique = !PG_ARGISNULL(8) && PG_GETARG_BOOL(8);
    const auto invalid = OptionalTextArg(fcinfo, 9);
    kesmal::NumberStream* stream = nullptr;
    if (!Guarded("make", [&] {
          kesmal::MakeRequest request;
          request.jurisdiction = std::string(jurisdiction);
          if (!request.jurisdiction.Resolve()) kesmal::Validate(request);  // names them
          using kesmal::RequestField, kesmal::SetMakeField;
          SetMakeField(request, RequestField::Count, std::to_string(count));
          if (hasSeed) SetMakeField(request, RequestField::Seed, std::to_string(seed));
          for (int i = 0; i < 4; ++i)
            if (texts[i]) SetMakeField(request, textFields[i], *texts[i]);
          if (hasLength) SetMakeField(request, RequestField::Length, std::to_string(length));
          if (unique) SetMakeField(request, RequestField::Unique, "");
          if (invalid) SetMakeField(request, RequestField::Invalid, *invalid);
          stream = new kesmal::NumberStream(request);
        }))
      Raise();
    DeleteWith(context->multi_call_memory_ctx, stream);
    context->user_fctx = stream;
  }
  context = SRF_PERCALL_SETUP();
  auto* stream = static_cast<kesmal::NumberStream*>(context->user_fctx);
  static std::string number;
  bool more = false;
  if (!Guarded("make", [&] {
        if (auto next = stream->Next()) number = std::move(*next), more = true;
      }))
    Raise();
  if (!more) SRF_RETURN_DONE(context);
  SRF_RETURN_NEXT(context, PointerGetDatum(cstring_to_text_with_len(
                               number.data(), static_cast<int>(number.size()))));
}

namespace {

struct ScanRow {
  std::uint64_t start, length;  // in characters, start from 1
  std::uint64_t offset, bytes;
  std::string json;
};

// Character counts of byte offsets asked in rising order.
class CharacterCount {
 public:
  explicit CharacterCount(std::string_view text) : text_(text) {}
  std::uint64_t At(std::uint64_t offset) {
    for (; counted_ < offset; ++counted_)
      if ((static_cast<unsigned char>(text_[counted_]) & 0xC0) != 0x80) ++characters_;
    return characters_;
  }

 private:
  std::string_view text_;
  std::uint64_t counted_ = 0, characters_ = 0;
};

}  // namespace

// kesmal.scan(input, rules, near_misses, implausible, only) RETURNS TABLE(start
// integer, length integer, text text, finding jsonb)
Datum kesmal_scan(PG_FUNCTION_ARGS) {
  for (int n = 0; n < 4; ++n)
    if (PG_ARGISNULL(n)) {
      InitMaterializedSRF(fcinfo, 0);
      return static_cast<Datum>(0);
    }
  RequireUtf8();
  const std::string_view input = TextArg(fcinfo, 0);
  const std::string_view rules = TextArg(fcinfo, 1);
  const bool nearMisses = PG_GETARG_BOOL(2);
  const bool implausible = PG_GETARG_BOOL(3);
  std::optional<std::string> only;
  if (!PG_ARGISNULL(4)) only = ListArg(fcinfo, 4, "only");
  static std::vector<ScanRow> rows;
  rows.clear();
  if (!Guarded("scan", [&] {
        kesmal::ScanOptions options;
        options.rules = RulesNamed(rules);
        options.nearMisses = nearMisses;
        options.implausible = implausible;
        options.only = OnlyOf(only);
        CharacterCount characters(input);
        kesmal::Scan(input, options, [&](const kesmal::Finding& finding) {
          ScanRow& row = rows.emplace_back();
          row.offset = finding.offset;
          row.bytes = finding.length;
          row.start = characters.At(finding.offset) + 1;
          row.length = characters.At(finding.offset + finding.length) + 1 - row.start;
          kesmal::AppendFindingJson(finding, std::nullopt, options.rules, row.json);
        });
      }))
    Raise();
  InitMaterializedSRF(fcinfo, 0);
  auto* result = reinterpret_cast<ReturnSetInfo*>(fcinfo->resultinfo);
  for (const ScanRow& row : rows) {
    Datum values[4] = {
        Int32GetDatum(static_cast<int32>(row.start)),
        Int32GetDatum(static_cast<int32>(row.length)),
        PointerGetDatum(
            cstring_to_text_with_len(input.data() + row.offset, static_cast<int>(row.bytes))),
        JsonbOf(row.json),
    };
    bool nulls[4] = {false, false, false, false};
    tuplestore_putvalues(result->setResult, result->setDesc, values, nulls);
  }
  rows.clear();
  return static_cast<Datum>(0);
}

namespace {

// The arguments a masker was made for, and the masker: kept for the call
// site's query, so that a key file is read once per query, not per row.
struct MaskerCache {
  std::string key, keep, rules, only, directory;
  bool hasOnly = false;
  kesmal::MaskOptions options;
  std::unique_ptr<kesmal::TextMasker> masker;

  ~MaskerCache() {
    if (options.key) OPENSSL_cleanse(options.key->data(), options.key->size());
  }
};

kesmal::KeepSet KeepOf(const std::string& list) {
  kesmal::KeepSet keep;
  if (list.empty()) return keep;
  for (std::string_view rest = list;;) {
    const std::size_t comma = rest.find(',');
    const auto field = kesmal::KeptFieldNamed(rest.substr(0, comma));
    if (!field)
      throw SqlError{ERRCODE_INVALID_PARAMETER_VALUE,
                     "bad value '{" + list + "}' for keep",
                     {},
                     "keep lists fields among sex, birth-date, birth-year, region and province."};
    keep = keep.With(*field);
    if (comma == std::string_view::npos) return keep;
    rest.remove_prefix(comma + 1);
  }
}

// The key of the file named, from the key directory: a plain name, the file
// the server's user's own and readable by it alone.
kesmal::MaskKey KeyNamed(const std::string& name, const char* directory) {
  constexpr auto refuse = [](std::string message, std::string hint) {
    return SqlError{ERRCODE_INSUFFICIENT_PRIVILEGE, std::move(message), {}, std::move(hint)};
  };
  if (!directory || !*directory)
    throw refuse("kesmal.key_directory is not set",
                 "A superuser sets it to the directory of the key files, in postgresql.conf or "
                 "with ALTER SYSTEM SET kesmal.key_directory.");
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    throw refuse("bad key name '" + name + "'",
                 "A key is named by its file name in kesmal.key_directory, without a path.");
  const std::string path = std::string(directory) + "/" + name;
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0)
    throw SqlError{ERRCODE_UNDEFINED_FILE,
                   "cannot read the key '" + name + "': " + std::strerror(errno),
                   {},
                   "Key files live in kesmal.key_directory."};
  if (!S_ISREG(status.st_mode))
    throw refuse("the key '" + name + "' is not a regular file",
                 "A key file is a plain file, not a link or a directory.");
  if (status.st_uid != geteuid())
    throw refuse("the key file '" + name + "' does not belong to the server's user",
                 "chown it to the user the server runs as, and chmod 600 it.");
  // The library refuses it too, but its message names the directory, which
  // only a superuser may see.
  if ((status.st_mode & 077) != 0)
    throw refuse("the key file '" + name + "' is readable by others than the server's user",
                 "chmod 600 it: a key file must not be accessible by its group or others.");
  try {
    return kesmal::ReadKeyFile(path);
  } catch (const kesmal::MaskError& error) {
    std::string message = error.what();
    for (std::size_t at; (at = message.find(path)) != std::string::npos;)
      message.replace(at, path.size(), "key file '" + name + "'");
    throw SqlError{ERRCODE_INVALID_PARAMETER_VALUE, std::move(message), {}, {}};
  }
}

// The masked text, by the masker of the call site, made on
// its first call and again when the arguments change.
Datum Mask(FunctionCallInfo fcinfo, const char* function, kesmal::MaskDirection direction,
           bool withKey) {
  const int given = withKey ? 4 : 3;  // the arguments before only
  for (int i = 0; i < given; ++i)
    if (PG_ARGISNULL(i)) PG_RETURN_NULL();
  RequireUtf8();
  int n = 0;
  const std::string_view input = TextArg(fcinfo, n++);
  const std::string_view key = withKey ? TextArg(fcinfo, n++) : std::string_view();
  const std::string keep = ListArg(fcinfo, n++, "keep");
  const std::string_view rules = TextArg(fcinfo, n++);
  const bool hasOnly = !PG_ARGISNULL(n);
  const std::string only = hasOnly ? ListArg(fcinfo, n, "only") : std::string();
  const char* directory = keyDirectory ? keyDirectory : "";
  if (!fcinfo->flinfo->fn_extra) {
    MaskerCache* made = nullptr;
    if (!Guarded(function, [&] { made = new MaskerCache; })) Raise();
    DeleteWith(fcinfo->flinfo->fn_mcxt, made);
    fcinfo->flinfo->fn_extra = made;
  }
  auto* cache = static_cast<MaskerCache*>(fcinfo->flinfo->fn_extra);
  static std::string masked;
  if (!Guarded(function, [&] {
        if (!cache->masker || cache->key != key || cache->keep != keep || cache->rules != rules ||
            cache->hasOnly != hasOnly || cache->only != only ||
            (withKey && cache->directory != directory)) {
          cache->masker.reset();
          cache->options = {};
          cache->options.keep = KeepOf(keep);
          cache->options.rules = RulesNamed(rules);
          cache->options.only = OnlyOf(hasOnly ? std::optional<std::string>(only) : std::nullopt);
          cache->options.direction = direction;
          if (withKey) cache->options.key = KeyNamed(std::string(key), directory);
          cache->masker = std::make_unique<kesmal::TextMasker>(cache->options);
          cache->key = key, cache->keep = keep, cache->rules = rules;
          cache->hasOnly = hasOnly, cache->only = only;
          cache->directory = withKey ? directory : "";
        }
        // Each number the masker's scan finds, replaced by what the masker
        // makes of it alone, as MaskText would; a new masker for every value
        // costs a hundred times more than a number.
        if (auto number = cache->masker->MaskNumber(input)) {
          masked = std::move(*number);  // most values: one number, scanned once
          return;
        }
        masked.clear();
        std::size_t done = 0;
        kesmal::Scan(input, kesmal::MaskScanOptions(cache->options),
                     [&](const kesmal::Finding& finding) {
                       auto replacement = cache->masker->MaskNumber(finding.text);
                       if (!replacement) return;
                       masked.append(input.substr(done, finding.offset - done));
                       masked += *replacement;
                       done = finding.offset + finding.length;
                     });
        masked.append(input.substr(done));
      }))
    Raise();
  PG_RETURN_TEXT_P(cstring_to_text_with_len(masked.data(), static_cast<int>(masked.size())));
}

}  // namespace

// kesmal.mask(input, key, keep, rules, only) RETURNS text
Datum kesmal_mask(PG_FUNCTION_ARGS) {
  return Mask(fcinfo, "mask", kesmal::MaskDirection::Encipher, true);
}

// kesmal.unmask(input, key, keep, rules, only) RETURNS text
Datum kesmal_unmask(PG_FUNCTION_ARGS) {
  return Mask(fcinfo, "unmask", kesmal::MaskDirection::Reverse, true);
}

// kesmal.redact(input, keep, rules, only) RETURNS text
Datum kesmal_redact(PG_FUNCTION_ARGS) {
  return Mask(fcinfo, "redact", kesmal::MaskDirection::Encipher, false);
}
