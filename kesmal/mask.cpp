#include "kesmal/mask.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "kesmal/input_source.h"
#include "kesmal/make.h"
#include "kesmal/written_form.h"
#include "rules/layout.h"

namespace kesmal {
namespace {

std::string Plural(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

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

void Add(MaskCounts& total, const MaskCounts& counts) {
  for (std::size_t i = 0; i < total.replaced.size(); ++i) total.replaced[i] += counts.replaced[i];
  total.nearMissesMasked += counts.nearMissesMasked;
  total.nearMissesLeft += counts.nearMissesLeft;
  total.nearMissesRedacted += counts.nearMissesRedacted;
}

// The temporary file being written, removed by a signal that ends the run.
char pendingTemporary[4096];
volatile std::sig_atomic_t pendingSet = 0;

extern "C" void RemovePendingAndDie(int signal) {
  if (pendingSet) unlink(pendingTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// TERM, INT and HUP remove the temporary file before they end the run.
class SignalGuard {
 public:
  SignalGuard() {
    struct sigaction action {};
    action.sa_handler = RemovePendingAndDie;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      sigaction(kSignals[i], &action, &previous_[i]);
  }
  ~SignalGuard() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      sigaction(kSignals[i], &previous_[i], nullptr);
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

  // Makes the temporary file from its template, which a signal then removes:
  // no signal comes between. -1 after an error (errno).
  static int Create(std::string& path) {
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    const int error = errno;
    if (fd >= 0 && path.size() < sizeof pendingTemporary) {
      std::memcpy(pendingTemporary, path.c_str(), path.size() + 1);
      pendingSet = 1;
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return fd;
  }
  // Once the temporary file is renamed or removed.
  static void Done() { pendingSet = 0; }

 private:
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction previous_[std::size(kSignals)]{};
};

// The file's extended attributes (its ACL among them) onto `to`; false when
// one cannot be kept.
bool CopyAttributes(int from, int to) {
  const ssize_t size = flistxattr(from, nullptr, 0);
  if (size < 0) return errno == ENOTSUP;  // a file system without them has none
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t got = flistxattr(from, names.data(), names.size());
  if (got < 0) return false;
  names.resize(static_cast<std::size_t>(got));
  for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
    const char* name = names.c_str() + at;
    const ssize_t length = fgetxattr(from, name, nullptr, 0);
    if (length < 0) return false;
    std::string value(static_cast<std::size_t>(length), '\0');
    const ssize_t read = fgetxattr(from, name, value.data(), value.size());
    if (read < 0 || fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0) != 0)
      return false;
  }
  return true;
}

std::error_code SystemError(int error) { return {error, std::generic_category()}; }

// Writes to the temporary file; the first error is kept, and nothing is
// written after it.
class FileOutput : public SearchOutput {
 public:
  explicit FileOutput(int fd) : fd_(fd) {}
  void Write(std::string_view bytes) override {
    if (error_ == 0 && !WriteAll(fd_, bytes)) error_ = errno ? errno : EIO;
  }
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

struct FileIdentity {
  dev_t device;
  ino_t inode;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The failure of the step that failed, or none once the file is replaced. A
// symbolic link is followed and its target rewritten, the link left as it
// is; anything but a regular file is refused, and so is a file whose owner,
// group, mode or extended attributes the new file cannot keep. A file met
// before, under any name, is skipped.
std::optional<InputFailure> MaskInPlace(const std::string& path, const MaskOptions& options,
                                        MaskCounts& counts, std::vector<FileIdentity>& done) {
  const auto failure = [&](InputFault fault, int error = 0) {
    return std::optional<InputFailure>(
        InputFailure{path, fault, error ? SystemError(error) : std::error_code()});
  };
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return failure(InputFault::Unreadable, errno);
  const std::string target(resolved);
  std::free(resolved);
  // Not blocking on a FIFO; the descriptor is checked before it is read.
  const int input = open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (input < 0) return failure(InputFault::Unreadable, errno);
  Source source(input);  // closes it
  struct stat status {};
  if (fstat(input, &status) != 0) return failure(InputFault::Unreadable, errno);
  if (!S_ISREG(status.st_mode)) return failure(InputFault::NotRegularFile);
  const FileIdentity identity{status.st_dev, status.st_ino};
  if (std::ranges::find(done, identity) != done.end()) return std::nullopt;  // masked once
  // A new file renamed over one name would leave the others in clear.
  if (status.st_nlink > 1) {
    auto links = failure(InputFault::OtherHardLinks);
    links->otherLinks = status.st_nlink - 1;
    return links;
  }
  if (flock(input, LOCK_EX | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? failure(InputFault::Busy)
                                : failure(InputFault::Unreadable, errno);
  fcntl(input, F_SETFL, fcntl(input, F_GETFL) & ~O_NONBLOCK);

  std::string temporary = target + ".kesmal-XXXXXX";
  const int output = SignalGuard::Create(temporary);
  if (output < 0) return failure(InputFault::CannotWriteBeside, errno);
  const auto fail = [&](InputFault fault, int error = 0) {
    close(output);
    unlink(temporary.c_str());
    SignalGuard::Done();
    return failure(fault, error);
  };
  // The owner first: a change of owner clears the set-user-ID bits.
  if ((status.st_uid != geteuid() || status.st_gid != getegid()) &&
      fchown(output, status.st_uid, status.st_gid) != 0)
    return fail(InputFault::CannotKeepOwner, errno);
  if (fchmod(output, status.st_mode & 07777) != 0) return fail(InputFault::CannotKeepMode, errno);
  if (!CopyAttributes(input, output)) return fail(InputFault::CannotKeepAttributes, errno);

  FileOutput written(output);
  std::optional<TextMasker> masker;
  std::optional<std::error_code> readError;
  try {
    masker.emplace(options);
    std::uint64_t findings = 0;
    readError = SearchSource(source, {path, true}, {MaskScanOptions(options), 1, {}}, *masker,
                             written, findings);
  } catch (...) {
    fail(InputFault::CannotWriteBeside);
    throw;
  }
  if (readError) return fail(InputFault::Unreadable, readError->value());
  if (written.Error() != 0) return fail(InputFault::CannotWriteBeside, written.Error());
  struct stat writtenStatus {};
  if (fsync(output) != 0 || fstat(output, &writtenStatus) != 0)
    return fail(InputFault::CannotWriteBeside, errno);
  const int closed = close(output);
  if (closed != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    SignalGuard::Done();
    return failure(InputFault::CannotReplace, error);
  }
  SignalGuard::Done();
  done.push_back(identity);
  done.push_back(
      {writtenStatus.st_dev, writtenStatus.st_ino});  // the same file under its new inode
  Add(counts, masker->Counts());
  return std::nullopt;
}

}  // namespace

MaskResult MaskInputs(const MaskRequest& request, std::istream& in, std::ostream& out) {
  ValidateMask(request.options);
  MaskResult result;
  StreamOutput output(out);
  if (!request.inPlace) {
    TextMasker masker(request.options);
    SearchResult search =
        SearchInputs(request.paths, {MaskScanOptions(request.options), 1, request.onFailure},
                     masker, in, output);
    result.counts = masker.Counts();
    result.failures = std::move(search.failures);
    result.outputFailed = search.outputFailed || !out.flush();
    return result;
  }
  const SignalGuard signals;
  std::vector<FileIdentity> done;
  for (const std::string& path : InputPaths(request.paths)) {
    std::optional<InputFailure> failure;
    if (path == "-") {
      // Standard input has no file to rewrite: it is masked to out.
      Source source(in);
      TextMasker masker(request.options);
      std::uint64_t findings = 0;
      const SearchOptions search{MaskScanOptions(request.options), 1, {}};
      if (const auto error = SearchSource(source, {path, true}, search, masker, output, findings))
        failure = InputFailure{path, InputFault::Unreadable, *error};
      else
        Add(result.counts, masker.Counts());
    } else {
      failure = MaskInPlace(path, request.options, result.counts, done);
    }
    if (output.Failed()) break;
    if (!failure) continue;
    result.failures.push_back(std::move(*failure));
    if (request.onFailure) request.onFailure(result.failures.back());
  }
  result.outputFailed = !out.flush();
  return result;
}

ScanOptions MaskScanOptions(const MaskOptions& options) {
  ScanOptions scan;
  scan.rules = options.rules;
  scan.only = options.only;
  scan.implausible = options.implausible;
  scan.nearMisses = true;  // counted when they are left
  scan.reportText = false;
  // Pseudonyms are looked for whatever day it is; redaction needs no reverse.
  scan.anyBirth = options.key.has_value();
  return scan;
}

void ValidateMask(const MaskOptions& options) {
  if (!options.key) return;
  std::vector<Jurisdiction> looked;
  for (const JurisdictionEntry& entry : kJurisdictions)
    if (options.only.Holds(entry.jurisdiction)) looked.push_back(entry.jurisdiction);
  RequireLargeDomains(looked, options.rules, options.keep);
}

std::string MaskSummary(const MaskCounts& counts, bool redacted) {
  std::uint64_t total = 0;
  std::string each;
  for (const JurisdictionEntry& entry : kJurisdictions) {
    const std::uint64_t replaced = counts.replaced[static_cast<std::size_t>(entry.jurisdiction)];
    total += replaced;
    if (replaced == 0) continue;
    if (!each.empty()) each += ", ";
    each += std::string(entry.name) + " " + std::to_string(replaced);
  }
  std::string summary = (redacted ? "redacted " : "masked ") + Plural(total, "number", "numbers");
  if (!each.empty()) summary += " (" + each + ")";
  if (counts.nearMissesMasked)
    summary += "; masked " + Plural(counts.nearMissesMasked, "near miss", "near misses");
  if (counts.nearMissesRedacted)
    summary += "; redacted " + Plural(counts.nearMissesRedacted, "near miss", "near misses");
  summary += "; left " + Plural(counts.nearMissesLeft, "near miss", "near misses");
  return summary;
}

TextMasker::TextMasker(const MaskOptions& options) : options_(options) {
  ValidateMask(options);
  if (options.key)
    pseudonymizer_.emplace(*options.key, options.rules, options.keep, options.direction);
}

namespace {

int CheckValue(char check) { return check >= '0' && check <= '9' ? check - '0' : 10; }

}  // namespace

void TextMasker::BeginInput(const InputName&) {
  passed_ = resume_ = 0;
  replacements_.clear();
  waiting_ = 0;
  input_ = {};
}

void TextMasker::EndInput(const InputName&, std::uint64_t, std::string&) { Add(counts_, input_); }

bool TextMasker::Found(const Finding& finding, std::string&) {
  if (finding.offset < std::max(passed_, resume_))
    throw std::logic_error("a finding behind what was written");
  Replace(finding);
  return true;
}

// Writes the bytes, each replacement that starts in them in place of its
// text; one that ends past them is skipped in the next bytes. Long runs of
// bytes go straight out; the short ones and the replacements between them
// gather in one write.
void TextMasker::Passed(std::string_view bytes, SearchOutput& out) {
  constexpr std::size_t kStraight = 4096;
  ResolvePseudonyms();
  written_.clear();
  const auto write = [&](std::string_view run) {
    if (run.size() < kStraight) {
      written_ += run;
      return;
    }
    if (!written_.empty()) out.Write(written_);
    written_.clear();
    out.Write(run);
  };
  const std::uint64_t begin = passed_, end = passed_ + bytes.size();
  std::uint64_t at = std::max(begin, resume_);
  std::size_t next = 0;
  for (; next < replacements_.size() && replacements_[next].offset < end; ++next) {
    const Replacement& replacement = replacements_[next];
    write(bytes.substr(at - begin, replacement.offset - at));
    written_ += replacement.text;
    at = replacement.offset + replacement.length;
  }
  replacements_.erase(replacements_.begin(), replacements_.begin() + static_cast<long>(next));
  waiting_ -= std::min(waiting_, next);
  if (at < end) write(bytes.substr(at - begin));
  if (!written_.empty()) out.Write(written_);
  resume_ = std::max(at, end);
  passed_ = end;
}

void TextMasker::FeedInto(std::string_view piece, std::string& out) {
  if (!search_) {
    BeginInput({"-", false});
    search_.emplace(MaskScanOptions(options_), *this, ScanStart{}, &fedOut_);
  }
  fedOut_.To(out);
  search_->Feed(piece, records_);
}

void TextMasker::FinishInto(std::string& out) {
  if (!search_) FeedInto({}, out);
  fedOut_.To(out);
  search_->Finish(records_);
  search_.reset();
  EndInput({"-", false}, 0, out);
}

void TextMasker::Replace(const Finding& finding) {
  Replacement replacement{finding.offset, finding.length, {}, false, finding.jurisdiction};
  if (!finding.valid) {
    NearMisses mode = options_.nearMisses;
    if (mode == NearMisses::Mask && !pseudonymizer_) mode = NearMisses::Redact;
    const auto& faults = finding.report.analysis.faults;
    if (faults.empty()) throw std::logic_error("a near miss without its right check character");
    // A keyed scan finds near misses of numbers born on any day: those of
    // numbers outside the masked set are left, uncounted, in every mode.
    if (pseudonymizer_ && mode != NearMisses::Mask) {
      std::string right(finding.number);
      right.back() = faults[0].expected;
      if (!pseudonymizer_->InMaskedSet(right, options_.implausible)) return;
    }
    if (mode == NearMisses::Keep) {
      ++input_.nearMissesLeft;
      return;
    }
    if (mode == NearMisses::Redact) {
      ++input_.nearMissesRedacted;
      replacement.text = Redacted(finding.text, finding.jurisdiction, options_.keep);
      replacements_.push_back(std::move(replacement));
      return;
    }
    const char letter = CheckLetterOf(finding.jurisdiction);
    const int modulus = letter ? 11 : 10;
    replacement.check = faults[0].expected;
    const char written = finding.number.back();
    // A check character the form never has stays as it is, whatever the pseudonym's.
    replacement.shift =
        (written >= '0' && written <= '9') || (letter && written == letter)
            ? static_cast<std::uint8_t>(
                  (CheckValue(written) - CheckValue(replacement.check) + modulus) % modulus)
            : Pseudonymizer::kAnyCheck;
    replacement.waiting = true;
    replacement.text = finding.text;
  } else if (!pseudonymizer_) {
    ++input_.replaced[static_cast<std::size_t>(finding.jurisdiction)];
    replacement.text = Redacted(finding.text, finding.jurisdiction, options_.keep);
  } else {
    replacement.waiting = true;
    replacement.text = finding.text;
  }
  replacements_.push_back(std::move(replacement));
}

void TextMasker::ResolvePseudonyms() {
  if (waiting_ >= replacements_.size()) return;
  numbers_.resize(replacements_.size() - waiting_);
  numberViews_.clear();
  shifts_.clear();
  std::size_t count = 0;
  for (std::size_t i = waiting_; i < replacements_.size(); ++i) {
    const Replacement& replacement = replacements_[i];
    if (!replacement.waiting) continue;
    std::string& number = numbers_[count++];
    number = CanonicalOf(replacement.text);
    if (replacement.check) number.back() = replacement.check;
    numberViews_.push_back(number);
    shifts_.push_back(replacement.shift);
  }
  waiting_ = replacements_.size();
  if (count == 0) return;
  if (pseudonyms_.size() < count) pseudonyms_.resize(count);
  pseudonymizer_->MaskedPseudonymsInto(numberViews_, shifts_, {pseudonyms_.data(), count},
                                       options_.implausible);
  count = 0;
  for (Replacement& replacement : replacements_) {
    if (!replacement.waiting) continue;
    std::string& pseudonym = pseudonyms_[count++];
    const std::string_view written = replacement.text;
    if (replacement.shift == Pseudonymizer::kAnyCheck && !pseudonym.empty())
      pseudonym.back() = CanonicalOf(written).back();
    replacement.waiting = false;
    // Outside the masked set, as the number or the near miss of one no real
    // card carries: left as it stands, whichever way the key turns.
    if (pseudonym.empty()) continue;
    replacement.text = InWrittenForm(written, pseudonym);
    if (replacement.check)
      ++input_.nearMissesMasked;
    else
      ++input_.replaced[static_cast<std::size_t>(replacement.jurisdiction)];
  }
}

std::optional<std::string> TextMasker::MaskNumber(std::string_view written) {
  bool whole = false;
  Scan(written, MaskScanOptions(options_), [&](const Finding& finding) {
    whole = whole || (finding.offset == 0 && finding.length == written.size());
  });
  if (!whole) return std::nullopt;
  search_.reset();
  const MaskCounts before = counts_;
  std::string out;
  FeedInto(written, out);
  FinishInto(out);
  const auto total = [](const MaskCounts& counts) {
    std::uint64_t sum = counts.nearMissesMasked + counts.nearMissesRedacted;
    for (const std::uint64_t replaced : counts.replaced) sum += replaced;
    return sum;
  };
  if (total(counts_) == total(before)) return std::nullopt;
  return out;
}

std::string MaskText(std::string_view text, const MaskOptions& options, MaskCounts* counts) {
  std::string out;
  out.reserve(text.size());
  TextMasker masker(options);
  masker.FeedInto(text, out);
  masker.FinishInto(out);
  if (counts) *counts = masker.Counts();
  return out;
}

}  // namespace kesmal
