#pragma once

class QAction;

namespace quillet {

class CQuilletView;

// The view's quote commands (Quotes > Edit, Split, Adjust, Add, Delete, Export)
// and Symbol > About: each runs its dialog on the view's selection, lets the core
// check and carry out the change, records the entered texts in the settings and
// reloads the grid from disk.

// Connects action to the handler of command id; false when id is not one of them.
bool ConnectQuoteCommand(CQuilletView* view, QAction* action, int id);

void OnQuotesEdit(CQuilletView& view);

}  // namespace quillet
