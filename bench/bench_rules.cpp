// Every check and generator, and the pieces the check command spends its time
// in. Run: build/ci/bench/kesmal_bench (see also bench/cli-throughput).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/regions.h"
#include "kesmal/check.h"
#include "kesmal/pseudonym.h"
#include "rules/china.h"
#include "rules/date_phrase.h"
#include "rules/dispatch.h"
#include "rules/gbk_codec.h"
#include "rules/hong_kong.h"
#include "rules/korea.h"
#include "rules/random_source.h"
#include "rules/taiwan.h"

namespace kesmal {
namespace {

using Checker = IdReport (*)(std::string_view, Encoding);

// One check over a fixed set of numbers, round robin.
void RunCheck(benchmark::State& state, Checker check, std::vector<std::string> numbers) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(check(numbers[i], Encoding::Gbk));
    if (++i == numbers.size()) i = 0;
  }
}

template <typename Settings>
void RunMake(benchmark::State& state, std::string (*make)(const std::optional<Settings>&),
             std::optional<Settings> settings) {
  SeedRandom(1);
  for (auto _ : state) benchmark::DoNotOptimize(make(settings));
}

void RunCheckCode(benchmark::State& state, char (*code)(std::string_view), std::string number) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(number.data());
    benchmark::DoNotOptimize(code(number));
  }
}

// Taiwan
BENCHMARK_CAPTURE(RunCheckCode, TaiwanCheckCode, TaiwanCheckCode, "A123456789");
BENCHMARK_CAPTURE(RunCheck, CheckTaiwanId_valid, CheckTaiwanId, {"A123456789", "I200000005"});
BENCHMARK_CAPTURE(RunCheck, CheckTaiwanId_faults, CheckTaiwanId, {"A123456780", "1A1B345678"});
BENCHMARK_CAPTURE(RunMake, MakeTaiwanId_random, MakeTaiwanId, std::optional<TaiwanMakeSettings>{});
BENCHMARK_CAPTURE(RunMake, MakeTaiwanId_settings, MakeTaiwanId,
                  std::optional<TaiwanMakeSettings>{{8, HolderSex::Female}});

// Hong Kong
BENCHMARK_CAPTURE(RunCheckCode, HongKongCheckCode, HongKongCheckCode, "AB9876543");
BENCHMARK_CAPTURE(RunCheck, CheckHongKongId8_valid, CheckHongKongId8, {"A1234563", "A000002A"});
BENCHMARK_CAPTURE(RunCheck, CheckHongKongId8_faults, CheckHongKongId8, {"A1234567", "12345678"});
BENCHMARK_CAPTURE(RunCheck, CheckHongKongId9_valid, CheckHongKongId9, {"AB9876543", "AB000005A"});
BENCHMARK_CAPTURE(RunCheck, CheckHongKongId9_faults, CheckHongKongId9, {"AB9876540", "1B12C4567"});
BENCHMARK_CAPTURE(RunMake, MakeHongKongId_random, MakeHongKongId,
                  std::optional<HongKongMakeSettings>{});
BENCHMARK_CAPTURE(RunMake, MakeHongKongId_settings, MakeHongKongId,
                  std::optional<HongKongMakeSettings>{{9}});

// Korea
BENCHMARK_CAPTURE(RunCheckCode, KoreaCheckCode, KoreaCheckCode, "0001011000002");
BENCHMARK_CAPTURE(RunCheck, CheckKoreaId_valid, CheckKoreaId, {"0001011000002", "9912311000007"});
BENCHMARK_CAPTURE(RunCheck, CheckKoreaId_faults, CheckKoreaId, {"0001011000003", "0013013000000"});
BENCHMARK_CAPTURE(RunMake, MakeKoreaId_random, MakeKoreaId, std::optional<KoreaMakeSettings>{});
BENCHMARK_CAPTURE(RunMake, MakeKoreaId_settings, MakeKoreaId,
                  std::optional<KoreaMakeSettings>{{CivilDate{1985, 5, 3}, HolderSex::Male}});

// Mainland, 18 characters and the old 15 digits
BENCHMARK_CAPTURE(RunCheckCode, ChinaCheckCode, ChinaCheckCode, "11010519491231002X");
BENCHMARK_CAPTURE(RunCheck, CheckChinaId_valid, CheckChinaId,
                  {"11010519491231002X", "130638199001010027", "710000198001010010"});
BENCHMARK_CAPTURE(RunCheck, CheckChinaId_faults, CheckChinaId,
                  {"110105194912310021", "1101051949123100AX", "110105194902300021"});
BENCHMARK_CAPTURE(RunMake, MakeChinaId_random, MakeChinaId, std::optional<ChinaMakeSettings>{});
BENCHMARK_CAPTURE(RunMake, MakeChinaId_settings, MakeChinaId,
                  std::optional<ChinaMakeSettings>{{2, 116, CivilDate{1990, 1, 1}, 1}});
BENCHMARK_CAPTURE(RunCheck, CheckChinaOldId_valid, CheckChinaOldId,
                  {"110105491231002", "710000800101001"});
