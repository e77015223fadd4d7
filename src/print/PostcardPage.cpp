#include "PostcardPage.h"

#include "AddressSplit.h"
#include "Addressee.h"
#include "KanjiNumerals.h"
#include "PrintText.h"
#include "VerticalText.h"

#include <QPainter>
#include <algorithm>

namespace {

// Japan Post, 郵便番号・バーコードマニュアル, "郵便番号枠" (post.japanpost.jp/zipcode/zipmanual/
// p05.html), 図2 for standard-size mail, which covers postcards: the boxes begin 12.0 mm below
// the top edge and end 8.0 mm short of the right edge, measured at the inside of the lines
// (±1.5 mm allowed); each box is 5.7 mm wide and 8.0 mm high, 1.3 mm apart among the first
// three, 1.9 mm across the hyphen, 1.1 mm apart among the last four.
constexpr qreal RecipientTop = 12.0;
constexpr qreal RecipientRight = PostcardPage::SizeMm.width() - 8.0;
constexpr qreal RecipientWidth = 5.7;
constexpr qreal RecipientHeight = 8.0;
constexpr qreal RecipientGaps[PostcardPage::Digits - 1] = {1.3, 1.3, 1.9, 1.1, 1.1, 1.1};

// The sender's small boxes are no part of that standard. These are the measurements commonly
// published for Japan Post's own cards: 4.0 x 6.5 mm boxes with their tops 122.5 mm down, the
// first 5.3 mm from the left edge, three and four of them side by side with 1.0 mm between.
constexpr qreal SenderTop = 122.5;
constexpr qreal SenderLeft = 5.3;
constexpr qreal SenderWidth = 4.0;
constexpr qreal SenderHeight = 6.5;
constexpr qreal SenderHyphenGap = 1.0;

// Millimetres: the em of each text at its largest, and where each may go.
constexpr qreal RecipientDigitSize = 5.6;
constexpr qreal SenderDigitSize = 3.6;
constexpr qreal AddressSize = 5.5;
constexpr qreal AddressTop = 27.0;
constexpr qreal AddressBottom = 125.0;
constexpr qreal AddressRight = RecipientRight; // right edge of the first address line
constexpr qreal CompanySize = 4.6;
constexpr qreal NameSize = 11.0;
constexpr qreal NameTop = 32.0;
constexpr qreal NameBottom = 128.0;
constexpr qreal NameSpreadTo = 85.0; // a short name spreads its characters over this length
constexpr qreal SenderAddressSize = 3.6;
constexpr qreal SenderNameSize = 5.2;
constexpr qreal SenderRight = 36.0;
constexpr qreal SenderBottom = SenderTop - 3.5;
// The stamp takes 35 x 70 mm at the top left; the sender stays below it.
constexpr qreal StampBottom = 70.0;
constexpr qreal SenderTopLimit = StampBottom + 1.0;
constexpr qreal LineGap = 0.6; // ems between two vertical lines
constexpr qreal MinimumSize = 1.5;
constexpr int AddressLines = 3;                      // before the type shrinks
constexpr qreal TitleScale = 0.45;                   // 役職 beside the name
constexpr qreal NameColumnsLeft = SenderRight + 2.0; // names stay right of the sender
constexpr qreal NameColumnsLeftAlone = 12.0;         // ... when there is none
constexpr qreal ColumnPitch = 1.45;                  // ems from one name's column to the next
constexpr qreal NameBlockWidth = 40.0;               // the widest 連名 block
constexpr qreal NameToAddress = 4.0;                 // the least gap right of the names

const QColor BoxColour(230, 0, 18);

QString digitsOf(const QString& code)
{
    QString digits;
    for (QChar c : code) {
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (c >= u'０' && c <= u'９')
            digits += QChar(c.unicode() - u'０' + u'0');
    }
    return digits.left(PostcardPage::Digits);
}

// One line of a name or company: upright forms, no line breaks.
QString uprightLine(const QString& text)
{
    QString line = text;
    line.replace(u'\n', u' ');
    return KanjiNumerals::toVertical(line.simplified(), NumeralStyle::Upright);
}

// The largest size up to `size` at which every line fits `room` millimetres.
qreal fittingSize(const ScaledFont& font, const QStringList& lines, qreal size, qreal room,
                  qreal spacing = 0, qreal minimum = MinimumSize)
{
    qreal fitted = size;
    for (const QString& line : lines) {
        const qreal length = VerticalText::length(font, line, size, spacing);
        if (length > room)
            fitted = std::min(fitted, size * room / length);
    }
    return std::max(fitted, minimum);
}

// How many cells of `size` fit `room`.
int capacity(qreal room, qreal size)
{
    return std::max(1, int(room / size));
}

qsizetype cells(const QString& text)
{
    return text.size() - text.count(u' ');
}

} // namespace

QRectF PostcardPage::recipientBox(int digit)
{
    qreal right = RecipientRight;
    for (int i = Digits - 1; i > digit; --i)
        right -= RecipientWidth + RecipientGaps[i - 1];
    return QRectF(right - RecipientWidth, RecipientTop, RecipientWidth, RecipientHeight);
}

