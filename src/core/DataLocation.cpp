#include "DataLocation.h"

#include "model/io/AtomicFile.h"
#include "model/io/FileIo.h"
#include "model/storage/CompanionFile.h"
#include "model/storage/ContactDraft.h"
#include "model/storage/ReadingStore.h"
#include "model/sync/SyncState.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString decoded(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

namespace DataLocation {

QString addressFilePath()
{
    const QString fileName = QStringLiteral("Address.vok");
    const QString overrideDir = qEnvironmentVariable("VOK_ADDRESS_DIR");
    if (!overrideDir.isEmpty())
        return overrideDir + u'/' + fileName;
    const QString besideExe = QCoreApplication::applicationDirPath() + u'/' + fileName;
    if (QFileInfo::exists(besideExe))
        return besideExe;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VOK_Address/") + fileName;
}

QString readingsFilePath(const QString& bookPath)
{
    return QFileInfo(bookPath).absolutePath() + u'/' + QString::fromLatin1(ReadingStore::FileName);
}

QString guessCachePath()
{
    // The generic folder: the command line, which names no application, finds the same file.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/VOK_Address/GuessedReadings.txt");
}

QString startPicturePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/StartPicture");
}

QString compiledDictionaryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/VOK_Address/NameDictionary.bin");
}

QString companionFilePath(const QString& bookPath)
{
    return bookPath + QString::fromLatin1(CompanionFile::Suffix);
}

QString draftFilePath(const QString& bookPath)
{
    return bookPath + QLatin1String(ContactDraft::Suffix);
}

QString syncFilePath(const QString& bookPath)
{
    return decoded(SyncState::pathFor(local(bookPath)));
}

QString syncLogPath(const QString& bookPath)
{
    return QFileInfo(bookPath).absolutePath() + QStringLiteral("/SyncLog.txt");
}

QString lockFilePath(const QString& bookPath)
{
    // Saving replaces the file a link leads to, and so the lock goes beside that file.
    const QFileInfo book(bookPath);
    QString real = book.canonicalFilePath();
    if (real.isEmpty()) {
        const QString dir = QFileInfo(book.absolutePath()).canonicalFilePath();
        real = (dir.isEmpty() ? book.absolutePath() : dir) + u'/' + book.fileName();
    }
    const QFileInfo file(real);
    return file.absolutePath() + QStringLiteral("/.") + file.fileName() + QStringLiteral(".lock");
}

QStringList bookFiles(const QString& bookPath)
{
    const QStringList own = {bookPath, readingsFilePath(bookPath), companionFilePath(bookPath),
                             draftFilePath(bookPath), syncFilePath(bookPath)};
    QStringList files;
    for (const QString& file : own) {
        const std::string path = local(file);
        files << file << decoded(AtomicFile::backupPath(path))
              << decoded(AtomicFile::olderBackupPath(path));
    }
    files << lockFilePath(bookPath);
    return files;
}

bool isBookFile(const QString& bookPath, const QString& path)
{
    const std::string candidate = local(path);
    for (const QString& file : bookFiles(bookPath)) {
        if (FileIo::sameFile(local(file), candidate))
            return true;
    }
    return false;
}

} // namespace DataLocation
