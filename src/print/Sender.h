#pragma once

#include <QString>

// The sender (差出人) printed at the lower left of each postcard.
struct Sender
{
    QString name;
    QString postalCode;
    QString address; // may hold line breaks

    bool isEmpty() const { return name.isEmpty() && postalCode.isEmpty() && address.isEmpty(); }
};
