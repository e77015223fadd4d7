#include "MatchReasons.h"

#include "ImportExportText.h"

#include <QStringList>

namespace MatchReasons {

QString text(unsigned reasons)
{
    QStringList words;
    for (qsizetype i = 0; i < ImportExportText::Reasons.size(); ++i) {
        if (reasons & (1u << i))
            words << ImportExportText::Reasons[i];
    }
    return words.join(ImportExportText::ReasonSeparator);
}

QString confidence(int confidence)
{
    return ImportExportText::Confidences.value(confidence - 1);
}

} // namespace MatchReasons
