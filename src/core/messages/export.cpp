#include "core/messages/export.h"

namespace quillet::messages {

std::string ReplaceExistingFile(std::string_view file) {
  return std::string(file) + "\nThis file already exists\n\nReplace existing file?";
}

std::string PortfolioFileRefused(std::string_view file) {
  return std::string(file) +
         "\nis named as a file of a Portfolio (MASTER, EMASTER, XMASTER, F<n>.DAT, F<n>.DOP, "
         "F<n>.MWD)\nNothing is written over it; choose another name.";
}

}  // namespace quillet::messages
