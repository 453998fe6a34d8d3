#pragma once
// Platform-internal: text layout of the canvas (line breaking, alignment, mnemonics).
#include "platform/framework/Canvas.h"

#include <QPainter>
#include <QString>
#include <vector>

namespace vx {

struct TextLine {
    QString text;      // without the mnemonic marker
    int mnemonic = -1; // index of the underlined character in text, or -1
    QPoint origin;     // top-left corner of the line
};

struct TextLayout {
    std::vector<TextLine> lines;
    int width = 0;  // widest line
    int height = 0; // all lines
    int offset = 0; // vertical shift of a single line (DT_VCENTER, DT_BOTTOM)
    QRect bounds;   // what the lines cover
};

// Lays text out inside rect by the DT_ flags the way the program's labels expect.
TextLayout LayoutText(const TFont& font, const QString& text, const RECT& rect, unsigned format);
// Draws one line with its top-left corner at origin, underlining character mnemonic; a font
// of the default quality is drawn without smoothed edges when plainByDefault is set.
void DrawTextLine(QPainter& painter, const TFont& font, bool plainByDefault, QPoint origin,
                  const QString& text, int mnemonic);

} // namespace vx
