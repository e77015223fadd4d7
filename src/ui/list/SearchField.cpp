#include "SearchField.h"

#include "CAddressList.h"
#include "ListText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QToolBar>

SearchField::SearchField(CAddressList* list, QWidget* parent) : QLineEdit(parent), m_list(list)
{
    setObjectName(QStringLiteral("SearchField"));
    setPlaceholderText(ListText::SearchPlaceholder);
    setToolTip(ListText::SearchTip);
    setClearButtonEnabled(true);
    setMaximumWidth(fontMetrics().horizontalAdvance(QString(24, u'M')));
    setMinimumWidth(fontMetrics().horizontalAdvance(QString(12, u'M')));
    connect(this, &QLineEdit::textChanged, this, &SearchField::apply);
}

void SearchField::activate()
{
    if (auto* bar = qobject_cast<QToolBar*>(parentWidget()); bar && bar->isHidden())
        bar->show();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

QString SearchField::searchText() const
{
    if (m_preedit.isEmpty())
        return text();
    QString shown = text();
    shown.insert(cursorPosition(), m_preedit);
    return shown;
}

void SearchField::apply()
{
    m_list->setSearchText(searchText());
}

void SearchField::returnToList(bool selectFirst)
{
    if (selectFirst && m_list->GetSelectedCount() == 0 && m_list->model()->rowCount() > 0) {
        m_list->selectRow(0);
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

bool SearchField::event(QEvent* event)
{
    // Escape belongs to the field while it has the focus, whatever shortcut may claim it.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void SearchField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        clear();
        returnToList(false);
        return;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        returnToList(true);
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void SearchField::inputMethodEvent(QInputMethodEvent* event)
{
    QLineEdit::inputMethodEvent(event);
    // A commit changes the text, and textChanged filters; the kana still being composed count
    // as typed too.
    const QString preedit = event->preeditString();
    if (preedit == m_preedit)
        return;
    m_preedit = preedit;
    apply();
}

void SearchField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_list->prepareSearch();
}
