#pragma once

#include <QObject>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// When an empty address field gets the focus while the postal code beside it is filled, offers
// the addresses of that code to pick from: the desktop counterpart of handing the postal code to
// the input method for conversion.
//
// The offer is a list under the cursor that never takes the keyboard: the address field keeps
// the focus and its input method. Up and Down choose, Return or a click takes the address,
// Escape closes the list; anything else the user types closes it and goes into the field.
class PostalCodeOffer : public QObject
{
    Q_OBJECT
public:
    PostalCodeOffer(QLineEdit* postalCode, QPlainTextEdit* address);

    bool isOpen() const;
    // The offered addresses; shown only while the offer is open.
    QListWidget* list() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void offer();
    void take(int row);
    void close();
    bool keyWhileOpen(int key);

    QLineEdit* m_postalCode;
    QPlainTextEdit* m_address;
    QListWidget* m_list;
};
