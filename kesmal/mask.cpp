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
#include "kesmal/scan_inputs.h"
#include "kesmal/written_form.h"
#include "rules/layout.h"

namespace kesmal {
namespace {

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

std::string Failure(std::string_view what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

struct FileIdentity {
  dev_t device;
  ino_t inode;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The error of the step that failed, or none once the file is replaced. A
// symbolic link is followed and its target rewritten, the link left as it
// is; anything but a regular file is refused, and so is a file whose owner,
// group, mode or extended attributes the new file cannot keep. A file met
// before, under any name, is skipped.
std::optional<std::string> MaskInPlace(const std::string& path, const MaskOptions& options,
                                       MaskCounts& counts, std::vector<FileIdentity>& done) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return std::strerror(errno);
  const std::string target(resolved);
  std::free(resolved);
  // Not blocking on a FIFO; the descriptor is checked before it is read.
  const int input = open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (input < 0) return std::strerror(errno);
  Source source(input);  // closes it
  struct stat status {};
  if (fstat(input, &status) != 0) return std::strerror(errno);
  if (!S_ISREG(status.st_mode)) return std::string("not a regular file; left as it is");
  const FileIdentity identity{status.st_dev, status.st_ino};
  if (std::ranges::find(done, identity) != done.end()) return std::nullopt;  // masked once
  // A new file renamed over one name would leave the others in clear.
  if (status.st_nlink > 1)
    return "has " + std::to_string(status.st_nlink - 1) +
           " other hard links, which would keep the numbers; left as it is";
  if (flock(input, LOCK_EX | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? "another run is rewriting it" : std::strerror(errno);
  fcntl(input, F_SETFL, fcntl(input, F_GETFL) & ~O_NONBLOCK);

  std::string temporary = target + ".kesmal-XXXXXX";
  const int output = SignalGuard::Create(temporary);
  if (output < 0) return Failure("cannot write beside it", errno);
  const auto fail = [&](std::string error) {
    close(output);
    unlink(temporary.c_str());
    SignalGuard::Done();
    return std::optional<std::string>(std::move(error));
  };
  // The owner first: a change of owner clears the set-user-ID bits.
  if ((status.st_uid != geteuid() || status.st_gid != getegid()) &&
      fchown(output, status.st_uid, status.st_gid) != 0)
    return fail(Failure("cannot keep its owner and group", errno));
  if (fchmod(output, status.st_mode & 07777) != 0)
    return fail(Failure("cannot keep its mode", errno));
  if (!CopyAttributes(input, output))
    return fail(Failure("cannot keep its extended attributes", errno));

  int writeError = 0;
  bool read = false;
  std::optional<TextMasker> masker;
  try {
    masker.emplace(options);
    read = MaskStream(*masker, source, [&](std::string_view bytes) {
      if (writeError == 0 && !WriteAll(output, bytes)) writeError = errno ? errno : EIO;
    });
  } catch (...) {
    fail({});
    throw;
  }
  if (!read) return fail(std::strerror(errno));
  if (writeError != 0) return fail(Failure("cannot write beside it", writeError));
  struct stat written {};
  if (fsync(output) != 0 || fstat(output, &written) != 0)
    return fail(Failure("cannot write beside it", errno));
  const int closed = close(output);
  if (closed != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    SignalGuard::Done();
    return Failure("cannot replace it", error);
  }
  SignalGuard::Done();
  done.push_back(identity);
  done.push_back({written.st_dev, written.st_ino});  // the same file under its new inode
  Add(counts, masker->Counts());
  return std::nullopt;
}

// Stops writing once out has failed; the caller names the failure.
std::optional<std::string> MaskToStream(const std::string& path, std::istream& in,
                                        const MaskOptions& options, std::ostream& out,
                                        MaskCounts& counts) {
  TextMasker masker(options);
  const auto write = [&](std::string_view bytes) {
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
  std::optional<SignalGuard> signals;
  if (request.inPlace) signals.emplace();
  std::vector<FileIdentity> done;
  for (const std::string& path : paths) {
    const auto error = request.inPlace && path != "-"
                           ? MaskInPlace(path, request.options, counts, done)
                           : MaskToStream(path, in, request.options, out, counts);
    if (!out) break;
    if (!error) continue;
    err << MessagePrefix(request.program) << (path == "-" ? kStandardInputName : path) << ": "
        << *error << '\n';
    failed = true;
  }
  // What could not be written is no success to sum up.
  if (!out.flush()) return 2;
  err << MessagePrefix(request.program) << MaskSummary(counts, !request.options.key) << '\n';
  return failed ? 2 : 0;
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

TextMasker::TextMasker(const MaskOptions& options)
    : options_(options), scanner_(MaskScanOptions(options)) {
  ValidateMask(options);
  if (options.key)
    pseudonymizer_.emplace(*options.key, options.rules, options.keep, options.direction);
}

namespace {

int CheckValue(char check) { return check >= '0' && check <= '9' ? check - '0' : 10; }

}  // namespace

void TextMasker::Replace(const Finding& finding) {
  if (finding.offset < start_) throw std::logic_error("a finding behind what was written");
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
      ++counts_.nearMissesLeft;
      return;
    }
    if (mode == NearMisses::Redact) {
      ++counts_.nearMissesRedacted;
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
  } else if (!pseudonymizer_) {
    ++counts_.replaced[static_cast<std::size_t>(finding.jurisdiction)];
    replacement.text = Redacted(finding.text, finding.jurisdiction, options_.keep);
  } else {
    replacement.waiting = true;
  }
  replacements_.push_back(std::move(replacement));
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
  shifts_.clear();
  std::string scratch;
  std::size_t count = 0;
  for (std::size_t i = first; i < replacements_.size(); ++i) {
    const Replacement& replacement = replacements_[i];
    if (!replacement.waiting) continue;
    std::string& number = numbers_[count++];
    number = CanonicalOf(TextAt(replacement.offset, replacement.length, scratch));
    if (replacement.check) number.back() = replacement.check;
    numberViews_.push_back(number);
    shifts_.push_back(replacement.shift);
  }
  if (pseudonyms_.size() < count) pseudonyms_.resize(count);
  pseudonymizer_->MaskedPseudonymsInto(numberViews_, shifts_, {pseudonyms_.data(), count},
                                       options_.implausible);
  count = 0;
  for (std::size_t i = first; i < replacements_.size(); ++i) {
    Replacement& replacement = replacements_[i];
    if (!replacement.waiting) continue;
    std::string& pseudonym = pseudonyms_[count++];
    const std::string_view written = TextAt(replacement.offset, replacement.length, scratch);
    if (replacement.shift == Pseudonymizer::kAnyCheck && !pseudonym.empty())
      pseudonym.back() = CanonicalOf(written).back();
    replacement.waiting = false;
    if (pseudonym.empty()) {
      // Outside the masked set, as the number or the near miss of one no real
      // card carries: left as it stands, whichever way the key turns.
      replacement.text = written;
      continue;
    }
    replacement.text = InWrittenForm(written, pseudonym);
    if (replacement.check)
      ++counts_.nearMissesMasked;
    else
      ++counts_.replaced[static_cast<std::size_t>(replacement.jurisdiction)];
  }
  waiting_ = replacements_.size();
}

std::optional<std::string> TextMasker::MaskNumber(std::string_view written) {
  bool whole = false;
  Scan(written, MaskScanOptions(options_), [&](const Finding& finding) {
    whole = whole || (finding.offset == 0 && finding.length == written.size());
  });
  if (!whole) return std::nullopt;
  scanner_ = Scanner(MaskScanOptions(options_));
  held_.clear();
  start_ = fed_ = 0;
  replacements_.clear();
  next_ = waiting_ = 0;
  const MaskCounts before = counts_;
  std::string out;
  const auto write = [&](std::string_view bytes) { out += bytes; };
  Feed(written, write);
  Finish(write);
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
  const auto write = [&](std::string_view bytes) { out += bytes; };
  masker.Feed(text, write);
  masker.Finish(write);
  if (counts) *counts = masker.Counts();
  return out;
}

}  // namespace kesmal