QRectF PostcardPage::senderBox(int digit)
{
    const qreal left = SenderLeft + digit * SenderWidth + (digit >= 3 ? SenderHyphenGap : 0);
    return QRectF(left, SenderTop, SenderWidth, SenderHeight);
}

PostcardPage::PostcardPage(const PrintOptions& options, const Sender& sender)
    : m_options(options), m_font(options.fontFamily), m_senderPostalCode(sender.postalCode),
      m_senderName(uprightLine(sender.name))
{
    const QString address =
        KanjiNumerals::toVertical(sender.address, options.numerals, options.tateChuYoko);
    m_senderAddress =
        AddressSplit::lines(address, capacity(SenderBottom - SenderTopLimit, SenderAddressSize));
}

QStringList PostcardPage::addressLines(const Addressee& addressee) const
{
    return AddressSplit::lines(
        KanjiNumerals::toVertical(addressee.address, m_options.numerals, m_options.tateChuYoko),
        capacity(AddressBottom - AddressTop, AddressSize), AddressLines);
}

qreal PostcardPage::addressSize(const Addressee& addressee) const
{
    return fittingSize(m_font, addressLines(addressee), AddressSize, AddressBottom - AddressTop, 0,
                       0);
}

bool PostcardPage::belowMinimum(const Addressee& addressee) const
{
    return addressSize(addressee) < m_options.minimumAddressSizeMm - 1e-6;
}

void PostcardPage::draw(QPainter& painter, const Addressee& addressee) const
{
    if (m_options.drawGuides)
        drawBoxes(painter);
    painter.setPen(Qt::black);
    drawPostalCode(painter, addressee.postalCode, false);

    // The address down the right, up to three lines; the later ones start a little lower.
    const qreal room = AddressBottom - AddressTop;
    const QStringList lines = addressLines(addressee);
    const qreal size = fittingSize(m_font, lines, AddressSize, room, 0,
                                   std::max(MinimumSize, m_options.minimumAddressSizeMm));
    qreal x = AddressRight - size / 2;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qreal top = AddressTop;
        if (i > 0)
            top += std::clamp(room - VerticalText::length(m_font, lines[i], size), 0.0, 2 * size);
        VerticalText::draw(painter, m_font, QPointF(x, top), lines[i], size);
        x -= size * (1 + LineGap);
    }
    qreal left = x + size * (1 + LineGap) - size / 2; // the left edge of the last line

    // A company with a person named prints beside the address, its department beside it;
    // without a person the company is the addressee.
    const QList<Addressee::PrintedName> names = addressee.printedNames(m_options.honorific);
    if (!addressee.name.trimmed().isEmpty()) {
        x += (size - CompanySize) / 2; // the gap after the address, at the address's size
        for (const QString& text : {addressee.company, addressee.department}) {
            const QString line = uprightLine(text);
            if (line.isEmpty())
                continue;
            const qreal companySize = fittingSize(m_font, {line}, CompanySize, room - size);
            VerticalText::draw(painter, m_font, QPointF(x, AddressTop + size), line, companySize);
            left = x - companySize / 2;
            x -= companySize * (1 + LineGap);
        }
    }
    const qreal nameLeft = m_senderAddress.isEmpty() && m_senderName.isEmpty()
                               ? NameColumnsLeftAlone
                               : NameColumnsLeft;
    drawNames(painter, names, uprightLine(addressee.title), nameLeft, left - NameToAddress);
    if (m_options.markProblems && belowMinimum(addressee)) {
        painter.save();
        painter.setPen(BoxColour);
        m_font.draw(painter, QPointF(3, 4),
                    PrintText::addressTooSmall(m_options.minimumAddressSizeMm), 2.6);
        painter.restore();
    }
    drawSender(painter);
}

