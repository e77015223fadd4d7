#pragma once

#include "ContactField.h"

#include <QString>
#include <initializer_list>
#include <string>
#include <utility>

class QLabel;

// The exchange of a page's fields with its members, in the page's own order: the first refused
// value stops it, as the order decides which of several bad values the user hears about.
class FieldExchange
{
public:
    struct Binding
    {
        const ContactField* field;
        std::string* bytes;
        QString* whole = nullptr; // the whole text, for fields that keep one
    };

    static bool store(std::initializer_list<Binding> fields, QWidget*& failedField,
                      QString& message);
    // Every value that can be stored, whatever the others hold; a refused one keeps its member.
    static void storeEach(std::initializer_list<Binding> fields);
    // Shows each validator's refusals in the page's hint line.
    static void showHints(std::initializer_list<const ContactField*> fields, QLabel* hint);
};
