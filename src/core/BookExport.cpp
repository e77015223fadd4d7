#include "BookExport.h"

#include "CVOK_AddressDoc.h"
#include "Text.h"
#include "model/book/RecordSelection.h"

#include <QFile>

namespace BookExport {

std::vector<const AddressRecord*> ofGroup(const CVOK_AddressDoc& doc, const QString& group)
{
    const std::optional<std::string> bytes = Text::toCp932(group);
    if (!bytes)
        return {};
    return RecordSelection::ofGroup(doc.records(), *bytes);
}

FileIo::WriteStatus write(const CVOK_AddressDoc& doc, const QString& path,
                          ExportFormat::Format format,
                          std::span<const AddressRecord* const> records)
{
    return ExportFormat::write(QFile::encodeName(path).toStdString(), format, records,
                               [&doc](const AddressRecord& record) {
                                   return std::string(doc.storedReading(record.name()));
                               });
}

} // namespace BookExport
