#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/result.h"
#include "core/lib/field_layout.h"

namespace quillet {

// What the quote files record about one security, as the facts dialog shows it.
struct SeriesFacts {
  std::string directory;  // the directory the caller passed
  int fileNumber = 0;
  int8_t recordLength = 0;
  int8_t fieldCount = 0;
  int32_t quoteCount = 0;  // the DAT header's last-record number minus 1
  std::string name;        // up to 16 characters
  float firstDate = 0.0f;  // the on-disk CYYMMDD values
  float lastDate = 0.0f;
  std::string periodicity;  // "D Daily", ..., or "ERROR"
  std::string symbol;       // up to 16 characters
  // Texts of the format codes; empty for a field the layout does not hold.
  std::array<std::string, kQuoteFieldCount> inputFormats;
  std::array<std::string, kQuoteFieldCount> displayFormats;
  // What EMASTER or XMASTER tell, shown only for a security they describe.
  std::string longName;
  std::string fields;  // the bitmask's fields, "DATE OPEN HIGH ..."; empty when none
  std::string source;  // the index file that lists the security
  bool indexFacts = false;
  // Set alone on a failed read when the Portfolio has no readable MASTER.
  bool masterUnreadable = false;
};

// LIB_OK, or why the facts cannot be gathered (facts then not filled): the
// lookup's code (LIB_FILE_NOT_FOUND, LIB_FILE_READ), the layout's
// (LIB_UNKNOWN_LAYOUT), LIB_FILE_OPEN when the DAT file cannot be opened.
// The facts dialog itself only tells success from failure.
// fileNumber nonzero: the security LookupByFileNumber finds.
LibResult ReadSeriesFacts(std::string_view directory, std::string_view query, SeriesFacts& facts,
                          int fileNumber = 0);

// One row of lines as the facts dialog shows them: label and text.
struct FactLine {
  std::string label;
  std::string text;
};
std::vector<FactLine> SeriesFactLines(const SeriesFacts& facts);

}  // namespace quillet
