#pragma once

#include <span>

#include "gui/view/command_rules.h"

namespace quillet {

// The handlers of Symbol > Edit, Delete, Move and Copy, and of Portfolio > Split Search.
std::span<const CommandHandler> SymbolCommandHandlers();

}  // namespace quillet
