#include "PostalCodeOffer.h"

#include "model/text/PostalCode.h"
#include "ui/common/PostalCodeDictionary.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>

namespace {

constexpr int kMaxRowsShown = 8;

} // namespace

PostalCodeOffer::PostalCodeOffer(QLineEdit* postalCode, QPlainTextEdit* address)
    : QObject(address), m_postalCode(postalCode), m_address(address),
      m_list(new QListWidget(address))
{
    // A window of its own that the desktop never activates, so the keyboard stays with the field.
    m_list->setWindowFlags(Qt::ToolTip | Qt::WindowDoesNotAcceptFocus);
    m_list->setAttribute(Qt::WA_ShowWithoutActivating);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { take(m_list->row(item)); });
    address->installEventFilter(this);
    // 〒, full-width digits or no hyphen: the code as the book and the postcards want it.
    connect(postalCode, &QLineEdit::editingFinished, this, [postalCode] {
        const std::string text = postalCode->text().toStdString();
        const std::string code = PostalCode::normalized(text);
        if (code != text)
            postalCode->setText(QString::fromStdString(code));
    });
}

bool PostalCodeOffer::isOpen() const
{
    return m_list->isVisible();
}

bool PostalCodeOffer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_address)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // Coming back from another window is no new arrival.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            offer();
        break;
    }
    case QEvent::FocusOut:
        close();
        break;
    case QEvent::InputMethod: {
        // The user composes text of his own. An input method that is on also sends an empty
        // event as the field gets the focus (it resets its composition): that is no typing.
        const auto* im = static_cast<QInputMethodEvent*>(event);
        if (!im->preeditString().isEmpty() || !im->commitString().isEmpty() ||
            im->replacementLength() != 0)
            close();
        break;
    }
    case QEvent::KeyPress:
        if (isOpen())
            return keyWhileOpen(static_cast<QKeyEvent*>(event)->key());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool PostalCodeOffer::keyWhileOpen(int key)
{
    const int row = m_list->currentRow();
    switch (key) {
    case Qt::Key_Down:
        m_list->setCurrentRow(qMin(row + 1, m_list->count() - 1));
        return true;
    case Qt::Key_Up:
        m_list->setCurrentRow(qMax(row - 1, 0));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        take(row);
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        // Typing goes on into the field; the offer has had its chance.
        close();
        return false;
    }
}

void PostalCodeOffer::offer()
{
    if (isOpen() || !m_address->toPlainText().isEmpty() || m_postalCode->text().isEmpty())
        return;
    const QStringList addresses = PostalCodeDictionary::instance().lookup(m_postalCode->text());
    if (addresses.isEmpty())
        return;
    m_list->clear();
    m_list->addItems(addresses);
    m_list->setCurrentRow(0);
    const int frame = 2 * m_list->frameWidth();
    const int rows = qMin<int>(kMaxRowsShown, static_cast<int>(addresses.size()));
    const int width = qMax(m_address->width(), m_list->sizeHintForColumn(0) + frame +
                                                   m_list->verticalScrollBar()->sizeHint().width());
    m_list->resize(width, rows * m_list->sizeHintForRow(0) + frame);
    QPoint at = m_address->mapToGlobal(m_address->cursorRect().bottomLeft());
    if (const QScreen* screen = m_address->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - m_list->width())));
        if (at.y() + m_list->height() > area.bottom()) // no room below: above the field
            at.setY(m_address->mapToGlobal(QPoint(0, 0)).y() - m_list->height());
    }
    m_list->move(at);
    m_list->show();
}

void PostalCodeOffer::take(int row)
{
    QListWidgetItem* item = m_list->item(row);
    const QString address = item ? item->text() : QString();
    close();
    if (!address.isEmpty() && m_address->toPlainText().isEmpty())
        m_address->insertPlainText(address);
}

void PostalCodeOffer::close()
{
    m_list->hide();
}
