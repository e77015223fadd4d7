#include "DataLocation.h"

#include "model/storage/CompanionFile.h"
#include "model/storage/ReadingStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

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

QString companionFilePath(const QString& bookPath)
{
    return bookPath + QString::fromLatin1(CompanionFile::Suffix);
}

} // namespace DataLocation
