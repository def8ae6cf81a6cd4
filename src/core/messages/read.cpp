#include "core/messages/read.h"

namespace quillet::messages {

std::string DescribeReadFailure(LibResult code, std::string_view directory, std::string_view query,
                                bool masterUnreadable) {
  const std::string q(query), d(directory);
  switch (code) {
    case LIB_FILE_NOT_FOUND:
      // Without a MASTER whose header reads, "not found" would blame the symbol
      // for a missing, unreadable or truncated file.
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

}  // namespace quillet::messages
