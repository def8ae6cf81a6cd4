#include <string>

#include "cli/commands.h"

namespace quillet::cli {

// Not built yet: each command says so and changes nothing.
static int NotYet(const char* name) {
  Error(std::string("quillet-cli: ") + name + " is not available yet");
  return kExitFailed;
}

int RunEdit(const Context&) {
  return NotYet("RunEdit");
}
int RunSplit(const Context&) {
  return NotYet("RunSplit");
}
int RunAdjust(const Context&) {
  return NotYet("RunAdjust");
}
int RunAdd(const Context&) {
  return NotYet("RunAdd");
}
int RunDelete(const Context&) {
  return NotYet("RunDelete");
}

}  // namespace quillet::cli
