#include "StartPictureModel.h"

#include "model/storage/StartPicture.h"

StartPictureModel::StartPictureModel(const StartPicture& picture, const QAbstractItemModel* headers,
                                     QObject* parent)
    : QAbstractTableModel(parent), m_headers(headers), m_total(int(picture.totalRows)),
      m_first(int(picture.firstRow)), m_columns(int(picture.widths.size())),
      m_icon(QStringLiteral(":/icons/row_envelope.svg"))
{
    m_rows.reserve(picture.rows.size());
    for (const auto& row : picture.rows) {
        QStringList& texts = m_rows.emplace_back();
        for (const std::string& cell : row)
            texts << QString::fromUtf8(cell.data(), qsizetype(cell.size()));
    }
}

int StartPictureModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_total;
}

int StartPictureModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant StartPictureModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row() - m_first;
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    if (role == Qt::DecorationRole && index.column() == 0)
        return m_icon;
    if (role != Qt::DisplayRole)
        return {};
    return m_rows[std::size_t(row)].value(index.column());
}

QVariant StartPictureModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_headers->headerData(section, orientation, role);
}

Qt::ItemFlags StartPictureModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
