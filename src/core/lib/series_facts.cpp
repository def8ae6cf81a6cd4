#include "core/lib/series_facts.h"

#include <array>
#include <cstdio>
#include <vector>

#include "core/fs/files.h"
#include "core/lib/master.h"

namespace quillet {

std::string PeriodicityText(char periodicity) {
  const char* word = nullptr;
  switch (periodicity) {
    case 'D':
      word = "Daily";
      break;
    case 'I':
      word = "Intra-day";
      break;
    case 'W':
      word = "Weekly";
      break;
    case 'M':
      word = "Monthly";
      break;
    case 'Q':
      word = "Quarterly";
      break;
    case 'Y':
      word = "Yearly";
      break;
    default:
      return "ERROR";
  }
  return std::string(1, periodicity) + " " + word;
}

std::string FormatCodeText(int code) {
  switch (code) {
    case -7:
      return "128ths";
    case -6:
      return "64ths";
    case -5:
      return "32nds";
    case -4:
      return "16ths";
    case -3:
      return "8ths";
    case -2:
      return "4ths";
    case -1:
      return "Halves";
    case 0:
      return "Whole Num.";
    case 1:
      return "10ths";
    case 2:
      return "100ths";
    case 3:
      return "1,000ths";
    case 4:
      return "10,000ths";
    case 5:
      return "100,000ths";
    case 100:
      return "100s";
    case 1000:
      return "1,000s";
    default:
      return std::to_string(code);
  }
}

int ReadSeriesFacts(std::string_view directory, std::string_view query, SeriesFacts& facts) {
  MasterRecord record;
  std::string found;
  if (FindMasterRecord(directory, query, record, found) != LIB_OK) return 1;
  FieldLayout layout;
  if (ReadFieldLayout(found, record.FileNumber(), record.RecordLength(), layout) != LIB_OK)
    return 1;
  fs::InputFile dat(fs::PathNoCase(found, fs::QuoteFileName(record.FileNumber(), "DAT")));
  if (!dat.IsOpen()) return 1;
  std::vector<uint8_t> head;
  dat.ReadAt(0, 4, head);
  const int last = head.size() >= 4 ? LoadInt16(head.data() + 2) : 1;

  facts = SeriesFacts{};
  facts.directory = std::string(directory);
  facts.fileNumber = record.FileNumber();
  facts.recordLength = record.RecordLength();
  facts.fieldCount = record.FieldCount();
  facts.quoteCount = static_cast<int16_t>(last - 1);
  facts.name = record.Name();
  facts.firstDate = record.FirstDate();
  facts.lastDate = record.LastDate();
  facts.periodicity = PeriodicityText(record.Periodicity());
  facts.symbol = record.SymbolField();
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    if (layout.positions[f] == 0) continue;
    facts.inputFormats[f] = FormatCodeText(layout.inputFormats[f]);
    facts.displayFormats[f] = FormatCodeText(layout.displayFormats[f]);
  }
  return 0;
}

std::vector<FactLine> SeriesFactLines(const SeriesFacts& facts) {
  const auto number = [](const char* format, double value) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, value);
    return std::string(buffer.data());
  };
  std::vector<FactLine> lines = {
      {"Path:", facts.directory},
      {"File number", std::to_string(facts.fileNumber)},
      {"DAT file record length", std::to_string(facts.recordLength)},
      {"DAT file number of fields", std::to_string(facts.fieldCount)},
      {"Number of quotes", std::to_string(facts.quoteCount)},
      {"Name of issue", facts.name},
      {"First date in file*", number("%7.0f", facts.firstDate)},
      {"Last date in file*", number("%7.0f", facts.lastDate)},
      {"Data format", facts.periodicity},
      {"Symbol", facts.symbol},
  };
  static constexpr std::array<const char*, kQuoteFieldCount> kCaptions = {
      "Date", "Time", "Open", "High", "Low", "Close", "Vol", "OI"};
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    lines.push_back({std::string(kCaptions[f]) + " Input", facts.inputFormats[f]});
    lines.push_back({std::string(kCaptions[f]) + " Display", facts.displayFormats[f]});
  }
  return lines;
}

}  // namespace quillet
