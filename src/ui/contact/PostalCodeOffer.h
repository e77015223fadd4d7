#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

class QLineEdit;
class QPlainTextEdit;

// When an empty address field gets the focus while the postal code beside it is filled, offers
// the addresses of that code to pick from: the desktop counterpart of handing the postal code to
// the input method for conversion.
class PostalCodeOffer : public QObject
{
    Q_OBJECT
public:
    PostalCodeOffer(QLineEdit* postalCode, QPlainTextEdit* address);

    // The open offer, if any.
    QMenu* menu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void offer();

    QLineEdit* m_postalCode;
    QPlainTextEdit* m_address;
    QPointer<QMenu> m_menu;
};
