#ifndef TRENDTABLEMODEL_H
#define TRENDTABLEMODEL_H

#include "qualityanalysis.h"

#include <QAbstractTableModel>

// The trend table over a result: cells are made when shown, so a year of
// hours (almost 9000 rows) fills without a pause. UI thread only.
class TrendTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TrendTableModel(QObject* parent = nullptr);

    void setResult(const QualityResult* result);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const QualityResult* m_pResult = nullptr;
    int m_nRows = 0;
};

#endif // TRENDTABLEMODEL_H
