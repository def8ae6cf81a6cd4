#include "core/lib/series_facts.h"

#include <array>
#include <cstdio>
#include <vector>

#include "core/fs/files.h"
#include "core/lib/index_files.h"
#include "core/lib/master.h"
#include "core/lib/security_lookup.h"
#include "core/messages/read.h"

namespace quillet {

LibResult ReadSeriesFacts(std::string_view directory, std::string_view query, SeriesFacts& facts,
                          int fileNumber) {
  SecurityLookup lookups;
  const MasterLookup lookup = fileNumber != 0
                                  ? lookups.FindByFileNumber(directory, query, fileNumber)
                                  : lookups.Find(directory, query);
  if (!lookup.ok()) {
    facts.masterUnreadable = lookup.masterUnreadable;
    return lookup.code;
  }
  const MasterRecord& record = lookup.record;
  // The folder's names as the lookup listed them.
  const fs::FolderListing& found = lookups.Folder(lookup.directory).names;
  FieldLayout layout;
  const int number = record.QuoteFileNumber();
  if (LibResult r = ReadSecurityLayout(found, number, record.RecordLength(), record.fieldMask,
                                       record.Periodicity(), layout);
      r != LIB_OK) {
    return r;
  }
  fs::InputFile dat(found.PathOf(fs::QuoteFileName(number, record.QuoteFileExtension())));
  if (!dat.IsOpen()) return LIB_FILE_OPEN;
  std::vector<uint8_t> head;
  if (!dat.ReadAt(0, 4, head)) return 1;
  const int last = head.size() >= 4 ? LoadQuoteCount(head.data() + 2) : 1;

  facts = SeriesFacts{};
  facts.directory = std::string(directory);
  facts.fileNumber = number;
  facts.recordLength = record.RecordLength();
  facts.fieldCount = record.FieldCount();
  facts.quoteCount = last - 1;
  facts.name = record.Name();
  facts.firstDate = record.FirstDate();
  facts.lastDate = record.LastDate();
  facts.periodicity = messages::PeriodicityText(record.Periodicity());
  facts.symbol = record.SymbolField();
  facts.indexFacts =
      record.source != IndexSource::Master || record.fieldMask != 0 || !record.longName.empty();
  facts.longName = record.longName;
  facts.fields = FieldMaskText(record.fieldMask);
  facts.source = IndexSourceText(record.source);
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    if (layout.positions[f] == 0) continue;
    facts.inputFormats[f] = messages::FormatCodeText(layout.inputFormats[f]);
    facts.displayFormats[f] = messages::FormatCodeText(layout.displayFormats[f]);
  }
  return LIB_OK;
}

std::vector<FactLine> SeriesFactLines(const SeriesFacts& facts) {
  const auto number = [](const char* format, double value) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, value);
    return std::string(buffer.data());
  };
  const std::array<std::string, messages::kFactLabels.size()> values = {
      facts.directory,
      std::to_string(facts.fileNumber),
      std::to_string(facts.recordLength),
      std::to_string(facts.fieldCount),
      std::to_string(facts.quoteCount),
      facts.name,
      number("%7.0f", facts.firstDate),
      number("%7.0f", facts.lastDate),
      facts.periodicity,
      facts.symbol};
  std::vector<FactLine> lines;
  for (size_t i = 0; i < values.size(); ++i) lines.push_back({messages::kFactLabels[i], values[i]});
  for (size_t f = 0; f < kQuoteFieldCount; ++f) {
    lines.push_back({messages::FieldFormatLabel(f, false), facts.inputFormats[f]});
    lines.push_back({messages::FieldFormatLabel(f, true), facts.displayFormats[f]});
  }
  if (facts.indexFacts) {
    lines.push_back({messages::kFactLongName, facts.longName});
    lines.push_back({messages::kFactFields, facts.fields});
    lines.push_back({messages::kFactIndexFile, facts.source});
  }
  return lines;
}

}  // namespace quillet
