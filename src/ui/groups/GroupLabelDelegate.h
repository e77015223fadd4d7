#pragma once

#include <QStyledItemDelegate>

// The label editor of the group tree: a line edit held to the group name's byte limit. The
// text is never written into the item here; the tree decides at the end of the edit.
class GroupLabelDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit GroupLabelDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};
