#include "core/messages/window.h"

namespace quillet::messages {

std::string SymbolTitle(std::string_view portfolioPath, std::string_view symbol) {
  return std::string(kAppTitle) + " - " + std::string(portfolioPath) + " - " + std::string(symbol);
}

std::string SymbolPaneText(int symbolSel, int symbols) {
  if (symbols == 0) return "No Symbols Read";
  return "Symbol " + std::to_string(symbolSel + 1) + " of " + std::to_string(symbols);
}

std::string QuotePaneText(int quoteNumber, int quotes) {
  if (quotes == 0) return "No Quotes Read";
  return "Quote " + std::to_string(quoteNumber) + " of " + std::to_string(quotes);
}

}  // namespace quillet::messages
