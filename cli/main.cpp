#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);  // the check command flushes when it must wait for input
  return kesmal::cli::Run({argv + 1, argv + argc}, std::cin, std::cout, std::cerr);
}
