#include "core/messages/splitsearch.h"

namespace quillet::messages {

std::string FewerThanTwoQuotes(std::string_view symbol) {
  return "For symbol " + std::string(symbol) + "\n" + "SplitSearch cannot perform search\n" +
         "as there are fewer than 2 quotes.";
}

std::string CannotSaveSearchResults(std::string_view file) {
  return "The search results could not be saved to " + std::string(file) +
         "\nThe file was not written; choose another file or folder.";
}

}  // namespace quillet::messages
