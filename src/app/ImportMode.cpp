#include "ImportMode.h"

#include "CMainFrame.h"
#include "CommandLineText.h"
#include "InstanceRequest.h"
#include "ModeOptions.h"
#include "SingleInstance.h"
#include "core/BookImport.h"
#include "core/CVOK_AddressDoc.h"
#include "core/DataLocation.h"
#include "core/Text.h"
#include "model/storage/AddressFile.h"

#include <QFileInfo>
#include <cstring>

namespace {

using CommandLine::Result;

// A copy that is starting listens once its window exists.
constexpr int kConnectWaitMs = 5000;
// A large file takes the running copy a while.
constexpr int kAnswerWaitMs = 10 * 60 * 1000;

QByteArray message(const QString& text)
{
    return (CommandLineText::ImportPrefix + text).toUtf8();
}

Result failure(const QString& text)
{
    return {1, {}, message(text)};
}

bool usableGroup(const QString& group)
{
    const std::optional<std::string> bytes = Text::toCp932(group);
    return bytes && !bytes->empty() && !CVOK_AddressDoc::isRootName(group) &&
           bytes->size() < AddressRecord::SlotWidth[AddressRecord::Group];
}

} // namespace

namespace ImportMode {

Result importInto(CVOK_AddressDoc& book, const QString& path, const QString& group)
{
    if (book.loadFailed())
        return failure(CommandLineText::BookUnreadable.arg(book.addressFilePath()));
    if (!group.isEmpty() && !usableGroup(group))
        return failure(CommandLineText::ImportBadGroup.arg(group));
    BookImport import(book);
    switch (import.load(path)) {
    case BookImport::Kind::Unreadable:
        return failure(CommandLineText::ImportUnreadable.arg(path));
    case BookImport::Kind::NotText:
        return failure(CommandLineText::ImportNotAddressBook.arg(path));
    default:
        break;
    }
    if (!group.isEmpty())
        import.putAllInto(group);
    import.read();
    const std::size_t added = import.add();
    const QStringList created = import.createGroups(import.missingGroups());

    Result result;
    for (const BookImport::FieldNote& n : import.replaced())
        result.err += message(
            CommandLineText::ImportReplaced.arg(n.contact, n.field, Text::visible(n.detail)));
    for (const BookImport::FieldNote& n : import.cut())
        result.err += message(CommandLineText::ImportCut.arg(n.contact, n.field));
    for (const BookImport::LineNote& n : import.refused())
        result.err += message(CommandLineText::ImportRefused.arg(n.line).arg(n.reason));
    for (const BookImport::UnreadNote& n : import.unread())
        result.err +=
            message((n.joined ? CommandLineText::ImportUnreadJoined : CommandLineText::ImportUnread)
                        .arg(n.line)
                        .arg(n.text));
    for (const BookImport::FieldNote& n : import.inMemo())
        result.err += message(CommandLineText::ImportInMemo.arg(
            n.contact, QString(n.detail).replace(u'\n', QStringLiteral(" / "))));
    // Contacts the book holds already are no failure: a second import of a file changes nothing.
    const std::size_t already = import.unchanged() + import.merged() + import.updated();
    if (already > 0)
        result.err += message(CommandLineText::ImportAlreadyIn.arg(already)
                                  .arg(import.merged())
                                  .arg(import.updated()));
    if (import.photosSkipped() > 0)
        result.err += message(CommandLineText::ImportPhotos.arg(import.photosSkipped()));
    if (added == 0 && already == 0) {
        result.status = 1;
        result.err += message(CommandLineText::ImportNothing);
        return result;
    }
    result.out = CommandLineText::ImportDone.arg(path, QString::number(added)).toUtf8();
    if (!created.isEmpty())
        result.out +=
            CommandLineText::ImportGroupsCreated.arg(created.join(QStringLiteral(", "))).toUtf8();
    return result;
}

Result run(const QStringList& options)
{
    ModeOptions parsed;
    const QString fault =
        parsed.parse(options, {QStringLiteral("--group")}, CommandLineText::MissingFile);
    if (!fault.isEmpty())
        return failure(fault);
    const InstanceRequest::Import request{
        QFileInfo(parsed.file).absoluteFilePath(),
        parsed.value(QStringLiteral("--group")).value_or(QString())};

    // The lock keeps a copy from starting with the old book while the file is being imported.
    const QString bookPath = DataLocation::addressFilePath();
    SingleInstance instance(bookPath);
    if (!instance.tryLock()) {
        if (instance.outcome() == SingleInstance::Refused)
            return failure(CommandLineText::LockRefused.arg(
                instance.lockPath(), QString::fromLocal8Bit(std::strerror(instance.error()))));
        const QString server = instance.holderServerPath();
        const std::optional<QByteArray> answer =
            server.isEmpty() ? std::nullopt
                             : InstanceRequest::ask(server, InstanceRequest::importLine(request),
                                                    kConnectWaitMs, kAnswerWaitMs);
        const std::optional<Result> result =
            answer ? InstanceRequest::parseAnswer(*answer) : std::nullopt;
        return result ? *result : failure(CommandLineText::ImportNoAnswer);
    }
    CVOK_AddressDoc book;
    if (!book.LoadAddressFile(bookPath))
        return failure(CommandLineText::BookUnreadable.arg(book.addressFilePath()));
    Result result = importInto(book, request.path, request.group);
    if (result.status == 0 && !book.SaveAddressFile()) {
        result.status = 1;
        result.err += message(CommandLineText::ImportNotSaved.arg(book.addressFilePath()));
    }
    return result;
}

std::optional<QByteArray> answer(CMainFrame& frame, const QByteArray& line)
{
    const std::optional<InstanceRequest::Import> request = InstanceRequest::parseImport(line);
    if (!request)
        return std::nullopt;
    if (frame.isExiting())
        return InstanceRequest::answerLine(failure(CommandLineText::ImportEnding));
    Result result = importInto(*frame.document(), request->path, request->group);
    if (result.status == 0) {
        result.out += CommandLineText::ImportIntoRunning.toUtf8();
        // Saved now: a script that goes on to read the book finds the contacts there.
        if (!frame.SaveAddressFile()) {
            result.status = 1;
            result.err +=
                message(CommandLineText::ImportNotSaved.arg(frame.document()->addressFilePath()));
        }
    }
    return InstanceRequest::answerLine(result);
}

} // namespace ImportMode
