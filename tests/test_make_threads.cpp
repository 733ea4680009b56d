// Streams of numbers made on eight threads at once give what each gives
// alone; built under ThreadSanitizer too (the tsan preset), where any race
// between them ends the run.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kesmal/make.h"
#include "rules/random_source.h"

namespace kesmal {
namespace {

std::vector<std::string> Drain(NumberStream stream) {
  std::vector<std::string> numbers;
  while (auto number = stream.Next()) numbers.push_back(std::move(*number));
  return numbers;
}

// One request per thread, of every way of making: the window's generators,
// the number space in order and drawn, and invalid numbers.
std::vector<MakeRequest> Requests() {
  std::vector<MakeRequest> requests(8);
  const char* jurisdictions[] = {"tw", "hk", "cn", "kr", "cn15", "cn", "tw", "kr"};
  for (std::size_t n = 0; n < requests.size(); ++n) {
    MakeRequest& request = requests[n];
    request.jurisdiction = jurisdictions[n];
    request.count = 6000;  // over a block
    request.seed = static_cast<std::uint32_t>(n + 1);
  }
  requests[2].unique = true;
  requests[3].births.emplace();
  requests[3].births->first = CivilDate{1990, 1, 1};
  requests[3].births->last = CivilDate{1999, 12, 31};
  requests[5].invalid = InvalidFault{};
  requests[6].invalid = InvalidFault{FaultCode::CheckCode};
  requests[7].sex = HolderSex::Female;
  return requests;
}

TEST(NumberStreams, OnEightThreadsAtOnceEachGivesWhatItGivesAlone) {
  const ScopedToday today({2026, 6, 15});
  const std::vector<MakeRequest> requests = Requests();
  std::vector<std::vector<std::string>> alone;
  for (const MakeRequest& request : requests) alone.push_back(Drain(Make(request)));

  std::vector<std::vector<std::string>> together(requests.size());
  std::vector<std::thread> threads;
  for (std::size_t n = 0; n < requests.size(); ++n)
    threads.emplace_back([&, n] { together[n] = Drain(Make(requests[n])); });
  // The process's own source, the window's, drawn from meanwhile.
  SeedRandom(9);
  for (int n = 0; n < 100000; ++n) RandomDraw();
  for (std::thread& thread : threads) thread.join();

  for (std::size_t n = 0; n < requests.size(); ++n)
    EXPECT_EQ(together[n], alone[n]) << requests[n].jurisdiction.Name() << " on thread " << n;
}

}  // namespace
}  // namespace kesmal
