#include "core/messages/edit.h"

namespace quillet::messages {

std::string DateAlreadyExists(std::string_view dateText) {
  return "Date " + std::string(dateText) + " already exists.";
}

std::string DeleteConfirmation(std::string_view dateText) {
  return "You are about to delete the data for date\n" + std::string(dateText) + "\nAre you sure?";
}

}  // namespace quillet::messages
