#include "PrintPdfMode.h"

#include "CommandLineText.h"
#include "ModeOptions.h"
#include "core/BookExport.h"
#include "core/CVOK_AddressDoc.h"
#include "print/AddressPrinter.h"
#include "settings/PrintSettings.h"
#include "settings/SenderSettings.h"
#include "ui/print/PrintSetup.h"

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
    const QString fault = parsed.parse(
        options,
        {QStringLiteral("--layout"), QStringLiteral("--group"), QStringLiteral("--address")},
        CommandLineText::PrintMissingFile);
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

    CVOK_AddressDoc book;
    if (!book.LoadAddressFile())
        return failure(CommandLineText::BookUnreadable.arg(book.addressFilePath()));
    const QString name = group.value_or(CVOK_AddressDoc::RootName);
    const std::vector<const AddressRecord*> records = BookExport::ofGroup(book, name);
    if (records.empty() && !ModeOptions::groupNamed(name))
        return failure(CommandLineText::NoGroup.arg(name));
    int skipped = 0;
    const QList<Addressee> addressees = PrintSetup::addressees(
        records, address == QLatin1String("office") ? AddressKind::Office : AddressKind::Home,
        &skipped);
    Result result;
    if (skipped > 0)
        result.err = message(CommandLineText::PrintSkipped.arg(skipped));
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
