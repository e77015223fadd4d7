#include "GroupLabelDelegate.h"

#include "GroupNameValidator.h"

#include <QLineEdit>

GroupLabelDelegate::GroupLabelDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* GroupLabelDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex&) const
{
    auto* edit = new QLineEdit(parent);
    edit->setFrame(true);
    edit->setValidator(new GroupNameValidator(edit));
    return edit;
}

void GroupLabelDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {}
