#pragma once

#include "data/Table.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

// Presents the visible records of a table to Qt's item views: one row per
// visible record in the table's order, one column per chosen field, cell text
// as the field's DisplayText. It follows the table's signals, so while the
// table's controls are disabled the view keeps what it showed and catches up
// when they are enabled again.
class TTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        QString Field;
        QString Title;
        Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
        Qt::Alignment TitleAlignment = Qt::AlignCenter;
    };

    TTableModel(TTable* table, QVector<Column> columns, QObject* parent = nullptr);

    TTable* Table() const { return m_table; }
    const QVector<Column>& Columns() const { return m_columns; }
    // The table field index behind a model column (-1 when out of range).
    int FieldIndex(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void Reset();

    QPointer<TTable> m_table;
    QVector<Column> m_columns;
    QVector<int> m_fieldIndexes;
    int m_rowCount = 0; // the row count the view was last told about
};
