// What bench/scan-throughput runs while the command line has no scan: each
// file through the library's scanner in 64 KiB reads, and its count of
// findings, as `kesmal-cli scan -c` prints it.
//   kesmal-bench-scan [--rules classic|current] FILE...
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kesmal/scan.h"

namespace {

// The number of findings, or -1 when the file cannot be read.
long long CountFindings(const char* path, const kesmal::ScanOptions& options) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return -1;
  std::vector<char> buffer(64 * 1024);
  kesmal::Scanner scanner(options);
  const auto ignore = [](const kesmal::Finding&) {};
  ssize_t got;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0)
    scanner.Feed({buffer.data(), static_cast<std::size_t>(got)}, ignore);
  close(fd);
  if (got < 0) return -1;
  scanner.Finish(ignore);
  return static_cast<long long>(scanner.FindingCount());
}

}  // namespace

int main(int argc, char** argv) {
  kesmal::ScanOptions options;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--rules") == 0) {
    options.rules =
        std::strcmp(argv[2], "current") == 0 ? kesmal::RuleSet::Current : kesmal::RuleSet::Classic;
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: kesmal-bench-scan [--rules classic|current] FILE...\n");
    return 2;
  }
  int status = 1;
  for (int i = first; i < argc; ++i) {
    const long long count = CountFindings(argv[i], options);
    if (count < 0) {
      std::fprintf(stderr, "kesmal-bench-scan: %s: %s\n", argv[i], std::strerror(errno));
      status = 2;
      continue;
    }
    std::printf("%s:%lld\n", argv[i], count);
    if (count > 0 && status == 1) status = 0;
  }
  return status;
}
