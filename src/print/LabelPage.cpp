#include "LabelPage.h"

#include "AddressSplit.h"
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
constexpr qreal TitleScale = 0.6; // 役職 above the name

// Half-width katakana in full width, as on the postcards.
QString fullWidthKana(const QString& text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype end = i;
        while (end < text.size() && text[end].unicode() >= 0xFF61 && text[end].unicode() <= 0xFF9F)
            ++end;
        if (end > i) {
            out += text.mid(i, end - i).normalized(QString::NormalizationForm_KC);
            i = end;
        } else {
            out += text[i++];
        }
    }
    return out;
}

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
    // Where a writer breaks, in as few lines as fit; a line still too wide (half-width text
    // is narrower than the count assumes, Latin wider) is wrapped by its width.
    const QString text = paragraph.simplified();
    if (text.isEmpty() || m_font.advance(text, size) <= width)
        return text.isEmpty() ? QStringList() : QStringList{text};
    const int capacity = std::max(1, int(width / size));
    QStringList lines;
    for (const QString& line : AddressSplit::lines(text, capacity, 3)) {
        if (m_font.advance(line, size) <= width)
            lines << line;
        else
            lines << greedyWrap(line, size, width);
    }
    return lines;
}

QStringList LabelPage::greedyWrap(const QString& paragraph, qreal size, qreal width) const
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
        for (const QString& line : wrap(fullWidthKana(text), size * scale, width))
            block.lines.append({line, size * scale, centred, {}, 0});
    };
    if (const QString postal = postalLine(addressee.postalCode); !postal.isEmpty())
        add(postal, PostalSize, false);
    for (const QString& paragraph : addressee.address.split(u'\n'))
        add(paragraph, AddressSize, false);
    const bool person = !addressee.name.trimmed().isEmpty();
    if (person) {
        add(addressee.company, AddressSize, false);
        add(addressee.department, AddressSize, false);
        add(addressee.title, NameSize * TitleScale, true);
    }
    // The names one a line: the family name once, the given names and the 敬称 each in a
    // column of their own.
    const QList<Addressee::PrintedName> names = addressee.printedNames(m_options.honorific);
    if (!names.isEmpty()) {
        qreal size = NameSize * scale;
        const qreal gap = 0.5;
        qreal family = 0, given = 0, honorific = 0;
        auto measure = [&] {
            family = given = honorific = 0;
            for (const Addressee::PrintedName& n : names) {
                family = std::max(family, m_font.advance(fullWidthKana(n.family), size));
                given = std::max(given, m_font.advance(fullWidthKana(n.given), size));
                honorific = std::max(honorific, m_font.advance(n.honorific, size));
            }
            return family + (given > 0 ? gap * size + given : 0) +
                   (honorific > 0 ? gap * size + honorific : 0);
        };
        qreal total = measure();
        if (total > width) {
            size *= width / total;
            total = measure();
        }
        for (const Addressee::PrintedName& n : names) {
            Block::Line line{{}, size, true, {}, total};
            line.pieces.append({0.0, fullWidthKana(n.family)});
            const qreal givenAt = family + gap * size;
            line.pieces.append({givenAt, fullWidthKana(n.given)});
            line.pieces.append({given > 0 ? givenAt + given + gap * size : givenAt, n.honorific});
            line.text = n.family + n.given + n.honorific;
            block.lines.append(line);
        }
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
        const qreal lineWidth =
            line.pieces.isEmpty() ? m_font.advance(line.text, line.size) : line.width;
        if (line.centred)
            x += std::max(0.0, (area.width() - lineWidth) / 2);
        if (line.pieces.isEmpty()) {
            m_font.draw(painter, QPointF(x, baseline), line.text, line.size);
        } else {
            for (const auto& [offset, text] : line.pieces) {
                if (!text.isEmpty())
                    m_font.draw(painter, QPointF(x + offset, baseline), text, line.size);
            }
        }
        y += line.size * Leading;
    }
}
