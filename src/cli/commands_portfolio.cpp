#include <string>

#include "cli/commands.h"

namespace quillet::cli {

// Not built yet: each command says so and changes nothing.
static int NotYet(const char* name) {
  Error(std::string("quillet-cli: ") + name + " is not available yet");
  return kExitFailed;
}

int RunScan(const Context&) {
  return NotYet("RunScan");
}
int RunSymbols(const Context&) {
  return NotYet("RunSymbols");
}
int RunCheck(const Context&) {
  return NotYet("RunCheck");
}
int RunRepair(const Context&) {
  return NotYet("RunRepair");
}
int RunSymbolEdit(const Context&) {
  return NotYet("RunSymbolEdit");
}
int RunSymbolDelete(const Context&) {
  return NotYet("RunSymbolDelete");
}
int RunSymbolCopy(const Context&) {
  return NotYet("RunSymbolCopy");
}
int RunSymbolMove(const Context&) {
  return NotYet("RunSymbolMove");
}

}  // namespace quillet::cli
