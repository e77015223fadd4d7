#include "PdfFinish.h"

#include <QList>
#include <QRawFont>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <vector>

namespace {

struct Edit
{
    qsizetype at = 0;
    qsizetype length = 0;
    QByteArray text;
};

QByteArray hex4(uint value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

constexpr uint FirstRadical = 0x2E80;
constexpr uint LastRadical = 0x2FDF;

using Radicals = QHash<uint, uint>;

// The ideograph a radical stands for, or the code unchanged.
uint ideograph(uint code, const Radicals& radicals)
{
    if (code < FirstRadical || code > LastRadical)
        return code;
    if (const auto it = radicals.constFind(code); it != radicals.constEnd())
        return *it;
    const QString folded = QString(QChar(char16_t(code))).normalized(QString::NormalizationForm_KC);
    if (folded.size() == 1 && folded[0].unicode() >= 0x3400)
        return folded[0].unicode();
    return code;
}

// One line of a bfrange or bfchar section with its radicals replaced; a linear range that
// holds one becomes an array, which the format allows within a range.
QByteArray mendLine(const QByteArray& line, const Radicals& radicals)
{
    static const QRegularExpression linear(
        QStringLiteral("^<([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})> <([0-9A-Fa-f]{4})>$"));
    const QRegularExpressionMatch m = linear.match(QString::fromLatin1(line));
    if (m.hasMatch()) {
        const uint first = m.captured(1).toUInt(nullptr, 16);
        const uint last = m.captured(2).toUInt(nullptr, 16);
        const uint code = m.captured(3).toUInt(nullptr, 16);
        bool changed = false;
        QByteArray array;
        for (uint g = first; g <= last && last - first < 256; ++g) {
            const uint c = ideograph(code + (g - first), radicals);
            changed = changed || c != code + (g - first);
            array += '<' + hex4(c) + "> ";
        }
        if (!changed)
            return line;
        return '<' + m.captured(1).toLatin1() + "> <" + m.captured(2).toLatin1() + "> [" + array +
               ']';
    }
    // bfchar lines and arrays: every 4-digit destination code after the first (or the first
    // two of a range) source codes.
    QByteArray out;
    qsizetype i = 0;
    int codes = 0;
    const int sources = line.contains('[') ? 2 : 1;
    while (i < line.size()) {
        if (line[i] == '<') {
            const qsizetype close = line.indexOf('>', i);
            if (close < 0)
                return line;
            QByteArray code = line.mid(i + 1, close - i - 1);
            if (codes++ >= sources && code.size() == 4) {
                bool ok = false;
                const uint value = code.toUInt(&ok, 16);
                if (ok)
                    code = hex4(ideograph(value, radicals));
            }
            out += '<' + code + '>';
            i = close + 1;
        } else {
            out += line[i++];
        }
    }
    return out;
}

QByteArray mendCMap(const QByteArray& cmap, const Radicals& radicals)
{
    QList<QByteArray> lines = cmap.split('\n');
    bool inside = false;
    for (QByteArray& line : lines) {
        if (line.endsWith("beginbfrange") || line.endsWith("beginbfchar")) {
            inside = true;
            continue;
        }
        if (line.startsWith("endbf")) {
            inside = false;
            continue;
        }
        if (inside)
            line = mendLine(line, radicals);
    }
    return lines.join('\n');
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 6);
}

} // namespace

