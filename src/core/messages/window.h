#pragma once

#include <string>
#include <string_view>

// The texts of the main window: title, status panes, search filter.
namespace quillet::messages {

inline constexpr const char* kAppTitle = "Quillet";
// "Quillet - <Portfolio folder> - <symbol>" while a symbol is selected.
std::string SymbolTitle(std::string_view portfolioPath, std::string_view symbol);

// The status panes; quoteNumber counts from the oldest quote (the grid's last row is 1).
std::string SymbolPaneText(int symbolSel, int symbols);
std::string QuotePaneText(int quoteNumber, int quotes);
inline constexpr const char* kIdlePrompt = "For Help, press F1";

inline constexpr const char* kPortfolioSearchFilter = "Portfolio Search Filter";
inline constexpr const char* kSearchFilterLimit =
    "Only search for Portfolios in paths like that below";
inline constexpr const char* kSearchFilterMasterFix = "Automatically repair bad Masters";
inline constexpr const char* kSearchFilterUnknownDrive =
    "The Search Filter path refers to an unknown drive";

}  // namespace quillet::messages
