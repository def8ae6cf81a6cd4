#pragma once

#include "cli/cli.h"

// One function per command; each lives in the file of its subsystem.
namespace quillet::cli {

// An output FILE a command may write: not a Portfolio's own file, an existing
// one only with --force. Says why not on stderr (commands_search.cpp).
bool OutputAllowed(const std::string& file, bool force);

// Reading (commands_read.cpp)
int RunQuotes(const Options& options);
int RunFacts(const Options& options);

// Quote editing (commands_edit.cpp)
int RunEdit(const Options& options);
int RunSplit(const Options& options);
int RunAdjust(const Options& options);
int RunAdd(const Options& options);
int RunDelete(const Options& options);

// Portfolios and symbols (commands_portfolio.cpp)
int RunScan(const Options& options);
int RunSymbols(const Options& options);
int RunCheck(const Options& options);
int RunRepair(const Options& options);
int RunSymbolEdit(const Options& options);
int RunSymbolDelete(const Options& options);
int RunSymbolCopy(const Options& options);
int RunSymbolMove(const Options& options);

// Split search and export (commands_search.cpp)
int RunSplitSearch(const Options& options);
int RunExport(const Options& options);

// Dump (commands_dump.cpp)
int RunDump(const Options& options);

}  // namespace quillet::cli
