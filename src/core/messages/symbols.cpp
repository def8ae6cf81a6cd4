#include "core/messages/symbols.h"

namespace quillet::messages {

std::string TextTooLong(std::string_view what, int limit) {
  return "The " + std::string(what) + " can hold at most " + std::to_string(limit) + " characters";
}

std::string EditSymbolFailed(std::string_view symbol, std::string_view reason) {
  return "The Symbol edit failed.\n\nReason: Symbol " + std::string(symbol) + ": " +
         std::string(reason) + "\nNothing was changed.";
}

std::string SymbolUsedByAnother(std::string_view otherSymbol, std::string_view otherName) {
  return "already used by " + std::string(otherSymbol) + " (" + std::string(otherName) + ")";
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

namespace {
std::string Cannot(const char* what, std::string_view file, std::string_view osReason) {
  std::string text = "cannot " + std::string(what) + " " + std::string(file);
  if (!osReason.empty()) text += " (" + std::string(osReason) + ")";
  return text;
}
}  // namespace

std::string CannotWrite(std::string_view file, std::string_view osReason) {
  return Cannot("write", file, osReason);
}
std::string CannotRead(std::string_view file, std::string_view osReason) {
  return Cannot("read", file, osReason);
}
std::string CannotRemove(std::string_view file, std::string_view osReason) {
  return Cannot("remove", file, osReason);
}

std::string UndoIncomplete(std::string_view file) {
  return "\nThe earlier state could not be restored completely: check " + std::string(file);
}

std::string LayoutNotForXmaster() {
  return "the destination's MASTER is full and the quote file's layout cannot be kept in its "
         "XMASTER";
}

}  // namespace quillet::messages
