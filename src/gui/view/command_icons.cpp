#include "gui/view/command_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "gui/app/command_ids.h"

namespace quillet {

namespace {

// A 16x16 glyph: a tinted rounded tile with one or two letters.
QIcon Glyph(const QString& text, QColor tint) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pm(16 * scale, 16 * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(tint.darker(150));
    p.setBrush(tint);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont f("DejaVu Sans");
    f.setPixelSize(text.size() > 1 ? 8 : 11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

QIcon CommandIcon(int id, const QStyle* style) {
  const QColor portfolio(0x2e, 0x6d, 0xb4), symbol(0x3a, 0x8a, 0x3a), quotes(0xb0, 0x6a, 0x10);
  switch (id) {
    case ID_APP_EXIT:
      return style->standardIcon(QStyle::SP_DialogCloseButton);
    case ID_PORTFOLIO_SPLITSEARCH:
      return Glyph("SS", portfolio);
    case ID_PORTFOLIO_SEARCHFILTER:
      return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case ID_PORTFOLIO_RESCAN:
      return style->standardIcon(QStyle::SP_BrowserReload);
    case ID_SYMBOL_DELETE:
      return style->standardIcon(QStyle::SP_TrashIcon);
    case ID_SYMBOL_MOVE:
      return Glyph("Mv", symbol);
    case ID_SYMBOL_COPY:
      return Glyph("Cp", symbol);
    case ID_SYMBOL_EDIT:
      return Glyph("E", symbol);
    case ID_SYMBOL_ABOUT:
      return Glyph("i", symbol);
    case ID_QUOTES_EDIT:
      return Glyph("E", quotes);
    case ID_QUOTES_SPLIT:
      return Glyph("/", quotes);
    case ID_QUOTES_ADJUST:
      return Glyph("x", quotes);
    case ID_QUOTES_ADD:
      return Glyph("+", quotes);
    case ID_QUOTES_DELETE:
      return Glyph("-", quotes);
    case ID_QUOTES_EXPORT:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ID_HELP_FINDER:
      return style->standardIcon(QStyle::SP_DialogHelpButton);
    case ID_APP_ABOUT:
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default:
      return {};
  }
}

}  // namespace quillet
