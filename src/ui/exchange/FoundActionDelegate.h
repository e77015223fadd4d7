#pragma once

#include <QStyledItemDelegate>

// The choice of what becomes of a contact the book seems to hold already, in the column of
// the found contacts' list. A list of thousands of such contacts comes at once: the row holds
// its choice as data, and the box to change it exists only while it is used.
class FoundActionDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The chosen BookImport::Duplicate (int), and the texts offered for it (QStringList).
    static constexpr int ActionRole = Qt::UserRole;
    static constexpr int ChoicesRole = Qt::UserRole + 1;

    explicit FoundActionDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static bool holdsChoice(const QModelIndex& index);

    mutable QSize m_boxSize; // of a box with the longest choice, measured once
};
