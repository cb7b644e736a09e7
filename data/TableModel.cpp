#include "data/TableModel.h"

#include "core/Errors.h"

TTableModel::TTableModel(TTable* table, QVector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_columns(std::move(columns))
{
    Reset();
    if (!table)
        return;
    connect(table, &TTable::DataChanged, this, &TTableModel::Reset);
    connect(table, &TTable::RecordChanged, this, [this](int row) {
        // Rows the view was never told about mean the two drifted apart.
        if (!m_table || !m_table->Active() || row < 0 || row >= m_rowCount || m_rowCount != m_table->RecordCount()) {
            Reset();
            return;
        }
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    });
    // A table destroyed before its views leaves them empty, not dangling.
    connect(table, &QObject::destroyed, this, [this] { Reset(); });
}

int TTableModel::FieldIndex(int column) const
{
    return column >= 0 && column < m_fieldIndexes.size() ? m_fieldIndexes.at(column) : -1;
}

void TTableModel::Reset()
{
    beginResetModel();
    m_fieldIndexes.clear();
    for (const Column& column : m_columns) {
        const TField* field = m_table ? m_table->FindField(column.Field) : nullptr;
        m_fieldIndexes.append(field ? field->Index() : -1);
    }
    m_rowCount = m_table && m_table->Active() ? m_table->RecordCount() : 0;
    endResetModel();
}

int TTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int TTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TTableModel::data(const QModelIndex& index, int role) const
{
    // While the table's controls are disabled the view keeps the row count it
    // was given; rows that no longer exist read as empty (DisplayTextAt).
    if (!index.isValid() || !m_table || index.row() >= m_rowCount || index.column() >= m_columns.size()
        || m_table->BookmarkAt(index.row()) == 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        const int field = FieldIndex(index.column());
        if (field < 0)
            return QVariant();
        try {
            return m_table->DisplayTextAt(index.row(), field);
        } catch (const Exception&) {
            // A value its display format cannot show (a date out of range)
            // is left blank: painting must never throw.
            return QVariant();
        }
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns.at(index.column()).Alignment);
    default:
        return QVariant();
    }
}

QVariant TTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole: return m_columns.at(section).Title;
    case Qt::TextAlignmentRole: return QVariant::fromValue(m_columns.at(section).TitleAlignment);
    default: return QVariant();
    }
}
