#include "core/messages/export.h"

namespace quillet::messages {

std::string ReplaceExistingFile(std::string_view file) {
  return std::string(file) + "\nThis file already exists\n\nReplace existing file?";
}

}  // namespace quillet::messages
