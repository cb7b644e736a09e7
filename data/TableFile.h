#pragma once

#include "data/Table.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

#include <string>
#include <vector>

// The file of one table: self-describing UTF-8 JSON.
//
//   {"format":"Pulsim.Table","version":1,"table":"<Name>",
//    "fields":[{"name":"Codigo","type":"AutoInc","size":0,"readOnly":true,"required":false},...],
//    "indexes":[{"name":"...","field":"...","descending":true},...],
//    "autoIncrement":<next value>,
//    "rows":[[v1,v2,...],...]}
//
// Only data fields are stored, in the table's order; a row holds one value per
// stored field, null for an empty value. Numbers and date-times are written in
// the shortest form that reads back to the same double.
namespace TableFile {

// `text` cut to its first `size` UTF-16 characters (no cut when size is 0); a
// surrogate pair is never split, so the cut may be one character shorter.
QString CutToSize(const QString& text, int size);

// What a table hands to the writer: its stored fields (the data fields, in
// order, each with the index of its value in a record), the stored indexes
// and the next auto-increment value.
struct TWriteHeader {
    QString Table;
    std::vector<const TFieldDef*> Fields;
    std::vector<int> ValueIndexes; // Fields[i]'s value is record[ValueIndexes[i]]
    std::vector<const TIndexDef*> Indexes;
    qint64 AutoIncrement = 1;
};

// The whole file's text. `rows` are the records' value vectors in natural order.
std::string Encode(const TWriteHeader& header, const std::vector<const QVector<QVariant>*>& rows);

// What a file holds, shaped for the table that reads it.
struct TDecoded {
    qint64 AutoIncrement = 1;
    std::vector<QVector<QVariant>> Rows; // one value per table field (calculated ones null)
};

// Reads a file's text for a table with the given fields. Each data field of the
// table must be in the file with the same type; the file's other fields are
// skipped. Strings longer than the table's size are cut. Throws EDatabaseError:
//   "<table>: Missing data provider or data packet." for anything that is not a
//     complete, well-formed table file;
//   "<table>: Field 'X' not found" for a data field the file lacks;
//   "<table>: Type mismatch for field 'X', expecting: A actual: B".
TDecoded Decode(const QByteArray& bytes, const QString& table, const std::vector<TFieldDef>& fields);

// Replaces `fileName` with `bytes` so that a crash at any instant leaves either
// the old or the new complete file under that name: the bytes go to a fresh
// temporary file in the same folder, are flushed to the disk, and the temporary
// file is renamed over the old one. Throws EInOutError naming the table, the
// file and the reason; the old file is then untouched and no temporary file is
// left behind.
void WriteAtomically(const QString& table, const QString& fileName, const std::string& bytes);

// The prefix of the temporary files WriteAtomically creates for `fileName`
// (they sit in the same folder and never carry the file's own name).
QString TemporaryPrefix(const QString& fileName);

} // namespace TableFile
