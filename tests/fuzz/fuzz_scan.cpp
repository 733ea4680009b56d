// Any bytes through the scanner, whole and in pieces. Beyond "no crash and no
// sanitizer report": every finding lies inside the input and holds its text,
// its column counts from the line end before it, findings come in input order
// without overlapping, each re-checks as it was reported, and the pieces
// change nothing (lines included). A broken property aborts with the input's finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "kesmal/scan.h"
#include "rules/current.h"

namespace {

struct Found {
  std::uint64_t offset, length, line, column;
  std::string number;
  bool valid;
  friend bool operator==(const Found&, const Found&) = default;
};

[[noreturn]] void Broken(const char* property, const Found& found) {
  std::fprintf(stderr, "property broken: %s\nfinding at %llu, %llu bytes: %s\n", property,
               static_cast<unsigned long long>(found.offset),
               static_cast<unsigned long long>(found.length), found.number.c_str());
  std::abort();
}

// The first byte chooses the options, and how the rest is cut into pieces.
struct Setup {
  kesmal::ScanOptions options;
  std::size_t pieceSize;
};

Setup SetupOf(unsigned char byte) {
  Setup setup;
  setup.options.rules = byte & 1 ? kesmal::RuleSet::Current : kesmal::RuleSet::Classic;
  setup.options.nearMisses = byte & 2;
  setup.options.implausible = byte & 4;
  setup.pieceSize = 1 + (byte >> 3) * 7;
  return setup;
}

std::vector<Found> ScanInPieces(std::string_view text, const kesmal::ScanOptions& options,
                                std::size_t pieceSize) {
  std::vector<Found> found;
  const auto record = [&](const kesmal::Finding& finding) {
    found.push_back({finding.offset, finding.length, finding.line, finding.column,
                     std::string(finding.number), finding.valid});
    if (finding.text != text.substr(finding.offset, finding.length))
      Broken("a finding's text is not the input's bytes at its offset", found.back());
  };
  kesmal::Scanner scanner(options);
  for (std::size_t at = 0; at < text.size(); at += pieceSize)
    scanner.Feed(text.substr(at, pieceSize), record);
  scanner.Finish(record);
  return found;
}

void RequireProperties(std::string_view text, const kesmal::ScanOptions& options,
                       const std::vector<Found>& found) {
  std::uint64_t previousEnd = 0;
  for (const Found& one : found) {
    if (one.offset + one.length > text.size()) Broken("a finding beyond the input", one);
    if (one.offset < previousEnd) Broken("findings out of order or overlapping", one);
    previousEnd = one.offset + one.length;
    const std::size_t lineStart = text.substr(0, one.offset).rfind('\n') + 1;  // npos + 1 is 0
    if (one.column != one.offset - lineStart + 1) Broken("a finding's column", one);
    const auto report = kesmal::CheckNumberText(one.number, options.rules, kesmal::Encoding::Utf8);
    if (!report || report->valid != one.valid) Broken("a finding that re-checks otherwise", one);
    if (!one.valid && (!options.nearMisses || report->analysis.faults.size() != 1 ||
                       report->analysis.faults[0].code != kesmal::FaultCode::CheckCode))
      Broken("an invalid finding that is no near miss", one);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Setup setup = SetupOf(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<Found> whole = ScanInPieces(text, setup.options, text.size() + 1);
  RequireProperties(text, setup.options, whole);
  if (ScanInPieces(text, setup.options, setup.pieceSize) != whole) {
    std::fprintf(stderr, "property broken: pieces of %zu bytes find otherwise\n", setup.pieceSize);
    std::abort();
  }
  return 0;
}
