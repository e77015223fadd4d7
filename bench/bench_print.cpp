// 1,000 postcards to PDF, every other one with 連名 (one to three more names), beside the same
// pages written as plain horizontal text, and the same addressees on label sheets.
#include "AddressBookGenerator.h"
#include "BenchUtil.h"
#include "model/book/AddressRecord.h"
#include "print/AddressPrinter.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

namespace {

// The reference: one QPainter::drawText per field of each card, horizontal, no layout.
bool writePlainPdf(const QString& path, const QList<Addressee>& addressees, const QString& family)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Postcard));
    writer.setPageMargins(QMarginsF());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont font(family);
    font.setPixelSize(writer.resolution() / 6);
    painter.setFont(font);
    const int line = writer.resolution() / 4;
    for (qsizetype i = 0; i < addressees.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const Addressee& a = addressees[i];
        int y = line;
        QStringList texts{a.postalCode, a.address, a.company, a.name};
        for (const Addressee::Joint& joint : a.jointNames)
            texts << joint.name;
        for (const QString& text : texts) {
            painter.drawText(line, y += line, text);
        }
    }
    return painter.end();
}

double megabytes(const QString& path)
{
    return double(QFileInfo(path).size()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    constexpr int count = 1000;
    AddressBookGenerator generator;
    QList<Addressee> addressees;
    for (int i = 0; i < count; ++i) {
        const auto record = generator.makeRecord();
        const bool office = i % 2 && !record->company().empty();
        Addressee a =
            Addressee::fromRecord(*record, office ? AddressKind::Office : AddressKind::Home);
        static const QString given[] = {QStringLiteral("花子"), QStringLiteral("健太"),
                                        QStringLiteral("美咲")};
        for (int j = 0; i % 2 == 0 && j < i % 3 + 1; ++j)
            a.jointNames.append({given[j], QStringLiteral("様")});
        addressees << a;
    }
    const Sender sender{QStringLiteral("鈴木 一郎"), QStringLiteral("231-0062"),
                        QStringLiteral("神奈川県横浜市中区桜木町1-1-105")};
    const QString dir = QString::fromStdString(Bench::scratchDir());
    const QString postcards = dir + QStringLiteral("/postcards.pdf");
    const QString plain = dir + QStringLiteral("/plain.pdf");
    const QString labels = dir + QStringLiteral("/labels.pdf");
    PrintOptions options;

    bool ok = true;
    const double postcardTime = Bench::best(
        3, [&] { ok = AddressPrinter::writePdf(postcards, addressees, sender, options) && ok; });
    const double plainTime =
        Bench::best(3, [&] { ok = writePlainPdf(plain, addressees, options.fontFamily) && ok; });
    options.layout = PrintLayout::Label12;
    const double labelTime = Bench::best(
        3, [&] { ok = AddressPrinter::writePdf(labels, addressees, sender, options) && ok; });
    if (!ok)
        std::fprintf(stderr, "a PDF could not be written\n");

    std::printf("%d addressees to PDF (best of 3)\n", count);
    std::printf("postcards     %.3f s %6.2f MB  (連名 on half; goals < 5 s: %s, < 5 MB: %s)\n",
                postcardTime, megabytes(postcards), Bench::verdict(postcardTime < 5),
                Bench::verdict(megabytes(postcards) < 5));
    std::printf("plain text    %.3f s %6.2f MB  (reference: the same pages, horizontal, "
                "one call a field)\n",
                plainTime, megabytes(plain));
    std::printf("postcards / plain: time %.2fx, size %.2fx\n", postcardTime / plainTime,
                megabytes(postcards) / megabytes(plain));
    std::printf("label sheets  %.3f s %6.2f MB  (%d sheets of 12)\n", labelTime, megabytes(labels),
                (count + 11) / 12);

    for (const QString& f : {postcards, plain, labels})
        QFile::remove(f);
    ::rmdir(dir.toLocal8Bit().constData());
    return ok ? 0 : 1;
}