void PostcardPage::drawNames(QPainter& painter, const QList<Addressee::PrintedName>& names,
                             const QString& title, qreal left, qreal right) const
{
    if (names.isEmpty())
        return;
    // The family names once at the top, the given names in a row below them (a short one
    // spread over the row), the 敬称 in a row below those.
    QList<Addressee::PrintedName> columns;
    qsizetype family = 0;
    qsizetype given = 0;
    qsizetype honorific = 0;
    for (const Addressee::PrintedName& n : names) {
        columns.append({uprightLine(n.family), uprightLine(n.given), uprightLine(n.honorific)});
        family = std::max(family, cells(columns.back().family));
        given = std::max(given, cells(columns.back().given));
        honorific = std::max(honorific, cells(columns.back().honorific));
    }
    const qreal half = given > 0 ? 0.5 : 0.0;              // between family and given name
    const qreal half2 = honorific > 0 ? 0.5 : 0.0;         // before the 敬称
    const qreal total = qreal(family + given + honorific); // cells
    const qreal gaps = std::max<qreal>(0, total - 1);

    // Across: the columns spread evenly, centred on the card where they fit.
    const qsizetype n = columns.size();
    const qreal width = std::clamp(right - left, 10.0, NameBlockWidth);
    qreal size = std::min(NameSize, width / (n * ColumnPitch - (ColumnPitch - 1)));
    // Down: shrunk when long, spread when short.
    const qreal titleLength = title.isEmpty() ? 0 : cells(title) * size * TitleScale + 0.6 * size;
    const qreal room = NameBottom - NameTop - titleLength;
    size = std::min(size, room / (total + half + half2));
    size = std::max(size, MinimumSize);
    const qreal natural = size * (total + half + half2);
    const qreal spacing =
        gaps > 0 ? std::clamp((NameSpreadTo - titleLength - natural) / gaps / size, 0.0, 0.6) : 0.0;
    const qreal unit = size * (1 + spacing);
    const qreal length = natural + gaps * spacing * size;
    const qreal top = NameTop + titleLength + (room - length) / 2;
    const qreal givenTop = top + family * unit + half * size;
    const qreal honorificTop = givenTop + given * unit + half2 * size;

    const qreal pitch = n > 1 ? std::min(size * ColumnPitch, (width - size) / (n - 1)) : 0;
    const qreal block = pitch * (n - 1) + size;
    const qreal centre = std::clamp(SizeMm.width() / 2, left + block / 2,
                                    std::max(left + block / 2, right - block / 2));
    qreal x = centre + pitch * (n - 1) / 2;
    for (const Addressee::PrintedName& c : columns) {
        if (&c == &columns.front() && !title.isEmpty()) {
            // Small, at the right of the column, ending above the name.
            const qreal titleSize = size * TitleScale;
            VerticalText::draw(painter, m_font,
                               QPointF(x + (size - titleSize) / 2, top - titleLength), title,
                               titleSize);
        }
        if (!c.family.isEmpty())
            VerticalText::draw(painter, m_font, QPointF(x, top), c.family, size, spacing);
        if (!c.given.isEmpty()) {
            // A shorter given name in the middle of the row's room (一 beside 太郎).
            const qreal shift = qreal(given - cells(c.given)) * unit / 2;
            VerticalText::draw(painter, m_font, QPointF(x, givenTop + shift), c.given, size,
                               spacing);
        }
        if (!c.honorific.isEmpty())
            VerticalText::draw(painter, m_font, QPointF(x, honorificTop), c.honorific, size,
                               spacing);
        x -= pitch;
    }
}

void PostcardPage::drawBoxes(QPainter& painter) const
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < Digits; ++i) {
        // The lines lie outside the measured boxes; the first three are drawn bolder.
        const qreal width = i < 3 ? 0.5 : 0.3;
        painter.setPen(QPen(BoxColour, width));
        const QRectF box = recipientBox(i);
        painter.drawRect(box.adjusted(-width / 2, -width / 2, width / 2, width / 2));
        if (i == 2) {
            painter.setPen(QPen(BoxColour, 0.5));
            const qreal y = box.center().y();
            painter.drawLine(QPointF(box.right() + 0.6, y),
                             QPointF(recipientBox(3).left() - 0.6, y));
        }
    }
    painter.setPen(QPen(BoxColour, 0.2));
    for (int i = 0; i < Digits; ++i)
        painter.drawRect(senderBox(i).adjusted(-0.1, -0.1, 0.1, 0.1));
    const qreal y = senderBox(2).center().y();
    painter.drawLine(QPointF(senderBox(2).right() + 0.3, y), QPointF(senderBox(3).left() - 0.3, y));
    painter.restore();
}

void PostcardPage::drawPostalCode(QPainter& painter, const QString& code, bool sender) const
{
    const QString digits = digitsOf(code);
    const qreal size = sender ? SenderDigitSize : RecipientDigitSize;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        // The ink, not the advance, is centred: the reader looks at the ink.
        const QString digit(digits[i]);
        const QRectF box = sender ? senderBox(int(i)) : recipientBox(int(i));
        m_font.draw(painter, box.center() - m_font.ink(digit, size).center(), digit, size);
    }
}

void PostcardPage::drawSender(QPainter& painter) const
{
    if (m_senderAddress.isEmpty() && m_senderName.isEmpty() && m_senderPostalCode.isEmpty())
        return;
    drawPostalCode(painter, m_senderPostalCode, true);

    // From the right: the address lines, then the name, all ending above the small boxes.
    const qreal room = SenderBottom - SenderTopLimit;
    const qreal size = fittingSize(m_font, m_senderAddress, SenderAddressSize, room);
    qreal x = SenderRight - size / 2;
    for (const QString& line : m_senderAddress) {
        VerticalText::draw(painter, m_font,
                           QPointF(x, SenderBottom - VerticalText::length(m_font, line, size)),
                           line, size);
        x -= size * (1 + LineGap);
    }
    if (m_senderName.isEmpty())
        return;
    const qreal nameSize = fittingSize(m_font, {m_senderName}, SenderNameSize, room);
    x -= (nameSize - size) / 2 + size * LineGap;
    const qreal length = VerticalText::length(m_font, m_senderName, nameSize);
    VerticalText::draw(painter, m_font, QPointF(x, SenderBottom - length), m_senderName, nameSize);
}
