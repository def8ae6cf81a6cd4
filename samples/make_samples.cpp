// Writes the demo Portfolio tree shown by `make run`:
//   quillet_make_samples OUTDIR
// The files under samples/ were made by it; run it again only to change them.

#include <cmath>
#include <cstdio>
#include <string>

#include "support/portfolio_builder.h"

using namespace quillet;
using namespace quillet::testing;

namespace {

// Daily quotes on weekdays from firstDay with a gentle random walk; when split is
// set, prices from that quote on are divided by it (a split the history never got).
std::vector<DatRow> Walk(QuoteDay firstDay, int n, float start, unsigned seed, int splitAt = -1,
                         float split = 1.0f, int fields = 7) {
  std::vector<DatRow> rows;
  float price = start;
  QuoteDay day = firstDay;
  unsigned state = seed;
  for (int i = 0; i < n; ++i) {
    while (day % 7 == 0 || day % 7 == 1) ++day;
    state = state * 1103515245u + 12345u;
    const float step = (static_cast<float>((state >> 16) % 200) - 99.0f) / 2000.0f;
    price = std::max(1.0f, price * (1.0f + step));
    const float p = (splitAt >= 0 && i >= splitAt) ? price / split : price;
    const float open = std::round(p * 100.0f) / 100.0f;
    const float close = std::round(p * (1.0f + step / 2) * 100.0f) / 100.0f;
    DatRow row{DateValueFromDay(day), open, std::max(open, close) + 0.25f, std::min(open, close) - 0.25f,
               close, static_cast<float>(10000 + (state >> 8) % 90000), static_cast<float>((state >> 4) % 500)};
    row.resize(static_cast<size_t>(fields));
    rows.push_back(row);
    ++day;
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillet_make_samples OUTDIR\n");
    return 2;
  }
  const path out = argv[1];
  const QuoteDay start = DayFromYmd(1997, 1, 2);

  PortfolioBuilder stocks(out / "Stocks");
  stocks.AddSeries(1, "IBM", "INTL BUS MACH", Walk(start, 750, 82.0f, 1));
  stocks.AddSeries(2, "MSFT", "MICROSOFT CORP", Walk(start, 750, 41.0f, 2, 500, 2.0f));
  stocks.AddSeries(3, "BRK A", "BERKSHIRE HATH A", Walk(start, 750, 34000.0f, 3));
  stocks.AddSeries(4, "INTC", "INTEL CORP", Walk(start, 750, 70.0f, 4, 300, 1.5f));
  stocks.WriteDop(4, "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n\"VOL\",0,100\r\n\"OI\",0,0\r\n");
  stocks.Add(MasterEntry::Directory("FUNDS"));
  stocks.WriteMaster();

  PortfolioBuilder funds(out / "Stocks" / "FUNDS");
  funds.AddSeries(1, "VFINX", "VANGUARD 500", Walk(start, 400, 75.0f, 5, -1, 1.0f, 6), 24, 6);
  funds.AddSeries(2, "FMAGX", "MAGELLAN", Walk(start, 400, 80.0f, 6, -1, 1.0f, 4), 16, 4);
  funds.WriteMaster();

  PortfolioBuilder futures(out / "Futures");
  std::vector<DatRow> intraday;
  const QuoteDay day = DayFromYmd(2000, 1, 3);
  for (int i = 0; i < 78; ++i) {
    const int minutes = 9 * 60 + 30 + 5 * i;
    const float t = static_cast<float>((minutes / 60) * 10000 + (minutes % 60) * 100);
    const float p = 1450.0f + static_cast<float>(i % 13) * 0.75f;
    intraday.push_back({DateValueFromDay(day), t, p, p + 1.0f, p - 1.0f, p + 0.5f, 100.0f + static_cast<float>(i)});
  }
  futures.AddSeries(1, "SP 5MIN", "S&P 500 5 MIN", intraday).SetPeriodicity('I');
  futures.WriteDop(1, "\"DATE\",0,0\r\n\"TIME\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n\"VOL\",0,0\r\n");
  futures.WriteMaster();
  std::printf("samples written to %s\n", out.c_str());
  return 0;
}
