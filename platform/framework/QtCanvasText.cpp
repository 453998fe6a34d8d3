#include "platform/framework/QtCanvasText.h"

#include "platform/framework/QtBridge.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace vx {
namespace {

// Removes the "&" markers: "&&" is a literal "&", "&x" underlines x.
TextLine stripPrefix(const QString& raw, bool keepMarkers) {
    TextLine line;
    if (keepMarkers) {
        line.text = raw;
        return line;
    }
    line.text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'&' && i + 1 < raw.size()) {
            ++i;
            if (raw[i] != u'&' && line.mnemonic < 0) line.mnemonic = static_cast<int>(line.text.size());
        }
        line.text += raw[i];
    }
    return line;
}

QString expandTabs(const QString& text) {
    QString result;
    for (QChar c : text) {
        if (c == u'\t') {
            do
                result += u' ';
            while (result.size() % 8 != 0);
        } else {
            result += c;
        }
    }
    return result;
}

// Greedy word wrap: a word wider than the rectangle keeps a line of its own.
QStringList wrapParagraph(const QString& paragraph, int width, const QFontMetrics& metrics,
                          bool keepMarkers) {
    QStringList lines;
    QString current;
    const QStringList words = paragraph.split(u' ');
    for (const QString& word : words) {
        const QString candidate = current.isEmpty() ? word : current + u' ' + word;
        if (!current.isEmpty() &&
            metrics.horizontalAdvance(stripPrefix(candidate, keepMarkers).text) > width) {
            lines << current;
            current = word;
        } else {
            current = candidate;
        }
    }
    lines << current;
    return lines;
}

} // namespace

TextLayout LayoutText(const TFont& font, const QString& text, const RECT& rect, unsigned format) {
    TextLayout layout;
    if (text.isEmpty()) return layout;
    const QFontMetrics metrics(ToQFont(font));
    const bool keepMarkers = (format & DT_NOPREFIX) != 0;
    QString source = (format & DT_EXPANDTABS) ? expandTabs(text) : text;
    source.remove(u'\r');
    QStringList rawLines;
    if (format & DT_SINGLELINE) {
        rawLines << QString(source).replace(u'\n', u' ');
    } else {
        for (const QString& paragraph : source.split(u'\n')) {
            if (format & DT_WORDBREAK)
                rawLines << wrapParagraph(paragraph, rect.right - rect.left, metrics, keepMarkers);
            else
                rawLines << paragraph;
        }
    }
    const int lineHeight = metrics.height();
    const int rectWidth = rect.right - rect.left;
    int y = rect.top;
    for (const QString& raw : rawLines) {
        TextLine line = stripPrefix(raw, keepMarkers);
        const int width = metrics.horizontalAdvance(line.text);
        int x = rect.left;
        if (format & DT_CENTER)
            x += (rectWidth - width) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - width;
        line.origin = QPoint(x, y);
        layout.width = std::max(layout.width, width);
        layout.bounds |= QRect(x, y, width + lineHeight, lineHeight);
        layout.lines.push_back(line);
        y += lineHeight;
    }
    layout.height = y - rect.top;
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) {
        const int room = rect.bottom - rect.top - layout.height;
        layout.offset = (format & DT_BOTTOM) ? room : room / 2;
        for (TextLine& line : layout.lines)
            line.origin.ry() += layout.offset;
        layout.bounds.translate(0, layout.offset);
    }
    return layout;
}

void DrawTextLine(QPainter& painter, const TFont& font, bool plainByDefault, QPoint origin,
                  const QString& text, int mnemonic) {
    QFont qfont = ToQFont(font);
    const bool plain = font.Quality() == fqNonAntialiased || (plainByDefault && font.Quality() == fqDefault);
    if (plain) qfont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(qfont);
    const QColor color = ToQColor(font.Color());
    painter.setFont(qfont);
    painter.setPen(color);
    painter.drawText(origin.x(), origin.y() + metrics.ascent(), text);
    if (mnemonic >= 0 && mnemonic < text.size()) {
        const int x = origin.x() + metrics.horizontalAdvance(text.left(mnemonic));
        const int width = metrics.horizontalAdvance(text.at(mnemonic));
        const int y = origin.y() + metrics.ascent() + std::max(1, metrics.underlinePos());
        painter.fillRect(QRect(x, y, width, std::max(1, metrics.lineWidth())), color);
    }
}

} // namespace vx
