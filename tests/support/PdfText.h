#pragma once

// What a written PDF holds, read back with poppler-utils (pdfinfo, pdftotext).

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace PdfText {

inline QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline bool havePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

// The text without the white space that extraction puts between glyphs, in compatibility form:
// Qt names each glyph by the lowest code point the font gives it, so 一 and 田 come back as the
// Kangxi radicals ⼀ and ⽥, which fold back to them.
inline QString folded(const QString& text)
{
    QString out = text.normalized(QString::NormalizationForm_KC);
    out.remove(QRegularExpression(QStringLiteral("\\s")));
    return out;
}

// The file's text in reading order, folded.
inline QString text(const QString& path)
{
    return folded(run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, "-"}));
}

// The number of pages pdfinfo reports, -1 when it reports none.
inline int pageCount(const QString& path)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)\\n"))
                                          .match(run(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace PdfText
