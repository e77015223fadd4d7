#include "PrintPdfMode.h"

#include "CommandLineText.h"
#include "ModeOptions.h"
#include "core/BookExport.h"
#include "core/CVOK_AddressDoc.h"
#include "model/book/ContactExtras.h"
#include "print/AddressPrinter.h"
#include "print/PrintRun.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"
#include "ui/print/PrintSetup.h"

#include <QDate>
#include <optional>

namespace {

using CommandLine::Result;

QByteArray message(const QString& text)
{
    return (CommandLineText::PrintPrefix + text).toUtf8();
}

Result failure(const QString& text, const QByteArray& before = {})
{
    return {1, {}, before + message(text)};
}

std::optional<int> layoutOf(const QString& name)
{
    if (name == QLatin1String("postcard"))
        return PrintSettings::Postcard;
    if (name == QLatin1String("label12"))
        return PrintSettings::Label12;
    if (name == QLatin1String("label24"))
        return PrintSettings::Label24;
    return std::nullopt;
}

} // namespace

namespace PrintPdfMode {

Result run(const QStringList& options)
{
    ModeOptions parsed;
    const QString fault =
        parsed.parse(options,
                     {QStringLiteral("--layout"), QStringLiteral("--group"),
                      QStringLiteral("--address"), QStringLiteral("--year")},
                     CommandLineText::PrintMissingFile,
                     {QStringLiteral("--only-send"), QStringLiteral("--returns")});
    if (!fault.isEmpty())
        return failure(fault);
    const QString& file = parsed.file;
    const std::optional<QString> layout = parsed.value(QStringLiteral("--layout"));
    const std::optional<QString> group = parsed.value(QStringLiteral("--group"));
    const QString address =
        parsed.value(QStringLiteral("--address")).value_or(QStringLiteral("home"));
    if (!layout)
        return failure(CommandLineText::MissingValue.arg(QStringLiteral("--layout")));
    const std::optional<int> chosen = layoutOf(*layout);
    if (!chosen)
        return failure(CommandLineText::PrintBadLayout.arg(*layout));
    if (address != QLatin1String("home") && address != QLatin1String("office"))
        return failure(CommandLineText::PrintBadAddress.arg(address));
    PrintRun::Choice choice;
    choice.kind = address == QLatin1String("office") ? AddressKind::Office : AddressKind::Home;
    const bool onlySend = parsed.flag(QStringLiteral("--only-send"));
    const bool returns = parsed.flag(QStringLiteral("--returns"));
    if (onlySend && returns)
        return failure(CommandLineText::PrintOnlyOneFilter);
    choice.filter = onlySend  ? PrintRun::Filter::OnlySend
                    : returns ? PrintRun::Filter::Returns
                              : PrintRun::Filter::Everyone;
    if (const std::optional<QString> year = parsed.value(QStringLiteral("--year"))) {
        bool ok = false;
        const int value = year->toInt(&ok);
        if (!ok || value < 2000 || value > 2100)
            return failure(CommandLineText::PrintBadYear.arg(*year));
        choice.year = value;
    } else if (onlySend || returns) {
        const QDate today = QDate::currentDate();
        choice.year = ContactExtras::nengaYear(today.year(), today.month());
    }

    CVOK_AddressDoc book;
    if (!book.LoadAddressFile())
        return failure(CommandLineText::BookUnreadable.arg(book.addressFilePath()));
    const QString name = group.value_or(CVOK_AddressDoc::RootName);
    const std::vector<const AddressRecord*> records = BookExport::ofGroup(book, name);
    if (records.empty() && !ModeOptions::groupNamed(name))
        return failure(CommandLineText::NoGroup.arg(name));
    const PrintRun run(records, choice);
    const QList<Addressee>& addressees = run.addressees();
    // Nobody is left out without a word: each by name, with the reason.
    Result result;
    if (!run.leftOut().isEmpty()) {
        result.err = message(CommandLineText::PrintLeftOut.arg(run.leftOut().size()));
        for (const PrintRun::Note& note : run.leftOut())
            result.err += CommandLineText::PrintNote.arg(note.name, note.reason).toUtf8();
    }
    if (!run.warnings().isEmpty()) {
        result.err += message(CommandLineText::PrintWarnings.arg(run.warnings().size()));
        for (const PrintRun::Note& note : run.warnings())
            result.err += CommandLineText::PrintNote.arg(note.name, note.reason).toUtf8();
    }
    if (addressees.isEmpty())
        return failure(CommandLineText::PrintNothing, result.err);

    PrintSettings settings = PrintSettings::load();
    settings.layout = *chosen;
    const PrintOptions printOptions = PrintSetup::options(settings);
    if (!AddressPrinter::writePdf(file, addressees, PrintSetup::sender(SenderSettings::load()),
                                  printOptions))
        return failure(CommandLineText::PrintFailed.arg(file), result.err);
    const int pages = AddressPrinter(printOptions, Sender()).pageCount(addressees.size());
    result.out = CommandLineText::PrintDone
                     .arg(file, QString::number(addressees.size()), QString::number(pages))
                     .toUtf8();
    return result;
}

} // namespace PrintPdfMode
