#include "ShownCountLabel.h"

#include "ListText.h"

#include <QAbstractItemModel>
#include <QLocale>

ShownCountLabel::ShownCountLabel(QAbstractItemModel* rows, QWidget* parent)
    : QLabel(parent), m_rows(rows)
{
    setObjectName(QStringLiteral("ShownCount"));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(rows, changed, this, &ShownCountLabel::showCount);
    connect(rows, &QAbstractItemModel::modelReset, this, &ShownCountLabel::showCount);
    showCount();
}

void ShownCountLabel::showCount()
{
    showNumber(m_rows->rowCount());
}

void ShownCountLabel::showPending(qsizetype total)
{
    if (total < 0)
        clear();
    else
        showNumber(total);
}

void ShownCountLabel::showNumber(qsizetype count)
{
    // Digits grouped as Japanese readers write them: 12,345件.
    setText(ListText::ShownCount.arg(QLocale(QLocale::Japanese).toString(count)));
}
