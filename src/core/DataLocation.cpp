#include "DataLocation.h"

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

} // namespace DataLocation
