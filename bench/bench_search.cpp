// Split search over a Portfolio of 255 securities x 32 766 quotes, and over one
// shaped like the large real databases (255 MASTER and EMASTER securities, 2 591
// more in XMASTER, short series), each against reading the bytes of all its quote
// files in the same run.
#include <benchmark/benchmark.h>

#include "bench_ratio.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/fs/files.h"
#include "core/lib/index_files.h"
#include "core/portfolio/master_file.h"
#include "core/splitsearch/split_search.h"
#include "support/portfolio_builder.h"

namespace {

using namespace quillet;

constexpr int kSecurities = 255;
constexpr int kQuotes = 32766;

struct BenchPortfolio {
  testing::TempDir dir;
  std::vector<std::filesystem::path> datFiles;

  BenchPortfolio() {
    testing::PortfolioBuilder p(dir.root());
    // A few different histories, each with some jumps the search reports.
    std::vector<std::vector<uint8_t>> variants;
    for (int v = 0; v < 4; ++v) {
      std::vector<testing::DatRow> rows = testing::DailyRows(DayFromYmd(61, 1, 2), kQuotes);
      for (size_t i = 0; i < rows.size(); ++i) {
        if ((i + static_cast<size_t>(v) * 977) % 5000 < 2500) {
          for (size_t f = 1; f <= 4; ++f) rows[i][f] *= 2.0f;
        }
      }
      variants.push_back(testing::PortfolioBuilder::DatBytes(28, rows));
    }
    for (int n = 1; n <= kSecurities; ++n) {
      testing::MasterEntry e;
      e.fileNumber = static_cast<uint8_t>(n);
      e.symbol = "SYM" + std::to_string(n);
      e.name = "SECURITY " + std::to_string(n);
      p.Add(e);
      const auto file = dir.root() / ("F" + std::to_string(n) + ".DAT");
      testing::WriteBytes(file, variants[static_cast<size_t>(n) % variants.size()]);
      datFiles.push_back(file);
    }
    p.WriteMaster();
  }
};

BenchPortfolio& Portfolio() {
  static BenchPortfolio portfolio;
  return portfolio;
}

constexpr int kXmasterSecurities = 2591;
constexpr int kShortQuotes = 250;
constexpr int kAllSecurities = kSecurities + kXmasterSecurities;

// Many securities with few quotes each: what each lookup costs shows.
struct IndexedPortfolio {
  testing::TempDir dir;
  std::vector<std::filesystem::path> quoteFiles;

