#include "core/messages/edit.h"

#include "core/base/result.h"
#include "core/messages/read.h"

namespace quillet::messages {

std::string DateAlreadyExists(std::string_view dateText) {
  return "Date " + std::string(dateText) + " already exists.";
}

std::string DeleteConfirmation(std::string_view dateText) {
  return "You are about to delete the data for date\n" + std::string(dateText) + "\nAre you sure?";
}

std::string FieldNotHeld(std::string_view field) {
  return "This file holds no " + std::string(field) + " field: leave it N/A";
}

std::string QuoteCountDamaged(std::string_view file, uint64_t records) {
  return "The quote file " + std::string(file) + " is damaged: its header counts no quotes, but " +
         std::to_string(records) + " records follow it";
}

std::string DescribeRewriteFailure(int code, std::string_view directory, std::string_view symbol,
                                   bool masterUnreadable, std::string_view masterNotRestored,
                                   std::string_view osReason) {
  const std::string s(symbol);
  if (!masterNotRestored.empty()) {
    const std::string m(masterNotRestored);
    return "The quote file of " + s + " could not be rewritten and is as it was, but " + m +
           " could not be put back: its first and last dates may not match the quotes (" + m +
           ".BAK holds it as it was)";
  }
  switch (code) {
    case kRewriteDeleteNotFound:
    case kWriteRefused:
      return {};
    // The series was read before: a file that cannot be opened now is one the
    // rewrite must create or replace (a read-only folder, say).
    case LIB_FILE_OPEN:
    case LIB_FILE_WRITE:
    case LIB_FILE_READ:
      return "The files of " + s + " could not be rewritten; they are as they were" +
             (osReason.empty() ? std::string() : " (" + std::string(osReason) + ")");
    case LIB_RECORD_NOT_FOUND:
      return "The quote file of " + s + " holds no quote of that day";
    case LIB_INVALID_PARM:
      return "The quote file of " + s + " cannot hold more quotes";
    default:
      return DescribeReadFailure(static_cast<LibResult>(code), directory, symbol, masterUnreadable);
  }
}

}  // namespace quillet::messages
