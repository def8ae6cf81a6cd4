#pragma once

// A Portfolio with one full series (32 766 daily quotes, 28-byte records),
// written once per benchmark program into a temporary folder.

#include <string>

#include "support/portfolio_builder.h"

namespace quillet::bench {

inline constexpr int kFullSeriesQuotes = 32766;

struct FullSeries {
  testing::TempDir tmp;
  std::string dir;
  FullSeries() {
    testing::PortfolioBuilder b(tmp.root());
    b.AddSeries(1, "BENCH", "BENCH SERIES", testing::DailyRows(5000, kFullSeriesQuotes));
    b.WriteMaster();
    dir = tmp.str();
  }
};

inline FullSeries& SharedFullSeries() {
  static FullSeries data;
  return data;
}

}  // namespace quillet::bench
