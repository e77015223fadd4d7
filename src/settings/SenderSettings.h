#pragma once

#include <QString>

// The sender (差出人) printed on postcards, as the options sheet keeps it.
struct SenderSettings
{
    QString name;
    QString postalCode;
    QString address; // lines separated by "\n"

    static SenderSettings load();
    void save() const;
};
