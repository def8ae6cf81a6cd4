#pragma once

#include <QIcon>

class QStyle;

namespace quillet {

// The tool-bar picture of a command: the style's own where one fits, else a
// small drawn glyph, so the bar reads the same on every desktop.
QIcon CommandIcon(int id, const QStyle* style);

}  // namespace quillet
