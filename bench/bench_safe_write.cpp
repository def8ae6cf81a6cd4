// The safe write (working file, fsync, rename over, folder fsync) against the
// least a durable write costs: the same bytes written, synced and renamed with
// plain system calls. The file layer may add little on top.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bench_ratio.h"
#include "core/fs/safe_replace.h"
#include "support/portfolio_builder.h"

namespace {

using quillet::testing::DailyRows;
using quillet::testing::PortfolioBuilder;
using quillet::testing::TempDir;

// A DAT file of the largest series the format holds.
const std::vector<uint8_t>& Bytes() {
  static const std::vector<uint8_t> bytes = PortfolioBuilder::DatBytes(28, DailyRows(1000, 32766));
  return bytes;
}

void BM_PlainWriteSyncRename(benchmark::State& state) {
  TempDir dir;
  const std::string target = (dir / "F1.DAT").string(), working = (dir / "F1.NEW").string();
  for (auto _ : state) {
    const int fd = ::open(working.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, Bytes().data(), Bytes().size()) != static_cast<ssize_t>(Bytes().size()))
      state.SkipWithError("write");
    ::fsync(fd);
    ::close(fd);
    std::rename(working.c_str(), target.c_str());
    const int dirFd = ::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(dirFd);
    ::close(dirFd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Bytes().size()));
}
BENCHMARK(BM_PlainWriteSyncRename)->Unit(benchmark::kMillisecond);

void BM_ReplaceFile(benchmark::State& state) {
  TempDir dir;
  for (auto _ : state) {
    if (quillet::fs::ReplaceFile(dir / "F1.DAT", dir / "F1.NEW", Bytes()) != quillet::LIB_OK) {
      state.SkipWithError("ReplaceFile failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Bytes().size()));
}
BENCHMARK(BM_ReplaceFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return quillet::bench::RunWithRatios(argc, argv,
                                       {{"BM_ReplaceFile", "BM_PlainWriteSyncRename", 1.5, true}});
}
