#include "kesmal/mask.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "kesmal/input_source.h"
#include "kesmal/make.h"
#include "kesmal/written_form.h"

namespace kesmal {
namespace {

constexpr Jurisdiction kAll[] = {Jurisdiction::Taiwan, Jurisdiction::HongKong, Jurisdiction::China,
                                 Jurisdiction::ChinaOld, Jurisdiction::Korea};

ScanOptions ScanOptionsOf(const MaskOptions& options) {
  ScanOptions scan;
  scan.rules = options.rules;
  scan.only = options.only;
  scan.implausible = options.implausible;
  scan.nearMisses = true;  // counted when they are left
  scan.reportText = false;
  return scan;
}

std::string Plural(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

constexpr std::size_t kPiece = 256 * 1024;

// Writes everything or fails, as write(2) may write less.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// Reads the input in pieces through the masker into `write`; false after a
// read error (errno).
template <typename Write>
bool MaskStream(TextMasker& masker, Source& source, Write write) {
  std::string buffer(kPiece, '\0');
  for (;;) {
    const long got = source.Read(buffer.data(), buffer.size());
    if (got < 0) return false;
    if (got == 0) break;
    masker.Feed({buffer.data(), static_cast<std::size_t>(got)}, write);
  }
  masker.Finish(write);
  return true;
}

void Add(MaskCounts& total, const MaskCounts& counts) {
  for (std::size_t i = 0; i < total.replaced.size(); ++i) total.replaced[i] += counts.replaced[i];
  total.nearMissesLeft += counts.nearMissesLeft;
  total.nearMissesRedacted += counts.nearMissesRedacted;
}

// The error of the step that failed, or none once the file is replaced.
std::optional<std::string> MaskInPlace(const std::string& path, const MaskOptions& options,
                                       MaskCounts& counts) {
  const int input = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (input < 0) return std::strerror(errno);
  Source source(input);  // closes it
  struct stat status {};
  fstat(input, &status);
  std::string temporary = path + ".kesmal-XXXXXX";
  const int output = mkstemp(temporary.data());
  if (output < 0) return std::string("cannot write beside it: ") + std::strerror(errno);
  TextMasker masker(options);
  bool written = true;
  const bool read = MaskStream(masker, source, [&](std::string_view bytes) {
    written = written && WriteAll(output, bytes);
  });
  const int error = errno;
  const bool complete = read && written && fchmod(output, status.st_mode & 07777) == 0 &&
                        fsync(output) == 0 && close(output) == 0;
  if (!complete || rename(temporary.c_str(), path.c_str()) != 0) {
    const int failure = !read ? error : errno;
    std::remove(temporary.c_str());
    return std::strerror(failure);
  }
  Add(counts, masker.Counts());
  return std::nullopt;
}

std::optional<std::string> MaskToStream(const std::string& path, std::istream& in,
                                        const MaskOptions& options, std::ostream& out,
                                        MaskCounts& counts) {
  TextMasker masker(options);
  const auto write = [&](std::string_view bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  std::optional<Source> source = Source::Open(path, in);
  if (!source) return std::strerror(errno);
  const bool read = MaskStream(masker, *source, write);
  if (!read) return std::strerror(errno);
  Add(counts, masker.Counts());
  return std::nullopt;
}

}  // namespace

int MaskInputs(const MaskRequest& request, std::istream& in, std::ostream& out, std::ostream& err) {
  ValidateMask(request.options);
  std::vector<std::string> paths = request.paths;
  if (paths.empty()) paths.emplace_back("-");
  MaskCounts counts;
  bool failed = false;
  for (const std::string& path : paths) {
    const auto error = request.inPlace && path != "-"
                           ? MaskInPlace(path, request.options, counts)
                           : MaskToStream(path, in, request.options, out, counts);
    if (!error) continue;
    err << request.program << ": " << (path == "-" ? "(standard input)" : path) << ": " << *error
        << '\n';
    failed = true;
  }
  out.flush();
  err << request.program << ": " << MaskSummary(counts, !request.options.key) << '\n';
  return failed ? 2 : 0;
}

void ValidateMask(const MaskOptions& options) {
  if (!options.key) return;
  std::vector<Jurisdiction> looked;
  for (const Jurisdiction jurisdiction : kAll)
    if (options.only.Holds(jurisdiction)) looked.push_back(jurisdiction);
  RequireLargeDomains(looked, options.rules, options.keep);
}

std::string MaskSummary(const MaskCounts& counts, bool redacted) {
  std::uint64_t total = 0;
  std::string each;
  for (const Jurisdiction jurisdiction : kAll) {
    const std::uint64_t replaced = counts.replaced[static_cast<std::size_t>(jurisdiction)];
    total += replaced;
    if (replaced == 0) continue;
    if (!each.empty()) each += ", ";
    each += std::string(NameOf(jurisdiction)) + " " + std::to_string(replaced);
  }
  std::string summary = (redacted ? "redacted " : "masked ") + Plural(total, "number", "numbers");
  if (!each.empty()) summary += " (" + each + ")";
  if (counts.nearMissesRedacted)
    summary += "; redacted " + Plural(counts.nearMissesRedacted, "near miss", "near misses");
  summary += "; left " + Plural(counts.nearMissesLeft, "near miss", "near misses");
  return summary;
}

TextMasker::TextMasker(const MaskOptions& options)
    : options_(options), scanner_(ScanOptionsOf(options)) {
  ValidateMask(options);
  if (options.key)
    pseudonymizer_.emplace(*options.key, options.rules, options.keep, options.direction);
}

std::optional<std::string> TextMasker::Masked(const Finding& finding, bool& later) {
  later = false;
  if (!finding.valid) {
    if (!options_.redactNearMisses) {
      ++counts_.nearMissesLeft;
      return std::nullopt;
    }
    ++counts_.nearMissesRedacted;
    return Redacted(finding.text, finding.jurisdiction, options_.keep);
  }
  ++counts_.replaced[static_cast<std::size_t>(finding.jurisdiction)];
  if (!pseudonymizer_) return Redacted(finding.text, finding.jurisdiction, options_.keep);
  later = true;
  return std::string();
}

void TextMasker::Replace(const Finding& finding) {
  if (finding.offset < start_) throw std::logic_error("a finding behind what was written");
  bool later = false;
  if (auto text = Masked(finding, later))
    replacements_.push_back({finding.offset, finding.length, std::move(*text), later});
}

void TextMasker::Hold(std::uint64_t offset) {
  const std::uint64_t pieceStart = fed_ - piece_.size();
  if (offset >= pieceStart) {
    held_.assign(piece_.substr(offset - pieceStart));
  } else {
    held_.erase(0, offset - start_);
    held_ += piece_;
  }
  start_ = offset;
}

std::string_view TextMasker::TextAt(std::uint64_t offset, std::uint64_t length,
                                    std::string& scratch) const {
  const std::uint64_t pieceStart = fed_ - piece_.size();
  if (offset + length <= pieceStart) return std::string_view(held_).substr(offset - start_, length);
  if (offset >= pieceStart) return piece_.substr(offset - pieceStart, length);
  scratch.clear();
  const auto append = [&](std::string_view bytes) { scratch += bytes; };
  WriteRange(offset, offset + length, append);
  return scratch;
}

void TextMasker::ResolvePseudonyms() {
  const std::size_t first = std::max(waiting_, next_);
  if (first >= replacements_.size()) return;
  numbers_.resize(replacements_.size() - first);
  numberViews_.clear();
  std::string scratch;
  std::size_t count = 0;
  for (std::size_t i = first; i < replacements_.size(); ++i) {
    const Replacement& replacement = replacements_[i];
    if (!replacement.waiting) continue;
    numbers_[count] = CanonicalOf(TextAt(replacement.offset, replacement.length, scratch));
    numberViews_.push_back(numbers_[count++]);
  }
  if (pseudonyms_.size() < count) pseudonyms_.resize(count);
  pseudonymizer_->PseudonymsInto(numberViews_, {pseudonyms_.data(), count});
  count = 0;
  for (std::size_t i = first; i < replacements_.size(); ++i) {
    Replacement& replacement = replacements_[i];
    if (!replacement.waiting) continue;
    replacement.text = InWrittenForm(TextAt(replacement.offset, replacement.length, scratch),
                                     pseudonyms_[count++]);
    replacement.waiting = false;
  }
  waiting_ = replacements_.size();
}

std::optional<std::string> TextMasker::MaskNumber(std::string_view written) {
  std::optional<std::string> masked;
  Scan(written, ScanOptionsOf(options_), [&](const Finding& finding) {
    if (finding.offset != 0 || finding.length != written.size()) return;
    bool later = false;
    masked = Masked(finding, later);
    if (later) masked = InWrittenForm(written, pseudonymizer_->Pseudonym(finding.number));
  });
  return masked;
}

std::string MaskText(std::string_view text, const MaskOptions& options, MaskCounts* counts) {
  std::string out;
  out.reserve(text.size());
  TextMasker masker(options);
  const auto write = [&](std::string_view bytes) { out += bytes; };
  masker.Feed(text, write);
  masker.Finish(write);
  if (counts) *counts = masker.Counts();
  return out;
}

}  // namespace kesmal
