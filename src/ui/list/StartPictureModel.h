#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <vector>

struct StartPicture;

// The rows a start shows before the book is read: the texts of the rows the list showed at the
// last exit, at their places among as many rows as it held (the others blank), so that the
// scroll bar and position are those the user left. Headers come from the real list's model.
class StartPictureModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    StartPictureModel(const StartPicture& picture, const QAbstractItemModel* headers,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const QAbstractItemModel* m_headers;
    int m_total;
    int m_first;
    int m_columns;
    std::vector<QStringList> m_rows;
    QIcon m_icon; // a start's rows are all unmarked
};
