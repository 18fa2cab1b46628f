#include "demo/ArtText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QSet>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

// Why the lettering takes this road: the demo pictures go into the application
// folder at build time, and the same sources must give the same pictures on
// every machine and in every run.
//
// - A family name alone picks whatever CJK font the machine prefers (Noto on
//   most desktops, WenQuanYi where Noto is absent), so one font file is loaded
//   by path and font merging is off: no glyph can come from another font.
// - QPainter::drawText takes one road for sizes the glyph cache holds and
//   another beyond it, and large captions have come out shifted between the
//   first and a later run in one process. Every text here is an outline from
//   QPainterPath::addText instead, read from the unscaled face: one road for
//   every size.
// - Hinting, and so the advances, would follow the machine's fontconfig
//   settings; without hinting the advances are the font's design widths.
// - Synthetic bold is also fontconfig's decision; a stroke around the outline
//   as wide as FreeType's emboldening (an em over 24) looks the same and does
//   not depend on it.

#ifndef KORVEL_ART_FONT
#define KORVEL_ART_FONT ""
#endif

namespace korvel::demo {

namespace {

const QString kPinnedFamily = QStringLiteral("WenQuanYi Micro Hei");

QString loadPinnedFamily()
{
    const QString file = QStringLiteral(KORVEL_ART_FONT);
    const int id = file.isEmpty() ? -1 : QFontDatabase::addApplicationFont(file);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.contains(kPinnedFamily))
        return kPinnedFamily;
    if (!families.isEmpty())
        return families.first();
    qWarning("korvel-demo: cannot load the lettering font \"%s\" (package fonts-wqy-microhei); "
             "the pictures now depend on the fonts installed",
             qPrintable(file));
    return {};
}

// Empty when the font file could not be loaded and whatever the machine offers stands in.
QString artFamily()
{
    static const QString family = loadPinnedFamily();
    return family;
}

qreal boldStroke(const ArtFont &f)
{
    return f.bold ? f.pixels / 24 : 0;
}

// Warns once for each character the pinned font lacks: it would draw as a box.
void checkCoverage(const QString &text, const ArtFont &f)
{
    static QSet<char32_t> reported;
    if (artFamily().isEmpty())
        return;
    const QFontMetricsF fm(f.font);
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c) || fm.inFontUcs4(c) || reported.contains(c))
            continue;
        reported.insert(c);
        qWarning("korvel-demo: the lettering font has no \"%s\" (U+%04X)", qPrintable(QString::fromUcs4(&c, 1)), uint(c));
    }
}

struct Line {
    QString text;
    qreal width;
    qreal ascent;
    qreal top; // from the top of the block
};

struct Block {
    QVector<Line> lines;
    qreal height = 0;
};

Block layOut(const QString &text, const ArtFont &f, qreal width, bool wrap)
{
    QTextLayout layout(text, f.font);
    QTextOption option;
    option.setUseDesignMetrics(true);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    // Lines are spaced as QPainter::drawText spaces them: the font's leading between them.
    const qreal leading = QFontMetricsF(f.font).leading();
    Block block;
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLineWidth(std::max<qreal>(width, 0));
        if (!block.lines.isEmpty())
            block.height += leading;
        block.lines.append(Line{text.mid(l.textStart(), l.textLength()), l.naturalTextWidth(), l.ascent(), block.height});
        block.height += l.height();
    }
    layout.endLayout();
    return block;
}

void fillText(QPainter &p, const QPainterPath &path, const ArtFont &f, const QColor &colour)
{
    if (f.bold)
        p.strokePath(path, QPen(colour, boldStroke(f), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, colour);
}

} // namespace

ArtFont artFont(qreal pixels, bool bold)
{
    QFont font;
    const QString pinned = artFamily();
    if (!pinned.isEmpty()) {
        font.setFamily(pinned);
        font.setStyleStrategy(QFont::NoFontMerging);
    } else {
        font.setFamilies({QStringLiteral("Noto Sans CJK SC"), kPinnedFamily, QStringLiteral("Noto Sans SC"),
                          QStringLiteral("Droid Sans Fallback"), QStringLiteral("DejaVu Sans")});
    }
    font.setHintingPreference(QFont::PreferNoHinting);
    const int px = std::max(1, int(std::lround(pixels)));
    font.setPixelSize(px);
    return ArtFont{font, qreal(px), bold};
}

qreal ArtFont::ascent() const
{
    return QFontMetricsF(font).ascent();
}

qreal ArtFont::descent() const
{
    return QFontMetricsF(font).descent();
}

qreal ArtFont::width(const QString &text) const
{
    const Block b = layOut(text, *this, 0, false);
    return (b.lines.isEmpty() ? 0 : b.lines.first().width) + boldStroke(*this);
}

QPainterPath textPath(const QString &text, const ArtFont &font)
{
    checkCoverage(text, font);
    QPainterPath path;
    path.addText(0, 0, font.font, text);
    return path;
}

void drawText(QPainter &p, const QRectF &box, int flags, const QString &text, const ArtFont &font,
              const QColor &colour)
{
    const Block block = layOut(text, font, box.width(), flags & Qt::TextWordWrap);
    qreal top = box.top();
    if (flags & Qt::AlignBottom)
        top = box.bottom() - block.height;
    else if (flags & Qt::AlignVCenter)
        top = box.top() + (box.height() - block.height) / 2;
    QPainterPath all;
    for (const Line &line : block.lines) {
        qreal left = box.left();
        if (flags & Qt::AlignRight)
            left = box.right() - line.width;
        else if (flags & Qt::AlignHCenter)
            left = box.left() + (box.width() - line.width) / 2;
        all.addPath(textPath(line.text, font).translated(left, top + line.top + line.ascent));
    }
    fillText(p, all, font, colour);
}

qreal wrappedHeight(qreal width, const QString &text, const ArtFont &font)
{
    return layOut(text, font, width, true).height;
}

void outlinedText(QPainter &p, const QPointF &baselineStart, const QString &text, const ArtFont &font,
                  const QColor &fill, const QColor &edge, qreal edgeWidth)
{
    const QPainterPath path = textPath(text, font).translated(baselineStart);
    p.strokePath(path, QPen(edge, edgeWidth + boldStroke(font), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    fillText(p, path, font, fill);
}

} // namespace korvel::demo
