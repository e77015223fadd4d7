#include "PostalCodeOffer.h"

#include "ui/common/PostalCodeDictionary.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

PostalCodeOffer::PostalCodeOffer(QLineEdit* postalCode, QPlainTextEdit* address)
    : QObject(address), m_postalCode(postalCode), m_address(address)
{
    address->installEventFilter(this);
}

bool PostalCodeOffer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_address && event->type() == QEvent::FocusIn) {
        // Coming back from the offer itself or from another window is no new arrival.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            offer();
    }
    return QObject::eventFilter(watched, event);
}

void PostalCodeOffer::offer()
{
    if (m_menu || !m_address->toPlainText().isEmpty() || m_postalCode->text().isEmpty())
        return;
    const QStringList addresses = PostalCodeDictionary::instance().lookup(m_postalCode->text());
    if (addresses.isEmpty())
        return;
    auto* menu = new QMenu(m_address);
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    for (const QString& address : addresses) {
        menu->addAction(address, m_address, [edit = m_address, address] {
            if (edit->toPlainText().isEmpty())
                edit->insertPlainText(address);
        });
    }
    m_menu = menu;
    menu->popup(m_address->mapToGlobal(m_address->cursorRect().bottomLeft()));
    menu->setActiveAction(menu->actions().constFirst());
}