namespace PdfFinish {

QHash<uint, uint> radicalIdeographs(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    QHash<uint, uint> map;
    if (!raw.isValid())
        return map;
    // The lowest unified ideograph of each glyph (the common block and extension A).
    QString ideographs;
    for (uint c = 0x3400; c <= 0x9FFF; ++c) {
        if (c < 0x4DC0 || c >= 0x4E00)
            ideographs += QChar(char16_t(c));
    }
    const QList<quint32> glyphs = raw.glyphIndexesForString(ideographs);
    QHash<quint32, uint> byGlyph;
    for (qsizetype i = 0; i < glyphs.size() && i < ideographs.size(); ++i) {
        if (glyphs[i] != 0 && !byGlyph.contains(glyphs[i]))
            byGlyph.insert(glyphs[i], ideographs[i].unicode());
    }
    QString radicals;
    for (uint c = FirstRadical; c <= LastRadical; ++c)
        radicals += QChar(char16_t(c));
    const QList<quint32> radicalGlyphs = raw.glyphIndexesForString(radicals);
    for (qsizetype i = 0; i < radicalGlyphs.size() && i < radicals.size(); ++i) {
        if (const auto it = byGlyph.constFind(radicalGlyphs[i]);
            radicalGlyphs[i] != 0 && it != byGlyph.constEnd())
            map.insert(radicals[i].unicode(), *it);
    }
    return map;
}

bool finish(QByteArray& pdf, QSizeF pageMm, const QHash<uint, uint>& radicals)
{
    // The cross-reference table Qt writes: one section of fixed 20-byte entries.
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    if (startxref < 0)
        return false;
    bool ok = false;
    const qsizetype xref =
        pdf.mid(startxref + 10, pdf.indexOf('\n', startxref + 10) - startxref - 10)
            .trimmed()
            .toLongLong(&ok);
    if (!ok || xref <= 0 || xref >= startxref || !pdf.mid(xref).startsWith("xref\n"))
        return false;
    const qsizetype header = pdf.indexOf('\n', xref + 5);
    const QList<QByteArray> counts = pdf.mid(xref + 5, header - xref - 5).split(' ');
    if (counts.size() != 2 || counts[0] != "0")
        return false;
    const qsizetype objects = counts[1].toLongLong(&ok);
    const qsizetype entries = header + 1;
    if (!ok || entries + objects * 20 > startxref)
        return false;

    std::vector<Edit> edits;
    // Media boxes: the exact size, the top edge where Qt put it.
    static const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QString text = QString::fromLatin1(pdf);
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const double height = m.captured(2).toDouble();
        const double wantWidth = pageMm.width() * 72.0 / 25.4;
        const double wantHeight = pageMm.height() * 72.0 / 25.4;
        edits.push_back({m.capturedStart(), m.capturedLength(),
                         "/MediaBox [0 " + number(height - wantHeight) + ' ' + number(wantWidth) +
                             ' ' + number(height) + ']'});
    }
    // ToUnicode maps: uncompressed streams that hold a CMap.
    static const QRegularExpression stream(QStringLiteral("<< /Length (\\d+) >>\\nstream\\n"));
    for (auto it = stream.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype length = m.captured(1).toLongLong();
        const qsizetype start = m.capturedEnd();
        if (start + length > pdf.size())
            continue;
        const QByteArray cmap = pdf.mid(start, length);
        if (!cmap.contains("begincmap"))
            continue;
        const QByteArray mended = mendCMap(cmap, radicals);
        if (mended == cmap)
            continue;
        edits.push_back(
            {m.capturedStart(), start + length - m.capturedStart(),
             "<< /Length " + QByteArray::number(mended.size()) + " >>\nstream\n" + mended});
    }
    if (edits.empty())
        return true;
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });

    auto moved = [&](qsizetype offset) {
        qsizetype delta = 0;
        for (const Edit& e : edits) {
            if (e.at < offset)
                delta += e.text.size() - e.length;
        }
        return offset + delta;
    };
    QByteArray table;
    for (qsizetype i = 0; i < objects; ++i) {
        QByteArray entry = pdf.mid(entries + i * 20, 20);
        if (entry.size() == 20 && entry[17] == 'n') {
            const qsizetype offset = entry.left(10).toLongLong(&ok);
            if (!ok)
                return false;
            entry.replace(0, 10, QByteArray::number(moved(offset)).rightJustified(10, '0'));
        }
        table += entry;
    }
    QByteArray out;
    out.reserve(pdf.size() + 4096);
    qsizetype from = 0;
    for (const Edit& e : edits) {
        if (e.at < from || e.at + e.length > xref)
            return false;
        out += pdf.mid(from, e.at - from);
        out += e.text;
        from = e.at + e.length;
    }
    out += pdf.mid(from, entries - from);
    out += table;
    out += pdf.mid(entries + objects * 20, startxref + 10 - (entries + objects * 20));
    out += QByteArray::number(moved(xref)) + "\n";
    out += pdf.mid(pdf.indexOf('\n', startxref + 10) + 1);
    pdf = out;
    return true;
}

} // namespace PdfFinish
