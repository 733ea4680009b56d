#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string_view>

#include "cli/cli.h"

namespace {

// Standard output, written with write(2): the first failure is kept, so that
// a full disk, a closed descriptor or a reader gone is named, and every later
// write fails at once.
class StandardOutput : public std::streambuf {
 public:
  StandardOutput() { setp(buffer_, buffer_ + sizeof buffer_); }

  // The errno of the first write that failed, or 0.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    if (size <= epptr() - pptr()) {
      std::memcpy(pptr(), data, static_cast<std::size_t>(size));
      pbump(static_cast<int>(size));
      return size;
    }
    if (!Drain() || !WriteAll({data, static_cast<std::size_t>(size)})) return 0;
    return size;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() {
    const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_, buffer_ + sizeof buffer_);
    return WriteAll(pending);
  }
  bool WriteAll(std::string_view bytes) {
    while (error_ == 0 && !bytes.empty()) {
      const ssize_t done = write(STDOUT_FILENO, bytes.data(), bytes.size());
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) error_ = done < 0 ? errno : EIO;
      if (done > 0) bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return error_ == 0;
  }

  char buffer_[64 * 1024];
  int error_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the check command flushes when it must wait for input
  static StandardOutput output;
  std::ostream out(&output);
  int status = kesmal::cli::Run({argv + 1, argv + argc}, std::cin, out, std::cerr);
  out.flush();
  int error = output.Error();
  // A descriptor closed from the start fails here only if it was written to.
  if (error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF) error = errno;
  if (error != 0) {
    std::cerr << "kesmal-cli: standard output: " << std::strerror(error) << '\n';
    status = 2;
  }
  return status;
}
