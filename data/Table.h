#pragma once

#include "core/DateTime.h"
#include "core/Errors.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

// A small in-memory table with the operations the program uses: open/close
// from its file, a cursor over the visible records (first/next/eof, locate,
// bookmarks), append/edit/post/cancel/delete, an active index or the natural
// (append) order, a filter callback with an on/off switch, calculated fields,
// after-post and post-error events, display suspension for views,
// auto-increment, required fields and strings cut to their size.
//
// Every error is an EDatabaseError whose text starts with the table's name.

enum class TFieldType { AutoInc, Integer, Smallint, Float, String, Boolean, Date, Time, DateTime };

// "AutoInc", "Integer", "Smallint", "Float", "String", "Boolean", "Date", "Time", "DateTime".
QString FieldTypeName(TFieldType type);

enum class TFieldKind { Data, Calculated };

struct TFieldDef {
    QString Name;
    TFieldType DataType = TFieldType::String;
    int Size = 0;          // characters of a String field; 0 for every other type
    bool ReadOnly = false; // no code may assign it (auto-increment fields are read-only)
    bool Required = false; // a post with the value empty fails with "Field 'X' must have a value"
    TFieldKind Kind = TFieldKind::Data; // Calculated: never stored, set only by OnCalcFields
};

struct TIndexDef {
    QString Name;
    QString Field;
    bool Descending = false;
    bool Stored = false; // part of the table's definition and written to its file
};

enum class TDataSetState { Inactive, Browse, Edit, Insert, CalcFields, Filter };

// What a post-error handler decides: raise the error, abandon the post silently
// (the record stays in editing), or try the post again.
enum class TDataAction { Fail, Abort, Retry };

// Identity of a record, stable across order, filter and edits; 0 is "none".
using TBookmark = quint64;

class TTable;

// A field of a table, read and written on the table's active record (the
// current one, the edit buffer while editing, or the record a filter or
// calculation callback is looking at).
class TField final {
public:
    const QString& FieldName() const;
    TFieldType DataType() const;
    int Size() const;
    bool ReadOnly() const;
    bool Required() const;
    bool Calculated() const;
    int Index() const { return m_index; }
    TTable* DataSet() const { return m_table; }

    // The picture DisplayText uses: FormatFloat for numbers, FormatDateTime for dates.
    QString DisplayFormat;

    QVariant Value() const; // invalid QVariant when null
    void SetValue(const QVariant& value);
    bool IsNull() const;
    void Clear();

    QString AsString() const;
    void SetAsString(const QString& value);
    double AsFloat() const;
    void SetAsFloat(double value);
    int AsInteger() const;
    void SetAsInteger(int value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);

    // The value as a view shows it (DisplayFormat applied; empty when null).
    QString DisplayText() const;

private:
    friend class TTable;
    TField(TTable* table, int index) : m_table(table), m_index(index) {}
    TTable* m_table;
    int m_index;
};

class TTable final : public QObject {
    Q_OBJECT

public:
    explicit TTable(const QString& name, QObject* parent = nullptr);
    ~TTable() override; // never writes the file: the owner closes the table first

    const QString& Name() const { return m_name; }

    // ---- Definition (only while closed) ----
    TField* AddField(const TFieldDef& def);
    const std::vector<TFieldDef>& FieldDefs() const { return m_fieldDefs; }
    int FieldCount() const { return int(m_fieldDefs.size()); }
    TField* Fields(int index) const;
    TField* FieldByName(const QString& name) const; // throws "<table>: Field 'X' not found"
    TField* FindField(const QString& name) const;   // nullptr when missing

