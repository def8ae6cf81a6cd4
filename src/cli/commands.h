#pragma once

#include "cli/cli.h"

// One function per command; each lives in the file of its subsystem.
namespace quillet::cli {

// Reading (commands_read.cpp)
int RunQuotes(const Context& context);
int RunFacts(const Context& context);

// Quote editing (commands_edit.cpp)
int RunEdit(const Context& context);
int RunSplit(const Context& context);
int RunAdjust(const Context& context);
int RunAdd(const Context& context);
int RunDelete(const Context& context);

// Portfolios and symbols (commands_portfolio.cpp)
int RunScan(const Context& context);
int RunSymbols(const Context& context);
int RunCheck(const Context& context);
int RunRepair(const Context& context);
int RunSymbolEdit(const Context& context);
int RunSymbolDelete(const Context& context);
int RunSymbolCopy(const Context& context);
int RunSymbolMove(const Context& context);

// Split search and export (commands_search.cpp)
int RunSplitSearch(const Context& context);
int RunExport(const Context& context);

}  // namespace quillet::cli
