#pragma once

class QAction;

namespace quillet {

class CQuilletView;

// Connects action to the handler of Symbol > Edit, Delete, Move or Copy, or of
// Portfolio > Split Search; false when id is none of them.
bool ConnectSymbolCommand(CQuilletView* view, QAction* action, int id);

}  // namespace quillet
