#include "core/messages/writes.h"

namespace quillet::messages {

std::string PortfolioBusy(std::string_view folder) {
  return "The Portfolio " + std::string(folder) +
         " is busy: another program is changing it. Nothing was changed; try again when it is "
         "done";
}

std::string FileReadOnly(std::string_view file) {
  return std::string(file) + " is read-only";
}

std::string BackupNotAFile(std::string_view backup) {
  return std::string(backup) +
         " is not a plain file, so the backup cannot be made there. Nothing was changed; move it "
         "away and try again";
}

std::string RepairRefused(std::string_view masterPath, std::string_view why) {
  return "The Master file\n" + std::string(masterPath) + "\nwas not repaired: " + std::string(why);
}

std::string UnfinishedChange(std::string_view folder, std::string_view files) {
  return "A change of " + std::string(files) + " in " + std::string(folder) +
         " was cut short; repair, or the next change to the Portfolio, finishes it";
}

std::string ChangeFinished(std::string_view folder, std::string_view files) {
  return "A change of " + std::string(files) + " in " + std::string(folder) +
         " that was cut short is now finished";
}

}  // namespace quillet::messages
