#include "trendtablemodel.h"

#include "qualitytables.h"

TrendTableModel::TrendTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void TrendTableModel::setResult(const QualityResult* result)
{
    beginResetModel();
    m_pResult = result;
    m_nRows = result ? QualityTables::trendRowCount(*result) : 0;
    endResetModel();
}

int TrendTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int TrendTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : QualityTables::trendHeader().size();
}

QVariant TrendTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_pResult || !index.isValid() || index.row() >= m_nRows)
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(
            index.column() == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    return QualityTables::trendRow(*m_pResult, index.row()).value(index.column());
}

QVariant TrendTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return QualityTables::trendHeader().value(section);
    return section + 1;
}
