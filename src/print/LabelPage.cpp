#include "LabelPage.h"

#include "Addressee.h"
#include "PrintText.h"

#include <QPainter>
#include <algorithm>

namespace {

// Millimetres to the em at the normal scale.
constexpr qreal PostalSize = 3.5;
constexpr qreal AddressSize = 4.0;
constexpr qreal NameSize = 5.6;
constexpr qreal Leading = 1.3; // line pitch in ems
constexpr qreal SmallestScale = 0.3;

// Characters that never begin a line.
bool mayNotBeginLine(QChar c)
{
    static const QString closing = QStringLiteral(
        "、。，．,.)）」』】〉》]］}｝ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ");
    return closing.contains(c);
}

// Characters of a house number: digits, kanji numerals, hyphens and the words between them
// (一丁目２番地, ２－１００－４５, ５の６).
bool isHouseNumber(QChar c)
{
    static const QString words = QStringLiteral("〇一二三四五六七八九十百千-－‐―−丁目番地号の");
    return c.isDigit() || words.contains(c);
}

QString postalLine(const QString& code)
{
    QString digits;
    for (QChar c : code) {
        if (c.isDigit())
            digits += QChar(c.digitValue() + u'0');
    }
    if (digits.size() == 7)
        return PrintText::postalMark() + digits.left(3) + u'-' + digits.mid(3);
    const QString trimmed = code.simplified();
    return trimmed.isEmpty() ? QString() : PrintText::postalMark() + trimmed;
}

} // namespace

LabelPage::LabelPage(const PrintOptions& options)
    : m_options(options), m_sheet(options.labelSheet()), m_font(options.fontFamily)
{
}

QRectF LabelPage::labelRect(int index) const
{
    const int columns = std::max(1, m_sheet.columns);
    return QRectF(m_sheet.marginLeftMm + (index % columns) * m_sheet.pitchXMm,
                  m_sheet.marginTopMm + (index / columns) * m_sheet.pitchYMm, m_sheet.labelWidthMm,
                  m_sheet.labelHeightMm);
}

QStringList LabelPage::wrap(const QString& paragraph, qreal size, qreal width) const
{
    QStringList lines;
    QString rest = paragraph.simplified();
    while (!rest.isEmpty()) {
        if (m_font.advance(rest, size) <= width) {
            lines << rest;
            break;
        }
        // The longest start that fits, at least one character.
        qsizetype n = 1;
        while (n < rest.size() && m_font.advance(rest.left(n + 1), size) <= width)
            ++n;
        // Break at a space near the end of the line, else keep closing marks off the next
        // line's start.
        const qsizetype space = rest.lastIndexOf(u' ', n);
        qsizetype number = n;
        while (number > 0 && isHouseNumber(rest[number - 1]) && isHouseNumber(rest[n]))
            --number;
        if (space > n / 2) {
            n = space;
        } else if (number < n && number > n / 2) {
            n = number; // a house number goes whole onto the next line
        } else {
            while (n > 1 && mayNotBeginLine(rest[n]))
                --n;
        }
        lines << rest.left(n).trimmed();
        rest = rest.mid(n).trimmed();
    }
    return lines;
}

LabelPage::Block LabelPage::layout(const Addressee& addressee, qreal width, qreal scale) const
{
    Block block;
    auto add = [&](const QString& text, qreal size, bool centred) {
        for (const QString& line : wrap(text, size * scale, width))
            block.lines.append({line, size * scale, centred});
    };
    if (const QString postal = postalLine(addressee.postalCode); !postal.isEmpty())
        add(postal, PostalSize, false);
    for (const QString& paragraph : addressee.address.split(u'\n'))
        add(paragraph, AddressSize, false);
    QString name = addressee.name.simplified();
    QString honorific = m_options.honorific;
    if (name.isEmpty()) {
        name = addressee.company.simplified();
        honorific = PrintText::companyHonorific();
    } else if (!addressee.company.isEmpty()) {
        add(addressee.company, AddressSize, false);
    }
    if (!name.isEmpty()) {
        if (!honorific.isEmpty() && !name.endsWith(honorific))
            name += u'　' + honorific;
        add(name, NameSize, true);
    }
    for (const auto& line : block.lines)
        block.height += line.size * Leading;
    return block;
}

void LabelPage::draw(QPainter& painter, const Addressee& addressee, int index) const
{
    const QRectF label = labelRect(index);
    if (m_options.drawGuides) {
        painter.save();
        painter.setPen(QPen(Qt::lightGray, 0.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(label);
        painter.restore();
    }
    const QRectF area = label.adjusted(m_sheet.paddingMm, m_sheet.paddingMm, -m_sheet.paddingMm,
                                       -m_sheet.paddingMm);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    // Shrink everything together until the block fits; wrapping changes with the size.
    qreal scale = 1.0;
    Block block = layout(addressee, area.width(), scale);
    for (int i = 0; i < 8 && block.height > area.height() && scale > SmallestScale; ++i) {
        scale = std::max(SmallestScale, scale * std::max(0.5, area.height() / block.height));
        block = layout(addressee, area.width(), scale);
    }

    painter.setPen(Qt::black);
    qreal y = area.top() + std::max(0.0, (area.height() - block.height) / 2);
    for (const auto& line : block.lines) {
        // Each line's em box sits in the middle of its pitch.
        const qreal baseline = y + line.size * ((Leading - 1) / 2 + ScaledFont::EmAscent);
        qreal x = area.left();
        if (line.centred)
            x += std::max(0.0, (area.width() - m_font.advance(line.text, line.size)) / 2);
        m_font.draw(painter, QPointF(x, baseline), line.text, line.size);
        y += line.size * Leading;
    }
}
