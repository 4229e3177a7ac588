#ifndef QREPORTWIDGET_H
#define QREPORTWIDGET_H

#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>
#include <QWidget>

class QLabel;
class QStandardItemModel;
class QTableView;

// Statistics table: a title label above a two-column table ("型号", "数量")
// listing the count map in key order and then the extra rows in insertion
// order. Setters only store; updateTable() shows what is stored. Until the
// first updateTable() the view has no model, hence no headers. UI thread only.
class QReportWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QReportWidget)

public:
    explicit QReportWidget(QString title, QWidget* parent = nullptr);
    ~QReportWidget() override;

    // Empties the title, the extra rows and the count map.
    void clearReport();
    void setTitle(QString title);
    // Adds (name, value) after the map's rows; append false first removes
    // the extra rows added before.
    void addRow(QString name, int value, bool append);
    // Rebuilds label and table from the stored data.
    void updateTable();

    QString title() const { return m_Title; }
    QLabel* titleLabel() const { return m_TitleLabel; }
    QTableView* tableView() const { return m_TableView; }
    QStandardItemModel* model() const { return m_Model; }

public slots:
    // Replaces the count map with a copy of m_strMap.
    void SetData(QMap<QString, int>& m_strMap);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setViewModel(QStandardItemModel* model);

    QMap<QString, int> m_CountMap;
    QString m_Title;
    QVector<QPair<QString, int>> m_ExtraRows;
    QLabel* m_TitleLabel = nullptr; // child
    QTableView* m_TableView = nullptr; // child
    QStandardItemModel* m_Model = nullptr; // child, shown once updateTable() has run
};

#endif // QREPORTWIDGET_H
