#include "ExportMode.h"

#include "CommandLineText.h"
#include "ModeOptions.h"
#include "core/BookExport.h"
#include "core/CVOK_AddressDoc.h"

#include <QFile>

namespace {

using CommandLine::Result;

Result failure(const QString& text)
{
    return {1, {}, (CommandLineText::ExportPrefix + text).toUtf8()};
}

} // namespace

namespace ExportMode {

Result run(const QStringList& options)
{
    ModeOptions parsed;
    const QString fault = parsed.parse(
        options, {QStringLiteral("--group"), QStringLiteral("--format")},
        CommandLineText::MissingFile);
    if (!fault.isEmpty())
        return failure(fault);
    std::optional<ExportFormat::Format> format;
    if (const std::optional<QString> name = parsed.value(QStringLiteral("--format"))) {
        format = ExportFormat::fromName(name->toStdString());
        if (!format)
            return failure(CommandLineText::ExportBadFormat.arg(*name));
    } else {
        format = ExportFormat::fromExtension(QFile::encodeName(parsed.file).toStdString());
        if (!format)
            return failure(CommandLineText::ExportNoFormat.arg(parsed.file));
    }

    CVOK_AddressDoc book;
    if (!book.LoadAddressFile())
        return failure(CommandLineText::BookUnreadable.arg(book.addressFilePath()));
    const QString group =
        parsed.value(QStringLiteral("--group")).value_or(CVOK_AddressDoc::RootName);
    if (!ModeOptions::groupExists(book, group))
        return failure(CommandLineText::NoGroup.arg(group));
    const std::vector<const AddressRecord*> records = BookExport::ofGroup(book, group);
    if (BookExport::write(book, parsed.file, *format, records) != FileIo::WriteStatus::Ok)
        return failure(CommandLineText::ExportFailed.arg(parsed.file));
    return {0,
            CommandLineText::ExportDone.arg(parsed.file, QString::number(records.size())).toUtf8(),
            {}};
}

} // namespace ExportMode
