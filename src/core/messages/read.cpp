#include "core/messages/read.h"

#include "core/messages/quote_dialogs.h"

namespace quillet::messages {

std::string DescribeReadFailure(LibResult code, std::string_view directory, std::string_view query,
                                bool masterUnreadable) {
  const std::string q(query), d(directory);
  switch (code) {
    case LIB_FILE_NOT_FOUND:
      if (masterUnreadable) {
        return "No MASTER file can be read in the Portfolio " + d;
      }
      return "Symbol " + q + " was not found in the Portfolio " + d;
    case LIB_FILE_READ:
      return "A MASTER file under " + d + " cannot be read";
    case LIB_FILE_OPEN:
      return "The quote file of " + q + " cannot be opened";
    case LIB_UNKNOWN_LAYOUT:
      return "The quote file of " + q + " has a record layout Quillet does not know";
    case LIB_RECORD_NOT_FOUND:
      return "The quote file of " + q + " holds no such quote";
    default:
      return "The quotes of " + q + " cannot be read (" + std::string(LibResultText(code)) + ")";
  }
}

std::string IndexFileIgnored(std::string_view file) {
  return std::string(file) + " is not an index file Quillet knows; it is ignored";
}

std::string IndexFileSize(std::string_view file, size_t count, size_t size) {
  return std::string(file) + " counts " + std::to_string(count) + " records but holds " +
         std::to_string(size) + " bytes; only its whole records are read";
}

std::string IndexEntryIgnored(std::string_view file, int record, std::string_view why) {
  return std::string(file) + " record " + std::to_string(record) +
         " is ignored: " + std::string(why);
}

std::string JoinLines(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += part;
  }
  return text;
}

std::string FieldFormatLabel(size_t field, bool display) {
  const auto& kCaptions = kFactsFieldCaptions;
  return std::string(field < kCaptions.size() ? kCaptions[field] : "") +
         (display ? " Display" : " Input");
}

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

}  // namespace quillet::messages
