#include "core/messages/symbols.h"

namespace quillet::messages {

std::string TextTooLong(std::string_view what, int limit) {
  return "The " + std::string(what) + " can hold at most " + std::to_string(limit) + " characters";
}

std::string EditSymbolFailed(std::string_view symbol, std::string_view reason) {
  return "The Symbol edit failed.\n\nReason: Symbol " + std::string(symbol) + ": " +
         std::string(reason) + "\nNothing was changed.";
}

std::string SymbolNotInMaster(std::string_view symbol, std::string_view masterPath) {
  return "Symbol " + std::string(symbol) + " was not found in\n" + std::string(masterPath) +
         "\nNothing was changed.";
}

std::string DeleteSymbolFailed(std::string_view symbol, std::string_view reason) {
  return "The Symbol deletion failed.\n\nReason: Symbol " + std::string(symbol) + ": " +
         std::string(reason);
}

std::string SymbolAlreadyExists(std::string_view symbol, std::string_view destination) {
  return "The Symbol addition failed.\n\nReason: Symbol " + std::string(symbol) +
         " already exists in\n" + std::string(destination);
}

std::string SymbolNotFound(std::string_view symbol, std::string_view directory) {
  return "Symbol " + std::string(symbol) + " was not found in the Portfolio\n" +
         std::string(directory) + "\nNothing was changed.";
}

std::string DestinationUnreadable(std::string_view masterPath) {
  return "The Symbol addition failed.\n\nReason: the Master file\n" + std::string(masterPath) +
         "\ncannot be read. Nothing was changed.";
}

std::string DestinationDamaged(std::string_view masterPath, std::string_view damage) {
  return "The Symbol addition failed.\n\nReason: the Master file\n" + std::string(masterPath) +
         "\nappears corrupted (" + std::string(damage) +
         "). Open that Portfolio to repair it first. Nothing was changed.";
}

std::string MoveCopyFailed(bool move, std::string_view symbol, std::string_view reason) {
  return std::string(move ? "The Symbol move failed." : "The Symbol copy failed.") +
         "\n\nReason: Symbol " + std::string(symbol) + ": " + std::string(reason);
}

std::string CannotWrite(std::string_view file) {
  return "cannot write " + std::string(file);
}
std::string CannotRead(std::string_view file) {
  return "cannot read " + std::string(file);
}
std::string CannotRemove(std::string_view file) {
  return "cannot remove " + std::string(file);
}

std::string UndoIncomplete(std::string_view file) {
  return "\nThe earlier state could not be restored completely: check " + std::string(file);
}

}  // namespace quillet::messages