  IndexedPortfolio() {
    const std::filesystem::path root = dir.root();
    std::vector<testing::DatRow> rows = testing::DailyRows(DayFromYmd(99, 1, 4), kShortQuotes);
    for (size_t i = 100; i < rows.size(); ++i) {
      for (size_t f = 1; f <= 4; ++f) rows[i][f] *= 0.5f;
    }
    const std::vector<uint8_t> quotes = testing::PortfolioBuilder::DatBytes(28, rows);
    testing::PortfolioBuilder p(root);
    for (int n = 1; n <= kSecurities; ++n) {
      p.AddSeries(static_cast<uint8_t>(n), "M" + std::to_string(n), "MASTER " + std::to_string(n),
                  rows);
      quoteFiles.push_back(root / ("F" + std::to_string(n) + ".DAT"));
    }
    p.WriteMaster();
    PortfolioIndex index;
    ReadPortfolioIndex(root, index);
    std::vector<uint8_t> emaster(kEmasterRecordSize, 0), xmaster(kXmasterRecordSize, 0);
    std::copy(kXmasterMagic.begin(), kXmasterMagic.end(), xmaster.begin());
    IndexFile e, x;
    e.Assign(emaster, IndexKind::Emaster, root / "EMASTER");
    x.Assign(xmaster, IndexKind::Xmaster, root / "XMASTER");
    for (MasterRecord r : index.master.Records()) {
      r.fieldMask = 0x7F;
      e.AppendEmaster(r);
    }
    MasterRecord wide = index.master.Records()[0];
    wide.fieldMask = 0x7F;
    for (int k = 0; k < kXmasterSecurities; ++k) {
      const int number = kFirstXmasterNumber + k;
      wide.SetText(kMasterSymbol, "X" + std::to_string(number));
      wide.longName = "EXTENDED SECURITY " + std::to_string(number);
      wide.wideFileNumber = static_cast<uint16_t>(number);
      x.AppendXmaster(wide);
      quoteFiles.push_back(root / ("F" + std::to_string(number) + ".MWD"));
      testing::WriteBytes(quoteFiles.back(), quotes);
    }
    testing::WriteBytes(root / "EMASTER", e.Bytes());
    testing::WriteBytes(root / "XMASTER", x.Bytes());
  }
};

IndexedPortfolio& Indexed() {
  static IndexedPortfolio portfolio;
  return portfolio;
}

class Quiet : public SplitSearchObserver {
 public:
  void Found(const SplitFinding&) override { ++found; }
  void Message(const std::string&) override {}
  void Status(const std::string&) override {}
  size_t found = 0;
};

// The search over every symbol of dir's list, as the window runs it.
void SplitSearchAll(benchmark::State& state, const std::string& dir, int64_t itemsPerRun) {
  size_t found = 0;
  for (auto _ : state) {
    const std::vector<std::string> symbols = SplitSearchSymbols(ReadSymbolList(MasterPathOf(dir)));
    Quiet quiet;
    const SplitSearchResult r = SplitSearch(dir, symbols, quiet);
    benchmark::DoNotOptimize(r.findings.data());
    found = quiet.found;
  }
  state.counters["lines"] = static_cast<double>(found);
  state.SetItemsProcessed(state.iterations() * itemsPerRun);
}

void BM_SplitSearchPortfolio(benchmark::State& state) {
  SplitSearchAll(state, Portfolio().dir.str(), int64_t{kSecurities} * kQuotes);
}
BENCHMARK(BM_SplitSearchPortfolio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SplitSearchIndexed(benchmark::State& state) {
  SplitSearchAll(state, Indexed().dir.str(), kAllSecurities);
}
BENCHMARK(BM_SplitSearchIndexed)->Unit(benchmark::kMillisecond)->Apply(bench::FastestOf);

// One security's series on its own, as the window reads it on a click: the
// last one the lookup reaches, against reading its index files and quote file.
void BM_ReadOneIndexedSeries(benchmark::State& state) {
  const std::string dir = Indexed().dir.str();
  const std::string last = "X" + std::to_string(kFirstXmasterNumber + kXmasterSecurities - 1);
  SeriesData series;
  for (auto _ : state) {
    ReadWholeSeries(dir, last, series);
    benchmark::DoNotOptimize(series.quotes.data());
  }
}
BENCHMARK(BM_ReadOneIndexedSeries)->Unit(benchmark::kMicrosecond)->Apply(bench::FastestOf);

void BM_ReadOneIndexedBytes(benchmark::State& state) {
  const std::filesystem::path root = Indexed().dir.root();
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    size_t total = 0;
    for (const auto& file :
         {root / "MASTER", root / "EMASTER", root / "XMASTER", Indexed().quoteFiles.back()}) {
      fs::ReadWholeFile(file, bytes);
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadOneIndexedBytes)->Unit(benchmark::kMicrosecond)->Apply(bench::FastestOf);

void BM_ReadAllIndexedBytes(benchmark::State& state) {
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    size_t total = 0;
    for (const auto& file : Indexed().quoteFiles) {
      fs::ReadWholeFile(file, bytes);
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kAllSecurities);
}
BENCHMARK(BM_ReadAllIndexedBytes)->Unit(benchmark::kMillisecond)->Apply(bench::FastestOf);

void BM_ReadAllDatBytes(benchmark::State& state) {
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    size_t total = 0;
    for (const auto& file : Portfolio().datFiles) {
      fs::ReadWholeFile(file, bytes);
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kSecurities * kQuotes);
}
BENCHMARK(BM_ReadAllDatBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The whole-series reader alone over the same securities: the search's share
// of the time that is reading and decoding.
void BM_ReadWholeSeriesAll(benchmark::State& state) {
  const std::string dir = Portfolio().dir.str();
  SeriesData series;
  for (auto _ : state) {
    for (int n = 1; n <= kSecurities; ++n) {
      ReadWholeSeries(dir, "SYM" + std::to_string(n), series);
      benchmark::DoNotOptimize(series.quotes.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kSecurities * kQuotes);
}
BENCHMARK(BM_ReadWholeSeriesAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  return quillet::bench::RunWithRatios(
      argc, argv,
      {{"BM_SplitSearchPortfolio", "BM_ReadAllDatBytes", 2.0, true},
       // No target of its own: the reader's share of the search.
       {"BM_ReadWholeSeriesAll", "BM_ReadAllDatBytes", 0.0, true},
       {"BM_SplitSearchIndexed", "BM_ReadAllIndexedBytes", 5.0, true},
       {"BM_ReadOneIndexedSeries", "BM_ReadOneIndexedBytes", 0.0, true}},
      {}, [] {
        Portfolio();
        Indexed();
      });
}
