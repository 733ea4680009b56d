#pragma once
// The fields of one check, or of one finding of a scan (its place, then its
// number's check), in the order of its JSON object, handed to a sink: the
// JSON and CSV writers and the Python module's dictionaries. The sink is a
// template parameter, so a writer's calls are inlined field by field.
//
// A sink has Input(bytes), the line as read, which may be ill-formed UTF-8;
// Text(field, utf8); Word(field, ascii), text with nothing to escape or
// quote; Bool(field, value); Null(field); and a list of objects as
// BeginList(field), then BeginItem() and EndItem() around each object's
// fields, then EndList(). A finding's fields also need Bytes(field, bytes),
// a path, which may be ill-formed UTF-8, and Number(field, value).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/scan.h"
#include "rules/date_phrase.h"
#include "rules/id_report.h"
#include "rules/rule_set.h"

namespace kesmal {

// Each field's JSON key, in the order the object holds them.
// clang-format off
#define KESMAL_CHECK_FIELDS(X)                \
  X(Input, "input")                           \
  X(Rules, "rules")                           \
  X(Jurisdiction, "jurisdiction")             \
  X(Valid, "valid")                           \
  X(Faults, "faults")                         \
  X(Code, "code")                             \
  X(Message, "message")                       \
  X(Expected, "expected")                     \
  X(Birthplace, "birthplace")                 \
  X(RegionCode, "region_code")                \
  X(BirthDate, "birth_date")                  \
  X(NotYetBorn, "not_yet_born")               \
  X(RecordAge, "record_age")                  \
  X(Sex, "sex")                               \
  X(Upgrade, "upgrade")                       \
  X(Kind, "kind")                             \
  X(CheckCodeVerified, "check_code_verified") \
  X(Report, "report")
// What a finding adds before its number's check, in the same order.
#define KESMAL_FINDING_FIELDS(X) \
  X(Path, "path")                \
  X(Line, "line")                \
  X(Column, "column")            \
  X(Offset, "offset")            \
  X(Length, "length")            \
  X(Text, "text")                \
  X(Plausible, "plausible")
// clang-format on

// Every field: a check's first, so that their values stay as they were.
#define KESMAL_FIELDS(X) KESMAL_CHECK_FIELDS(X) KESMAL_FINDING_FIELDS(X)

#define KESMAL_FIELD_ENUM(id, key) id,
enum class Field : std::uint8_t { KESMAL_FIELDS(KESMAL_FIELD_ENUM) };
#undef KESMAL_FIELD_ENUM

#define KESMAL_FIELD_ONE(id, key) +1
inline constexpr std::size_t kFieldCount = 0 KESMAL_FIELDS(KESMAL_FIELD_ONE);
#undef KESMAL_FIELD_ONE

constexpr std::string_view KeyOf(Field field) {
#define KESMAL_FIELD_KEY(id, key) key,
  constexpr std::string_view kKeys[] = {KESMAL_FIELDS(KESMAL_FIELD_KEY)};
#undef KESMAL_FIELD_KEY
  return kKeys[static_cast<std::size_t>(field)];
}

// "letter", "check_code": the names scripts match on.
const char* FaultName(FaultCode code);
const char* JurisdictionName(Jurisdiction jurisdiction);
const char* KindName(IdKind kind);

// YYYY-MM-DD.
std::string IsoDate(const CivilDate& date);
inline constexpr std::size_t kIsoDateSize = 10;
void WriteIsoDate(const CivilDate& date, char (&text)[kIsoDateSize]);

namespace fields {

// GBK text converted to UTF-8 into the scratch buffer (cleared first).
std::string_view GbkToUtf8Into(std::string_view gbk, std::string& scratch);

// Text of the rules in UTF-8: a fixed piece as it is, GBK converted into the
// scratch buffer, which one batch reuses line after line.
inline std::string_view Utf8Of(const kesmal::Text& text, std::string& scratch) {
  return text.utf8.data() ? text.utf8 : GbkToUtf8Into(text.gbk, scratch);
}

// A length no rule takes has one fault, the rejection message, which is the
// whole report; so is it written in UTF-8 already.
template <typename Sink>
void VisitFaults(const std::vector<Fault>& faults, std::string_view reportUtf8, Sink& sink,
                 std::string& scratch) {
  sink.BeginList(Field::Faults);
  for (const Fault& fault : faults) {
    sink.BeginItem();
    sink.Word(Field::Code, FaultName(fault.code));
    sink.Text(Field::Message,
              fault.code == FaultCode::Length ? reportUtf8 : Utf8Of(fault.Sentence(), scratch));
    if (fault.code == FaultCode::CheckCode) sink.Word(Field::Expected, {&fault.expected, 1});
    sink.EndItem();
  }
  sink.EndList();
}

// What a valid number carries; a mainland number names its region by code,
// and the name may be unknown.
template <typename Sink>
void VisitHolder(const IdAnalysis& id, Sink& sink, std::string& scratch) {
  if (id.birthplace)
    sink.Text(Field::Birthplace, Utf8Of(*id.birthplace, scratch));
  else if (id.regionCode)
    sink.Null(Field::Birthplace);
  if (id.regionCode) sink.Word(Field::RegionCode, *id.regionCode);
  if (id.birthday) {
    char date[kIsoDateSize];
    WriteIsoDate(id.birthday->date, date);
    sink.Word(Field::BirthDate, {date, sizeof date});
    sink.Bool(Field::NotYetBorn, id.birthday->notYetBorn);
    sink.Bool(Field::RecordAge, id.birthday->recordAge);
  }
  if (id.sex) sink.Word(Field::Sex, *id.sex == HolderSex::Male ? "male" : "female");
  if (id.upgrade) sink.Word(Field::Upgrade, *id.upgrade);
}

// What today's rules add: a valid number's kind, and for Korea whether the
// check digit was verified.
template <typename Sink>
void VisitCurrentFields(const IdAnalysis& id, Sink& sink) {
  if (id.kind) sink.Word(Field::Kind, KindName(*id.kind));
  if (id.jurisdiction == Jurisdiction::Korea)
    sink.Bool(Field::CheckCodeVerified, id.checkCodeVerified.value_or(false));
}

}  // namespace fields

// The fields of the object for one input: the check's analysis and its
// report in UTF-8, or no analysis for an empty line. The scratch buffer holds
// text converted from GBK, which a batch reuses line after line.
template <typename Sink>
[[gnu::always_inline]] inline void VisitCheckFields(std::string_view input, const IdAnalysis* id,
                                                    std::string_view reportUtf8, Sink& sink,
                                                    std::optional<RuleSet> rules,
                                                    std::string& scratch) {
  sink.Input(input);
  if (rules) sink.Word(Field::Rules, rules == RuleSet::Current ? "current" : "classic");
  if (!id) {
    sink.Null(Field::Jurisdiction);
    sink.Null(Field::Valid);
    sink.BeginList(Field::Faults);
    sink.EndList();
    sink.Word(Field::Report, "");
    return;
  }
  if (id->jurisdiction)
    sink.Word(Field::Jurisdiction, JurisdictionName(*id->jurisdiction));
  else
    sink.Null(Field::Jurisdiction);
  sink.Bool(Field::Valid, id->Valid());
  fields::VisitFaults(id->faults, reportUtf8, sink, scratch);
  fields::VisitHolder(*id, sink, scratch);
  if (rules == RuleSet::Current) fields::VisitCurrentFields(*id, sink);
  sink.Text(Field::Report, reportUtf8);
}

// The same of a check's report, its text in UTF-8, or null for an empty line.
template <typename Sink>
void VisitCheckFields(std::string_view input, const IdReport* report, Sink& sink,
                      std::optional<RuleSet> rules = std::nullopt) {
  std::string scratch;
  if (!report) return VisitCheckFields(input, nullptr, {}, sink, rules, scratch);
  VisitCheckFields(input, &report->analysis, report->text, sink, rules, scratch);
}

// The fields of a finding: its place in the input (`path` none for standard
// input), its text as written, whether it is plausible, then the check of its
// number, whose input is the number's canonical form.
template <typename Sink>
void VisitFindingFields(const Finding& finding, std::optional<std::string_view> path, Sink& sink,
                        std::optional<RuleSet> rules, std::string& scratch) {
  if (path)
    sink.Bytes(Field::Path, *path);
  else
    sink.Null(Field::Path);
  sink.Number(Field::Line, finding.line);
  sink.Number(Field::Column, finding.column);
  sink.Number(Field::Offset, finding.offset);
  sink.Number(Field::Length, finding.length);
  // Letters, digits, brackets, hyphens and spaces, ASCII or full-width: UTF-8.
  sink.Text(Field::Text, finding.text);
  sink.Bool(Field::Plausible, finding.plausible);
  // The scanner writes its reports in UTF-8.
  VisitCheckFields(finding.number, &finding.report.analysis, finding.report.text, sink, rules,
                   scratch);
}

template <typename Sink>
void VisitFindingFields(const Finding& finding, std::optional<std::string_view> path, Sink& sink,
                        std::optional<RuleSet> rules = std::nullopt) {
  std::string scratch;
  VisitFindingFields(finding, path, sink, rules, scratch);
}

}  // namespace kesmal
