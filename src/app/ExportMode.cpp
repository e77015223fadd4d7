#include "ExportMode.h"

#include "CommandLineText.h"
#include "ModeOptions.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/ExportFormat.h"
#include "core/Text.h"
#include "model/book/ContactExtras.h"
#include "model/book/GroupName.h"
#include "model/book/RecordFingerprint.h"
#include "model/storage/AddressFileReader.h"
#include "model/storage/CompanionLookup.h"
#include "model/storage/ReadingStore.h"

#include <QFile>

namespace {

using CommandLine::Result;

Result failure(const QString& text)
{
    return {1, {}, (CommandLineText::ExportPrefix + text).toUtf8()};
}

std::string encoded(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

namespace ExportMode {

Result run(const QStringList& options)
{
    ModeOptions parsed;
    const QString fault =
        parsed.parse(options, {QStringLiteral("--group"), QStringLiteral("--format")},
                     CommandLineText::MissingFile);
    if (!fault.isEmpty())
        return failure(fault);
    // Writing onto the book, or a file of its own, would replace it with the export.
    const QString bookPath = DataLocation::addressFilePath();
    if (DataLocation::isBookFile(bookPath, parsed.file))
        return failure(CommandLineText::ExportOntoBook.arg(parsed.file));
    std::optional<ExportFormat::Format> format;
    if (const std::optional<QString> name = parsed.value(QStringLiteral("--format"))) {
        format = ExportFormat::fromName(name->toStdString());
        if (!format)
            return failure(CommandLineText::ExportBadFormat.arg(*name));
    } else {
        format = ExportFormat::fromExtension(encoded(parsed.file));
        if (!format)
            return failure(CommandLineText::ExportNoFormat.arg(parsed.file));
    }
    const QString group =
        parsed.value(QStringLiteral("--group")).value_or(CVOK_AddressDoc::RootName);
    const std::optional<std::string> groupBytes = Text::toCp932(group);
    if (!groupBytes)
        return failure(CommandLineText::NoGroup.arg(group));
    const bool everyone = CVOK_AddressDoc::isRootName(group);

    // The saved book streams from its file to the export, one contact at a time: a large book
    // is never whole in memory, and the running copy's files are only read.
    ReadingStore readings;
    readings.Load(encoded(DataLocation::readingsFilePath(bookPath)));
    const auto inGroup = [&](const AddressRecord& record) {
        return everyone || GroupName::equals(record.group(), *groupBytes);
    };
    AddressFileReader reader(encoded(bookPath));
    if (reader.status() == AddressFile::Status::ReadError)
        return failure(CommandLineText::BookUnreadable.arg(bookPath));
    if (!ModeOptions::groupNamed(group)) {
        // A group that only contacts bear: refused before the file is touched when none does.
        AddressFileReader scan(encoded(bookPath));
        const AddressRecord* record = nullptr;
        while ((record = scan.next()) && !inGroup(*record)) {
        }
        if (!record)
            return failure(CommandLineText::NoGroup.arg(group));
    }
    // Identities and extras come from the companion file, matched by fingerprint; the extras
    // of the contacts written only.
    CompanionLookup companion(encoded(DataLocation::companionFilePath(bookPath)));
    const bool noCompanion = companion.entries().empty();
    std::size_t index = 0;
    AddressRecord current;
    std::size_t written = 0;
    const FileIo::WriteStatus status = ExportFormat::writeEach(
        encoded(parsed.file), *format,
        [&]() -> const AddressRecord* {
            while (const AddressRecord* record = reader.next()) {
                // Without entries no fingerprint is worth its hashing.
                const CompanionFile::Place* entry =
                    noCompanion ? nullptr : companion.find(index, RecordFingerprint::of(*record));
                ++index;
                if (!inGroup(*record))
                    continue;
                ++written;
                current = *record;
                current.setUid(entry ? entry->uid : ContactUid());
                current.setExtras(entry ? CompanionLookup::extras(*entry) : nullptr);
                return &current;
            }
            return nullptr;
        },
        [&readings](const AddressRecord& record) {
            return std::string(readings.reading(record.name()));
        },
        // A part of the book is no export of it: the file that stood there stays.
        [&reader] { return reader.status() != AddressFile::Status::ReadError; });
    if (reader.status() == AddressFile::Status::ReadError)
        return failure(CommandLineText::BookUnreadable.arg(bookPath));
    if (status != FileIo::WriteStatus::Ok)
        return failure(CommandLineText::ExportFailed.arg(parsed.file));
    return {0, CommandLineText::ExportDone.arg(parsed.file, QString::number(written)).toUtf8(), {}};
}

} // namespace ExportMode
