#include "FoundActionDelegate.h"

#include <QComboBox>

FoundActionDelegate::FoundActionDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

bool FoundActionDelegate::holdsChoice(const QModelIndex& index)
{
    return index.data(ChoicesRole).isValid();
}

QWidget* FoundActionDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const
{
    if (!holdsChoice(index))
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* box = new QComboBox(parent);
    box->addItems(index.data(ChoicesRole).toStringList());
    // Every change counts at once: the box may go when another row becomes current.
    connect(box, &QComboBox::currentIndexChanged, this,
            [this, box] { emit const_cast<FoundActionDelegate*>(this)->commitData(box); });
    return box;
}

void FoundActionDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = qobject_cast<QComboBox*>(editor);
    if (!box || !holdsChoice(index))
        return QStyledItemDelegate::setEditorData(editor, index);
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index.data(ActionRole).toInt());
}

void FoundActionDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const
{
    auto* box = qobject_cast<QComboBox*>(editor);
    if (!box || !holdsChoice(index))
        return QStyledItemDelegate::setModelData(editor, model, index);
    model->setData(index, box->currentIndex(), ActionRole);
    model->setData(index, box->currentText(), Qt::DisplayRole);
}

QSize FoundActionDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!holdsChoice(index))
        return size;
    // Wide and high enough for the box whichever row shows it.
    if (!m_boxSize.isValid()) {
        QComboBox box;
        box.addItems(index.data(ChoicesRole).toStringList());
        m_boxSize = box.sizeHint();
    }
    return size.expandedTo(m_boxSize);
}
