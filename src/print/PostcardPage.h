#pragma once

#include "Addressee.h"
#include "PrintOptions.h"
#include "ScaledFont.h"
#include "Sender.h"

#include <QRectF>
#include <QSizeF>
#include <QStringList>

class QPainter;

// The address side of a standard Japanese postcard, written vertically: the recipient's postal
// code in the printed boxes at the top right, the address in one or two lines down the right,
// the name large in the middle, the sender at the lower left above its own small boxes.
class PostcardPage
{
public:
    static constexpr QSizeF SizeMm{100.0, 148.0};
    static constexpr int Digits = 7;

    // The printed boxes, inside their lines, in millimetres from the card's top left corner.
    static QRectF recipientBox(int digit);
    static QRectF senderBox(int digit);

    PostcardPage(const PrintOptions& options, const Sender& sender);

    // Draws one card. The painter works in millimetres, its origin at the card's top left.
    void draw(QPainter& painter, const Addressee& addressee) const;
    // Whether the card's address would have to be set below the minimum size to fit.
    bool belowMinimum(const Addressee& addressee) const;

private:
    QStringList addressLines(const Addressee& addressee) const;
    qreal addressSize(const Addressee& addressee) const;
    // The names side by side (連名) between `left` and `right`, the title small above the first.
    void drawNames(QPainter& painter, const QList<Addressee::PrintedName>& names,
                   const QString& title, qreal left, qreal right) const;
    void drawBoxes(QPainter& painter) const;
    void drawPostalCode(QPainter& painter, const QString& code, bool sender) const;
    void drawSender(QPainter& painter) const;

    PrintOptions m_options;
    ScaledFont m_font;
    QString m_senderPostalCode;
    QStringList m_senderAddress; // its vertical lines, made once for every card
    QString m_senderName;
};