    // Indexes: one field each, ascending or descending. Ties keep natural order.
    void AddIndex(const QString& name, const QString& field, bool descending, bool stored = false);
    void DeleteIndex(const QString& name);
    bool HasIndex(const QString& name) const;
    const std::vector<TIndexDef>& IndexDefs() const { return m_indexDefs; }
    // The active order: an index name, or empty for the natural order.
    QString IndexName() const { return m_indexName; }
    void SetIndexName(const QString& name);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName);

    // ---- Opening, closing, saving ----
    // Loads the whole file. A missing, unreadable or unparsable file fails with
    // "<table>: Missing data provider or data packet."; a file whose field
    // definitions do not match the table's fails naming the field. Opening an
    // open table does nothing.
    void Open();
    // Empty and open, with the field definitions; the file is written at the
    // next save (the first post, or closing).
    void CreateDataSet();
    // Writes the file when changes are pending or the file does not exist, then
    // closes. If the write fails the table stays open and the error is thrown.
    void Close();
    bool Active() const { return m_active; }
    // Writes the whole table atomically: a crash at any instant leaves the old
    // or the new complete file. Throws EInOutError when the file cannot be
    // written; the table keeps its contents and stays marked as changed.
    void SaveToFile();
    // Changes (posts or deletions) not yet in the file.
    bool ChangesPending() const { return m_changesPending; }

    // ---- Cursor over the visible records (filtered, in the active order) ----
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // 1-based position of the current record among the visible ones; 0 when
    // the table is empty or the current record is not visible.
    int RecNo() const;
    void SetRecNo(int recNo);
    void First();
    void Last();
    void Next();
    void Prior();
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    // Moves to the first visible record whose field equals `value`.
    bool Locate(const QString& fieldName, const QVariant& value);
    TBookmark GetBookmark() const;
    // Makes the record current even when the filter hides it (its RecNo is then
    // 0); throws "<table>: Record not found" when it no longer exists.
    void GotoBookmark(TBookmark bookmark);
    bool BookmarkValid(TBookmark bookmark) const;

    // ---- Editing ----
    TDataSetState State() const { return m_state; }
    void Append();
    // Edit of an empty table appends its first record.
    void Edit();
    void Post();
    void Cancel();
    // Removes the current record; it reaches the file at the next save.
    void Delete();

    // Visits every record in the natural order, whatever the filter, without
    // moving the cursor or telling the views: inside `visit` the fields read
    // the visited record (read only). For totals over the whole table.
    void ForEachRecord(const std::function<void()>& visit);

    // ---- Filter ----
    bool Filtered() const { return m_filtered; }
    // Switching on (or off and on again) applies OnFilterRecord anew.
    void SetFiltered(bool filtered);
    std::function<bool(TTable*)> OnFilterRecord; // true = the active record is visible

    // ---- Events ----
    std::function<void(TTable*)> OnCalcFields; // sets the Calculated fields of the active record
    std::function<void(TTable*)> AfterPost;
    std::function<TDataAction(TTable*, const EDatabaseError&)> OnPostError;

    // ---- Display suspension: views stop following changes while disabled ----
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // ---- Access for views: visible row (0-based) without moving the cursor ----
    QVariant ValueAt(int row, int fieldIndex) const;
    QString DisplayTextAt(int row, int fieldIndex) const;
    TBookmark BookmarkAt(int row) const;
    int RowOf(TBookmark bookmark) const; // -1 when not visible

Q_SIGNALS:
    // The visible records or their order changed: views reset.
    void DataChanged();
    // The values of one visible row changed in place.
    void RecordChanged(int row);
    // The current record moved (row -1 when none is visible).
    void CurrentChanged(int row);
    void StateChanged();

private:
    friend class TField;
    struct Record;
    class ProbeScope;

    [[noreturn]] void Fail(const QString& message) const;
    void CheckActive() const;
    void CheckInactive() const;
    void CheckNoCallback() const; // the cursor and the records stay put while a callback runs
    void CheckBrowseMode(); // posts an edit in progress before the cursor moves
    bool HasCalculatedFields() const;
    const QVector<QVariant>* ActiveValues() const;
    QVector<QVariant>* WritableValues(const TField& field);
    QVariant Coerce(const TFieldDef& def, const QVariant& value) const;
    QString FormatValue(const TField& field, const QVariant& value) const;
    void ValidateRecord() const;
    void Calculate(Record& record);
    bool Accepts(Record& record);
    void ApplyIndex();
    bool Less(const Record* a, const Record* b) const;
    void SortAll();
    void PlaceSorted(Record* record);
    void RemoveSorted(Record* record);
    Record* FindRecord(TBookmark bookmark) const;
    qsizetype ViewPositionAfter(const Record* record) const;
    void RebuildView();
    int CurrentRow() const;
    void MoveTo(Record* record, bool bof, bool eof);
    void NotifyDataChanged();
    void NotifyRecordChanged(int row);
    void NotifyCurrent();
    void SetState(TDataSetState state);
    void DropBuffer();
    void ClearData();
    void LoadFile();

    QString m_name;
    QString m_fileName;
    std::vector<TFieldDef> m_fieldDefs;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TIndexDef> m_indexDefs;
    QString m_indexName;
    int m_sortField = -1;       // field of the active index, -1 for the natural order
    bool m_sortDescending = false;

    bool m_active = false;
    bool m_changesPending = false;
    TDataSetState m_state = TDataSetState::Inactive;

    std::vector<std::unique_ptr<Record>> m_records; // natural order (ids ascending)
    std::vector<Record*> m_sorted;                  // every record, in the active order
    std::vector<Record*> m_view;                    // the visible ones, in the active order
    quint64 m_nextRecordId = 1;                     // never reused, so old bookmarks stay invalid
    qint64 m_nextAutoInc = 1;

    Record* m_current = nullptr; // may be hidden by the filter after GotoBookmark
    bool m_bof = true;
    bool m_eof = true;

    QVector<QVariant> m_buffer;     // edit/insert buffer
    Record* m_editTarget = nullptr; // record being edited (nullptr while inserting)
    Record* m_probe = nullptr;      // record a filter or calculation callback looks at

    bool m_filtered = false;
    int m_disableCount = 0;
    bool m_pendingState = false; // the state changed while controls were disabled
    bool m_pendingData = false;  // records or their order changed while disabled
    int m_rowAtDisable = -1;     // the current row when the views were frozen
};

// Suspends a table's views for as long as it lives (DisableControls), and lets
// them catch up when it goes (EnableControls), however the scope is left.
class TControlsDisabled final {
public:
    explicit TControlsDisabled(TTable& table) : m_table(table) { m_table.DisableControls(); }
    ~TControlsDisabled() { m_table.EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TTable& m_table;
};
