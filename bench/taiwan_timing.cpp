// The C++ side of bench/taiwan-vs-validator: times CheckTaiwanId over every
// line of a file, best of several rounds, and prints one line:
//   <numbers> <valid> <best seconds>
//   kesmal-bench-taiwan NUMBERS_FILE [ROUNDS]
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "rules/taiwan.h"

namespace {

std::vector<std::string> ReadLines(const char* path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Seconds of one pass, and how many numbers it found valid.
double TimePass(const std::vector<std::string>& numbers, long& valid) {
  const auto start = std::chrono::steady_clock::now();
  valid = 0;
  for (const std::string& number : numbers) valid += kesmal::CheckTaiwanId(number).valid;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: kesmal-bench-taiwan NUMBERS_FILE [ROUNDS]\n";
    return 2;
  }
  const std::vector<std::string> numbers = ReadLines(argv[1]);
  const int rounds = argc == 3 ? std::atoi(argv[2]) : 5;
  long valid = 0;
  double best = TimePass(numbers, valid);  // also warms the caches of place names
  for (int round = 1; round < rounds; ++round) best = std::min(best, TimePass(numbers, valid));
  std::cout << numbers.size() << ' ' << valid << ' ' << best << '\n';
  return 0;
}
