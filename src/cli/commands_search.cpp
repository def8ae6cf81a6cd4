#include <string>

#include "cli/commands.h"

namespace quillet::cli {

// Not built yet: each command says so and changes nothing.
static int NotYet(const char* name) {
  Error(std::string("quillet-cli: ") + name + " is not available yet");
  return kExitFailed;
}

int RunSplitSearch(const Context&) {
  return NotYet("RunSplitSearch");
}
int RunExport(const Context&) {
  return NotYet("RunExport");
}

}  // namespace quillet::cli