BENCHMARK_CAPTURE(RunCheck, CheckChinaOldId_faults, CheckChinaOldId,
                  {"11010549123100X", "110105490230002"});

void BM_UpgradeChinaId(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(UpgradeChinaId("110105491231002"));
}
BENCHMARK(BM_UpgradeChinaId);

// Shared pieces
void BM_DescribeBirthday(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DescribeBirthday(1985, 5, 3));
}
BENCHMARK(BM_DescribeBirthday);

void BM_RandomDigits(benchmark::State& state) {
  SeedRandom(1);
  for (auto _ : state) benchmark::DoNotOptimize(RandomDigits(0, 9999999, 7));
}
BENCHMARK(BM_RandomDigits);

void BM_RegionName(benchmark::State& state) {
  // The first row, a row in the middle and the last: the scan's best, typical
  // and worst cases; and a province without the row.
  const int codes[][2] = {{11, 100}, {42, 1000}, {65, 9001}, {11, 112}};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RegionName(codes[i][0], codes[i][1]));
    i = (i + 1) % 4;
  }
}
BENCHMARK(BM_RegionName);

const std::vector<std::string> kMixed = {
    "A123456789",        "A123456780", "A1234563",   "AB9876543",          "0001011000002",
    "0013013000000",     "12345",      "A1B3456789", "11010519491231002X", "110105491231002",
    "110105194912310021"};

void BM_CheckNumberText(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CheckNumberText(kMixed[i]));
    i = (i + 1) % kMixed.size();
  }
}
BENCHMARK(BM_CheckNumberText);

void BM_CliCheckLine(benchmark::State& state) {
  std::string report;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CheckLine(kMixed[i], report));
    i = (i + 1) % kMixed.size();
  }
}
BENCHMARK(BM_CliCheckLine);

void BM_GbkToUtf8(benchmark::State& state) {
  const std::string report = CheckNumberText("0001011000002")->text;
  std::string out;
  for (auto _ : state) {
    out.clear();
    AppendGbkToUtf8(report, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * report.size());
}
BENCHMARK(BM_GbkToUtf8);

void BM_GbkToUtf8ByIconv(benchmark::State& state) {
  const std::string report = CheckNumberText("0001011000002")->text;
  for (auto _ : state) benchmark::DoNotOptimize(GbkToUtf8ByIconv(report));
  state.SetBytesProcessed(state.iterations() * report.size());
}
BENCHMARK(BM_GbkToUtf8ByIconv);

// Pseudonyms, one core: a thousand numbers of each of Taiwan, Hong Kong 8 and
// 9, Korea and the mainland's two forms, so that the walks of the cycle
// average out over many domains; one by one, and 64 at a time. The target is
// a million a second.
std::vector<std::string> MixedNumbers() {
  SeedRandom(22);
  std::vector<std::string> numbers;
  for (int i = 0; i < 1000; ++i) {
    const std::string china = MakeChinaId({});
    for (const std::string& number : {MakeTaiwanId({}), MakeHongKongId(HongKongMakeSettings{8}),
                                      MakeHongKongId(HongKongMakeSettings{9}), MakeKoreaId({}),
                                      china, china.substr(0, 6) + china.substr(8, 9)})
      numbers.push_back(number);
  }
  return numbers;
}

void RunPseudonym(benchmark::State& state, KeepSet keep) {
  const std::vector<std::string> numbers = MixedNumbers();
  Pseudonymizer mask(MaskKey{22}, RuleSet::Classic, keep);
  std::string pseudonym;
  std::size_t i = 0;
  for (auto _ : state) {
    mask.PseudonymInto(numbers[i], pseudonym);
    benchmark::DoNotOptimize(pseudonym.data());
    if (++i == numbers.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(RunPseudonym, keeping_nothing, KeepSet{});
BENCHMARK_CAPTURE(RunPseudonym, keeping_region_and_sex, KeepSet{KeptField::Region, KeptField::Sex});
BENCHMARK_CAPTURE(RunPseudonym, keeping_birth_year_and_sex,
                  KeepSet{KeptField::BirthYear, KeptField::Sex});

void RunPseudonyms(benchmark::State& state, KeepSet keep) {
  constexpr std::size_t kBatch = 64;
  const std::vector<std::string> numbers = MixedNumbers();
  const std::vector<std::string_view> views(numbers.begin(), numbers.end());
  Pseudonymizer mask(MaskKey{22}, RuleSet::Classic, keep);
  std::vector<std::string> pseudonyms(kBatch);
  std::size_t i = 0;
  for (auto _ : state) {
    mask.PseudonymsInto(std::span(views).subspan(i, kBatch), pseudonyms);
    benchmark::DoNotOptimize(pseudonyms.data());
    if ((i += kBatch) + kBatch > views.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBatch));
}
BENCHMARK_CAPTURE(RunPseudonyms, keeping_nothing, KeepSet{});
BENCHMARK_CAPTURE(RunPseudonyms, keeping_region_and_sex,
                  KeepSet{KeptField::Region, KeptField::Sex});

}  // namespace
}  // namespace kesmal
