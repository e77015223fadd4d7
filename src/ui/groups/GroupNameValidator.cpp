#include "GroupNameValidator.h"

#include "core/Text.h"

GroupNameValidator::GroupNameValidator(QObject* parent) : QValidator(parent) {}

QValidator::State GroupNameValidator::validate(QString& input, int&) const
{
    const long bytes = Text::cp932Length(input);
    if (bytes < 0 || bytes > MaxBytes)
        return Invalid;
    return Acceptable;
}
