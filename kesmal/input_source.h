#pragma once
// Where an input's bytes come from, for the commands that read files or
// standard input in pieces: a file, or the stream of standard input.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <ios>
#include <istream>
#include <optional>
#include <string>
#include <system_error>

#include "kesmal/searcher.h"

namespace kesmal {

class Source {
 public:
  explicit Source(std::istream& in) : in_(in.rdbuf()) {}
  explicit Source(int fd) : fd_(fd) {}
  ~Source() {
    if (fd_ >= 0) close(fd_);
  }
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  // Standard input for "-", else the file opened; none when it cannot be
  // opened (errno).
  static std::optional<Source> Open(const std::string& path, std::istream& in) {
    if (path == "-") return std::optional<Source>(std::in_place, in);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return std::optional<Source>(std::in_place, fd);
  }

  // The bytes read into the buffer: 0 at the end, -1 after an error (errno).
  long Read(char* buffer, std::size_t size) {
    if (in_) {
      // A stream on a descriptor that cannot be read (standard input closed)
      // throws from its buffer: an input that cannot be read like any other.
      try {
        return static_cast<long>(in_->sgetn(buffer, static_cast<std::streamsize>(size)));
      } catch (const std::ios_base::failure& failure) {
        const std::error_code code = failure.code();
        const bool numbered =
            code.category() == std::generic_category() || code.category() == std::system_category();
        errno = numbered && code.value() ? code.value() : EIO;
        return -1;
      }
    }
    for (;;) {
      const ssize_t got = read(fd_, buffer, size);
      if (got >= 0 || errno != EINTR) return got;
    }
  }

 private:
  std::streambuf* in_ = nullptr;
  int fd_ = -1;
};

// Searches one input into the sink, between its BeginInput and its
// EndInput, its records written to out; the error of a read that failed.
std::optional<std::error_code> SearchSource(Source& source, const InputName& input,
                                            const SearchOptions& options, SearchSink& sink,
                                            SearchOutput& out, std::uint64_t& findings);

}  // namespace kesmal
