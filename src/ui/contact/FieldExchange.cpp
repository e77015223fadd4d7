#include "FieldExchange.h"

#include "ContactText.h"
#include "ui/common/ByteLimitValidator.h"

#include <QApplication>
#include <QLabel>

bool FieldExchange::store(std::initializer_list<Binding> fields, QWidget*& failedField,
                          QString& message)
{
    for (const auto& [field, member, whole] : fields) {
        std::string bytes;
        switch (field->store(bytes, whole)) {
        case ContactField::Status::Ok:
            *member = std::move(bytes);
            continue;
        case ContactField::Status::TooLong:
            message = ContactText::TooLong.arg(field->maxBytes());
            break;
        case ContactField::Status::Unmappable:
            message = ContactText::Unmappable;
            break;
        }
        failedField = field->widget();
        return false;
    }
    return true;
}

void FieldExchange::storeEach(std::initializer_list<Binding> fields)
{
    for (const auto& [field, member, whole] : fields) {
        std::string bytes;
        if (field->store(bytes, whole) == ContactField::Status::Ok)
            *member = std::move(bytes);
    }
}

void FieldExchange::showHints(std::initializer_list<const ContactField*> fields, QLabel* hint)
{
    for (const ContactField* field : fields)
        QObject::connect(field->validator(), &ByteLimitValidator::refused, hint, &QLabel::setText);
    // The hint is about the field being typed in; it goes when the user moves on.
    QObject::connect(qApp, &QApplication::focusChanged, hint, [hint] { hint->clear(); });
}
