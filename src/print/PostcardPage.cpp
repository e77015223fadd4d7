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
constexpr qreal SenderTopLimit = 66.0;
constexpr qreal LineGap = 0.6; // ems between two vertical lines
constexpr qreal MinimumSize = 1.5;

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
                  qreal spacing = 0)
{
    qreal fitted = size;
    for (const QString& line : lines) {
        const qreal length = VerticalText::length(font, line, size, spacing);
        if (length > room)
            fitted = std::min(fitted, size * room / length);
    }
    return std::max(fitted, MinimumSize);
}

// How many cells of `size` fit `room`.
int capacity(qreal room, qreal size)
{
    return std::max(1, int(room / size));
}

bool endsWithHonorific(const QString& name)
{
    return name.endsWith(PrintText::honorific()) || name.endsWith(PrintText::companyHonorific());
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
    const QString address = KanjiNumerals::toVertical(sender.address, options.numerals);
    m_senderAddress =
        AddressSplit::lines(address, capacity(SenderBottom - SenderTopLimit, SenderAddressSize));
}

void PostcardPage::draw(QPainter& painter, const Addressee& addressee) const
{
    if (m_options.drawGuides)
        drawBoxes(painter);
    painter.setPen(Qt::black);
    drawPostalCode(painter, addressee.postalCode, false);

    // The address down the right, one or two lines; the second starts a little lower.
    const qreal room = AddressBottom - AddressTop;
    const QStringList lines =
        AddressSplit::lines(KanjiNumerals::toVertical(addressee.address, m_options.numerals),
                            capacity(room, AddressSize));
    const qreal size = fittingSize(m_font, lines, AddressSize, room);
    qreal x = AddressRight - size / 2;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qreal top = AddressTop;
        if (i > 0)
            top += std::clamp(room - VerticalText::length(m_font, lines[i], size), 0.0, 2 * size);
        VerticalText::draw(painter, m_font, QPointF(x, top), lines[i], size);
        x -= size * (1 + LineGap);
    }

    // A company with a person named prints beside the address; without one it is the addressee.
    QString name = uprightLine(addressee.name);
    const QString company = uprightLine(addressee.company);
    QString honorific = m_options.honorific;
    if (name.isEmpty()) {
        name = company;
        honorific = PrintText::companyHonorific();
    } else if (!company.isEmpty()) {
        const qreal companySize = fittingSize(m_font, {company}, CompanySize, room - size);
        x += (size - companySize) / 2; // the gap after the address, at the address's size
        VerticalText::draw(painter, m_font, QPointF(x, AddressTop + size), company, companySize);
    }
    if (!name.isEmpty()) {
        if (!honorific.isEmpty() && !endsWithHonorific(name))
            name += u' ' + honorific;
        // In the middle, spread when short, shrunk when long, centred between its limits.
        const qreal nameRoom = NameBottom - NameTop;
        const qreal nameSize = fittingSize(m_font, {name}, NameSize, nameRoom);
        const qreal natural = VerticalText::length(m_font, name, nameSize);
        const qsizetype gaps = name.size() - 1;
        const qreal spacing =
            gaps > 0 ? std::clamp((NameSpreadTo - natural) / gaps / nameSize, 0.0, 0.6) : 0.0;
        const qreal length = VerticalText::length(m_font, name, nameSize, spacing);
        VerticalText::draw(painter, m_font,
                           QPointF(SizeMm.width() / 2, NameTop + (nameRoom - length) / 2), name,
                           nameSize, spacing);
    }
    drawSender(painter);
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
