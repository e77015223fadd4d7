#include "VerticalText.h"

#include "ScaledFont.h"

#include <QPainter>
#include <algorithm>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// One character with the marks that combine with it.
template <typename F> void forEachCharacter(const QString& text, F f)
{
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i + 1;
        // Two ASCII digits share a cell (縦中横): KanjiNumerals leaves no other ASCII digits.
        if (isAsciiDigit(text[i]) && end < text.size() && isAsciiDigit(text[end]))
            ++end;
        if (text[i].isHighSurrogate() && end < text.size() && text[end].isLowSurrogate())
            ++end;
        while (end < text.size() && text[end].isMark())
            ++end;
        f(text.mid(i, end - i));
        i = end;
    }
}

bool isSpace(const QString& c)
{
    return c.size() == 1 && c[0].isSpace();
}

// Height of a character's cell: a turned character takes its own width.
qreal cellHeight(const ScaledFont& font, const QString& c, qreal size)
{
    if (isSpace(c))
        return size / 2;
    if (VerticalText::form(c) == VerticalText::Form::Turned)
        return font.advance(c, size);
    return size;
}

} // namespace

VerticalText::Form VerticalText::form(QStringView character)
{
    static const QString turned =
        QStringLiteral("ー～〜－-‐‑–—―−…‥＝=「」『』（）()【】〈〉《》［］[]｛｝{}〔〕〘〙＜＞<>≪≫"
                       "：:；;→←");
    static const QString small = QStringLiteral(
        "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ");
    static const QString corner = QStringLiteral("、。，．");
    if (character.size() != 1)
        return Form::Upright;
    if (turned.contains(character[0]))
        return Form::Turned;
    if (small.contains(character[0]))
        return Form::Small;
    if (corner.contains(character[0]))
        return Form::Corner;
    return Form::Upright;
}

qreal VerticalText::length(const ScaledFont& font, const QString& text, qreal size, qreal spacing)
{
    qreal total = 0;
    int cells = 0;
    forEachCharacter(text, [&](const QString& c) {
        total += cellHeight(font, c, size);
        ++cells;
    });
    return cells > 0 ? total + (cells - 1) * spacing * size : 0;
}

void VerticalText::draw(QPainter& painter, const ScaledFont& font, QPointF top, const QString& text,
                        qreal size, qreal spacing)
{
    qreal y = top.y();
    const qreal x = top.x();
    forEachCharacter(text, [&](const QString& c) {
        const qreal height = cellHeight(font, c, size);
        if (!isSpace(c)) {
            const qreal advance = font.advance(c, size);
            // The em box's centre lies this far above the baseline.
            const qreal centreRise = (ScaledFont::EmAscent - 0.5) * size;
            switch (form(c)) {
            case Form::Turned:
                // Turned about the cell's centre: the em box's centre lands there.
                font.draw(painter, QPointF(x, y + height / 2) + QPointF(-centreRise, -advance / 2),
                          c, size, 90);
                break;
            case Form::Small: {
                // About where Japanese fonts put the vertical forms of small kana: the ink a tenth
                // of an em right of and above the cell's centre.
                const QPointF centre(x + 0.1 * size, y + size / 2 - 0.1 * size);
                font.draw(painter, centre - font.ink(c, size).center(), c, size);
                break;
            }
            case Form::Corner: {
                // Horizontal text keeps these in the lower left of the cell; vertical text
                // wants them mirrored through the cell's centre, to the upper right.
                const QPointF origin(x - advance / 2, y + ScaledFont::EmAscent * size);
                const QPointF centre(advance / 2, -centreRise);
                font.draw(painter, origin + 2 * (centre - font.ink(c, size).center()), c, size);
                break;
            }
            case Form::Upright:
                if (c.size() == 2 && isAsciiDigit(c[0])) {
                    // Side by side in the cell, smaller when wider than it.
                    const qreal fitted = std::min(size, size * size * 0.95 / advance);
                    const QRectF ink = font.ink(c, fitted);
                    font.draw(painter, QPointF(x, y + size / 2) - ink.center(), c, fitted);
                    break;
                }
                font.draw(painter, QPointF(x - advance / 2, y + ScaledFont::EmAscent * size), c,
                          size);
                break;
            }
        }
        y += height + spacing * size;
    });
}
