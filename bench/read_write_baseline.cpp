// The limit a line-by-line filter can approach: reads standard input line by
// line as `kesmal-cli check` does and, for each line, writes its share of the
// given number of output bytes, without looking at what it read.
//   kesmal-bench-baseline BYTES LINES < input > output
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kesmal-bench-baseline BYTES LINES < input > output\n";
    return 2;
  }
  const std::uint64_t bytes = std::strtoull(argv[1], nullptr, 10);
  const std::uint64_t lines = std::strtoull(argv[2], nullptr, 10);
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);

  std::string filler;
  std::string line;
  std::uint64_t written = 0;
  for (std::uint64_t n = 1; std::getline(std::cin, line); ++n) {
    // The share of line n brings the total to bytes * n / lines.
    const std::uint64_t upTo = n >= lines ? bytes : bytes * n / lines;
    const std::uint64_t share = upTo - written;
    if (share == 0) continue;
    if (filler.size() < share) filler.assign(share, 'x');
    std::cout.write(filler.data(), static_cast<std::streamsize>(share - 1)) << '\n';
    written = upTo;
  }
  return 0;
}
