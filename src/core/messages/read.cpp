#include "core/messages/read.h"

#include <vector>

#include "core/fs/files.h"
#include "core/lib/master.h"

namespace quillet::messages {
namespace {

// What the lookup needs before it can search a Portfolio: a MASTER whose header
// reads. Without one "not found" would blame the symbol for a missing,
// unreadable or truncated file, or a folder the user may not read.
bool MasterHeaderReadable(std::string_view directory) {
  const fs::path master = fs::FindNoCase(fs::WithSeparator(directory), kMasterFileName);
  std::vector<uint8_t> head;
  return !master.empty() && fs::ReadFileRange(master, 0, kMasterRecordSize, head) &&
         head.size() == static_cast<size_t>(kMasterRecordSize);
}

}  // namespace

std::string DescribeReadFailure(LibResult code, std::string_view directory,
                                std::string_view query) {
  const std::string q(query), d(directory);
  switch (code) {
    case LIB_FILE_NOT_FOUND:
      if (!MasterHeaderReadable(directory)) {
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
