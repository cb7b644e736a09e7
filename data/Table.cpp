#include "data/Table.h"

#include "core/Format.h"
#include "data/TableFile.h"

#include <QFile>
#include <QHash>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

// A record: its identity (also its place in the natural order, since records
// are only ever appended), one value per field, and where the view shows it.
struct TTable::Record {
    quint64 Id = 0;
    QVector<QVariant> Values;
    int Row = -1;        // position among the visible records, -1 when hidden
    bool Visible = true; // the filter's last answer for this record
};

// Points the fields at one record for a filter or calculation callback, and
// puts the table back as it was however the callback ends.
class TTable::ProbeScope {
public:
    ProbeScope(TTable& table, Record& record, TDataSetState state)
        : m_table(table), m_probe(table.m_probe), m_state(table.m_state)
    {
        table.m_probe = &record;
        table.m_state = state;
    }
    ~ProbeScope()
    {
        m_table.m_probe = m_probe;
        m_table.m_state = m_state;
    }
    ProbeScope(const ProbeScope&) = delete;
    ProbeScope& operator=(const ProbeScope&) = delete;

private:
    TTable& m_table;
    Record* m_probe;
    TDataSetState m_state;
};

namespace {

bool IsIntegerType(TFieldType type)
{
    return type == TFieldType::AutoInc || type == TFieldType::Integer || type == TFieldType::Smallint;
}

bool IsDateType(TFieldType type)
{
    return type == TFieldType::Date || type == TFieldType::Time || type == TFieldType::DateTime;
}

bool IsNumericType(TFieldType type)
{
    return IsIntegerType(type) || type == TFieldType::Float || IsDateType(type);
}

// The stored number of a numeric value without QVariant's general conversion.
double NumberOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double: return *static_cast<const double*>(value.constData());
    case QMetaType::Int: return *static_cast<const int*>(value.constData());
    case QMetaType::Bool: return *static_cast<const bool*>(value.constData()) ? 1.0 : 0.0;
    default: return value.toDouble();
    }
}

const QString& StringOf(const QVariant& value, QString& scratch)
{
    if (value.typeId() == QMetaType::QString)
        return *static_cast<const QString*>(value.constData());
    scratch = value.toString();
    return scratch;
}

bool ParseInteger(const QString& text, qint64& result)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    result = trimmed.toLongLong(&ok, 10);
    return ok;
}

// A number written the way FloatToStr writes it: the settings' decimal
// separator, an optional exponent, no grouping.
bool ParseFloat(const QString& text, double& result)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    const QChar separator = FormatSettings().DecimalSeparator;
    std::string ascii;
    ascii.reserve(size_t(trimmed.size()));
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c == separator)
            ascii += '.';
        else if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('+')
                 || c == QLatin1Char('e') || c == QLatin1Char('E'))
            ascii += char(c.unicode());
        else
            return false;
    }
    const char* begin = ascii.data();
    const char* end = begin + ascii.size();
    if (*begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    double value = 0;
    const auto parsed = std::from_chars(begin, end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(value))
        return false;
    result = value;
    return true;
}

// "h:n", "h:n:s" or "h:n:s.zzz" with the settings' time separator.
bool ParseTime(const QString& text, TDateTime& result)
{
    const QString trimmed = text.trimmed();
    const QStringList parts = trimmed.split(FormatSettings().TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int numbers[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts.at(i);
        if (i == 2) {
            qsizetype dot = part.indexOf(QLatin1Char('.'));
            if (dot < 0)
                dot = part.indexOf(FormatSettings().DecimalSeparator);
            if (dot >= 0) {
                bool ok = false;
                numbers[3] = part.mid(dot + 1).toInt(&ok);
                if (!ok)
                    return false;
                part.truncate(dot);
            }
        }
        bool ok = false;
        numbers[i] = part.toInt(&ok);
        if (!ok || part.isEmpty() || part.size() > 2)
            return false;
    }
    return TryEncodeTime(numbers[0], numbers[1], numbers[2], numbers[3], result);
}

bool ParseDateTime(const QString& text, TFieldType type, TDateTime& result)
{
    const QString trimmed = text.trimmed();
    if (type == TFieldType::Date)
        return TryStrToDate(trimmed, result);
    if (type == TFieldType::Time)
        return ParseTime(trimmed, result);
    const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
    if (space < 0) {
        if (TryStrToDate(trimmed, result))
            return true;
        return ParseTime(trimmed, result);
    }
    TDateTime date = 0, time = 0;
    if (!TryStrToDate(trimmed.left(space), date) || !ParseTime(trimmed.mid(space + 1), time))
        return false;
    result = date >= 0 ? date + time : date - time;
    return true;
}

QString ValueText(TFieldType type, const QVariant& value)
{
    if (!value.isValid())
        return QString();
    switch (type) {
    case TFieldType::AutoInc:
    case TFieldType::Integer:
    case TFieldType::Smallint: return QString::number(qint64(NumberOf(value)));
    case TFieldType::Float: return FloatToStr(NumberOf(value));
    case TFieldType::Date: return DateToStr(NumberOf(value));
    case TFieldType::Time: return TimeToStr(NumberOf(value));
    case TFieldType::DateTime: return DateTimeToStr(NumberOf(value));
    case TFieldType::String: return value.toString();
    case TFieldType::Boolean: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return QString();
}

} // namespace

QString FieldTypeName(TFieldType type)
{
    switch (type) {
    case TFieldType::AutoInc: return QStringLiteral("AutoInc");
    case TFieldType::Integer: return QStringLiteral("Integer");
    case TFieldType::Smallint: return QStringLiteral("Smallint");
    case TFieldType::Float: return QStringLiteral("Float");
    case TFieldType::String: return QStringLiteral("String");
    case TFieldType::Boolean: return QStringLiteral("Boolean");
    case TFieldType::Date: return QStringLiteral("Date");
    case TFieldType::Time: return QStringLiteral("Time");
    case TFieldType::DateTime: return QStringLiteral("DateTime");
    }
    return QStringLiteral("Unknown");
}

// ===========================================================================
// TField
// ===========================================================================

#define PULSIM_FIELD_DEF (m_table->m_fieldDefs[size_t(m_index)])

const QString& TField::FieldName() const { return PULSIM_FIELD_DEF.Name; }
TFieldType TField::DataType() const { return PULSIM_FIELD_DEF.DataType; }
int TField::Size() const { return PULSIM_FIELD_DEF.Size; }
bool TField::ReadOnly() const { return PULSIM_FIELD_DEF.ReadOnly; }
bool TField::Required() const { return PULSIM_FIELD_DEF.Required; }
bool TField::Calculated() const { return PULSIM_FIELD_DEF.Kind == TFieldKind::Calculated; }

QVariant TField::Value() const
{
    const QVector<QVariant>* values = m_table->ActiveValues();
    return values ? values->at(m_index) : QVariant();
}

void TField::SetValue(const QVariant& value)
{
    QVector<QVariant>* values = m_table->WritableValues(*this);
    // Converted first: a value that cannot be stored leaves the field as it was.
    QVariant stored = m_table->Coerce(PULSIM_FIELD_DEF, value);
    (*values)[m_index] = std::move(stored);
}

bool TField::IsNull() const
{
    return !Value().isValid();
}

void TField::Clear()
{
    SetValue(QVariant());
}

QString TField::AsString() const
{
    return ValueText(DataType(), Value());
}

void TField::SetAsString(const QString& value)
{
    SetValue(QVariant(value));
}

double TField::AsFloat() const
{
    const QVariant value = Value();
    if (!value.isValid())
        return 0.0;
    switch (DataType()) {
    case TFieldType::String: {
        double result = 0;
        const QString text = value.toString();
        if (!ParseFloat(text, result))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return result;
    }
    case TFieldType::Boolean: return value.toBool() ? 1.0 : 0.0;
    default: return NumberOf(value);
    }
}

void TField::SetAsFloat(double value)
{
    SetValue(QVariant(value));
}

int TField::AsInteger() const
{
    const QVariant value = Value();
    if (!value.isValid())
        return 0;
    double number = 0;
    switch (DataType()) {
    case TFieldType::AutoInc:
    case TFieldType::Integer:
    case TFieldType::Smallint: return int(NumberOf(value));
    case TFieldType::Boolean: return value.toBool() ? 1 : 0;
    case TFieldType::String: {
        qint64 integer = 0;
        const QString text = value.toString();
        if (!ParseInteger(text, integer) || integer < std::numeric_limits<int>::min()
            || integer > std::numeric_limits<int>::max())
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return int(integer);
    }
    case TFieldType::Float: number = std::nearbyint(NumberOf(value)); break; // ties to even
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime: number = std::trunc(NumberOf(value)); break;
    }
    if (!(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(AsString()));
    return int(number);
}

void TField::SetAsInteger(int value)
{
    SetValue(QVariant(value));
}

bool TField::AsBoolean() const
{
    const QVariant value = Value();
    if (!value.isValid())
        return false;
    switch (DataType()) {
    case TFieldType::Boolean: return value.toBool();
    case TFieldType::String: {
        const QString text = value.toString();
        return !text.isEmpty() && QStringLiteral("TtYy").contains(text.at(0));
    }
    default: return NumberOf(value) != 0.0;
    }
}

void TField::SetAsBoolean(bool value)
{
    SetValue(QVariant(value));
}

TDateTime TField::AsDateTime() const
{
    const QVariant value = Value();
    if (!value.isValid())
        return 0.0;
    switch (DataType()) {
    case TFieldType::String: {
        TDateTime result = 0;
        const QString text = value.toString();
        if (!ParseDateTime(text, TFieldType::DateTime, result))
            throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
        return result;
    }
    case TFieldType::Boolean: return value.toBool() ? 1.0 : 0.0;
    default: return NumberOf(value);
    }
}

void TField::SetAsDateTime(TDateTime value)
{
    if (DataType() == TFieldType::String)
        SetValue(QVariant(DateTimeToStr(value)));
    else
        SetValue(QVariant(value));
}

QString TField::DisplayText() const
{
    return m_table->FormatValue(*this, Value());
}

#undef PULSIM_FIELD_DEF

// ===========================================================================
// TTable: definition
// ===========================================================================

TTable::TTable(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{
}

TTable::~TTable() = default;

void TTable::Fail(const QString& message) const
{
    throw EDatabaseError(m_name + QStringLiteral(": ") + message);
}

void TTable::CheckActive() const
{
    if (!m_active)
        Fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TTable::CheckInactive() const
{
    if (m_active)
        Fail(QStringLiteral("Cannot perform this operation on an open dataset"));
}

TField* TTable::AddField(const TFieldDef& def)
{
    CheckInactive();
    if (def.Name.isEmpty())
        Fail(QStringLiteral("Field name missing"));
    if (FindField(def.Name))
        Fail(QStringLiteral("Duplicate field name '%1'").arg(def.Name));
    TFieldDef stored = def;
    if (stored.DataType != TFieldType::String || stored.Size < 0)
        stored.Size = 0;
    m_fieldDefs.push_back(stored);
    m_fields.push_back(std::unique_ptr<TField>(new TField(this, int(m_fields.size()))));
    return m_fields.back().get();
}

TField* TTable::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        Fail(QStringLiteral("List index out of bounds (%1)").arg(index));
    return m_fields[size_t(index)].get();
}

TField* TTable::FieldByName(const QString& name) const
{
    TField* field = FindField(name);
    if (!field)
        Fail(QStringLiteral("Field '%1' not found").arg(name));
    return field;
}

TField* TTable::FindField(const QString& name) const
{
    // Field names match whatever their letter case, as the program's code
    // has always written them; the exact spelling is tried first.
    for (size_t i = 0; i < m_fieldDefs.size(); ++i)
        if (m_fieldDefs[i].Name == name)
            return m_fields[i].get();
    for (size_t i = 0; i < m_fieldDefs.size(); ++i)
        if (m_fieldDefs[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return m_fields[i].get();
    return nullptr;
}

void TTable::AddIndex(const QString& name, const QString& field, bool descending, bool stored)
{
    if (name.isEmpty())
        Fail(QStringLiteral("Index name missing"));
    const TField* indexed = FieldByName(field);
    const TIndexDef def{name, indexed->FieldName(), descending, stored};
    const auto existing = std::find_if(m_indexDefs.begin(), m_indexDefs.end(), [&](const TIndexDef& index) {
        return index.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (existing == m_indexDefs.end()) {
        m_indexDefs.push_back(def);
        return;
    }
    // Defining an index again replaces it (a table set up anew after a close).
    *existing = def;
    if (m_active && m_indexName.compare(name, Qt::CaseInsensitive) == 0) {
        CheckBrowseMode();
        ApplyIndex();
        SortAll();
        RebuildView();
        NotifyDataChanged();
        NotifyCurrent();
    }
}

void TTable::DeleteIndex(const QString& name)
{
    const auto it = std::find_if(m_indexDefs.begin(), m_indexDefs.end(), [&](const TIndexDef& index) {
        return index.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it == m_indexDefs.end())
        Fail(QStringLiteral("Index '%1' not found").arg(name));
    const bool activeIndex = m_indexName.compare(name, Qt::CaseInsensitive) == 0 && !m_indexName.isEmpty();
    if (activeIndex)
        SetIndexName(QString());
    m_indexDefs.erase(std::find_if(m_indexDefs.begin(), m_indexDefs.end(), [&](const TIndexDef& index) {
        return index.Name.compare(name, Qt::CaseInsensitive) == 0;
    }));
}

bool TTable::HasIndex(const QString& name) const
{
    return std::any_of(m_indexDefs.begin(), m_indexDefs.end(), [&](const TIndexDef& index) {
        return index.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

void TTable::SetIndexName(const QString& name)
{
    QString canonical;
    if (!name.isEmpty()) {
        const auto it = std::find_if(m_indexDefs.begin(), m_indexDefs.end(), [&](const TIndexDef& index) {
            return index.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == m_indexDefs.end())
            Fail(QStringLiteral("Index '%1' not found").arg(name));
        canonical = it->Name;
    }
    if (!m_active) {
        m_indexName = canonical;
        return;
    }
    CheckBrowseMode();
    m_indexName = canonical;
    ApplyIndex();
    SortAll();
    RebuildView();
    m_bof = m_eof = m_view.empty();
    NotifyDataChanged();
    NotifyCurrent();
}

void TTable::SetFileName(const QString& fileName)
{
    m_fileName = fileName;
}

void TTable::ApplyIndex()
{
    m_sortField = -1;
    m_sortDescending = false;
    if (m_indexName.isEmpty())
        return;
    for (const TIndexDef& index : m_indexDefs) {
        if (index.Name.compare(m_indexName, Qt::CaseInsensitive) == 0) {
            if (const TField* field = FindField(index.Field)) {
                m_sortField = field->Index();
                m_sortDescending = index.Descending;
            }
            return;
        }
    }
}

// ===========================================================================
// Opening, closing, saving
// ===========================================================================

void TTable::Open()
{
    if (m_active)
        return;
    LoadFile();
}

void TTable::LoadFile()
{
    const QString missing = QStringLiteral("Missing data provider or data packet.");
    if (m_fileName.isEmpty() || !QFileInfo(m_fileName).isFile())
        Fail(missing);
    QByteArray bytes;
    {
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly))
            Fail(missing);
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            Fail(missing);
    }
    TableFile::TDecoded decoded = TableFile::Decode(bytes, m_name, m_fieldDefs);
    bytes = QByteArray();

    std::vector<int> autoIncFields;
    for (size_t i = 0; i < m_fieldDefs.size(); ++i)
        if (m_fieldDefs[i].DataType == TFieldType::AutoInc && m_fieldDefs[i].Kind == TFieldKind::Data)
            autoIncFields.push_back(int(i));

    ClearData();
    m_records.reserve(decoded.Rows.size());
    qint64 highest = 0;
    for (QVector<QVariant>& row : decoded.Rows) {
        auto record = std::make_unique<Record>();
        record->Id = m_nextRecordId++;
        for (const int field : autoIncFields)
            if (row.at(field).isValid())
                highest = std::max<qint64>(highest, NumberOf(row.at(field)));
        record->Values = std::move(row);
        m_records.push_back(std::move(record));
    }
    decoded.Rows.clear();
    m_nextAutoInc = std::max({decoded.AutoIncrement, highest + 1, qint64(1)});

    // The callbacks read the fields, so the table is open while they run; a
    // callback that throws leaves it closed.
    m_active = true;
    m_state = TDataSetState::Browse;
    try {
        if (OnCalcFields && HasCalculatedFields())
            for (const auto& record : m_records)
                Calculate(*record);
        if (m_filtered)
            for (const auto& record : m_records)
                record->Visible = Accepts(*record);
    } catch (...) {
        ClearData();
        m_active = false;
        m_state = TDataSetState::Inactive;
        throw;
    }
    m_changesPending = false;
    ApplyIndex();
    SortAll();
    RebuildView();
    m_current = m_view.empty() ? nullptr : m_view.front();
    m_bof = true;
    m_eof = m_view.empty();
    m_state = TDataSetState::Inactive;
    SetState(TDataSetState::Browse);
    NotifyDataChanged();
    NotifyCurrent();
}

void TTable::CreateDataSet()
{
    CheckInactive();
    ClearData();
    m_active = true;
    m_changesPending = true;
    m_nextAutoInc = 1;
    ApplyIndex();
    SetState(TDataSetState::Browse);
    NotifyDataChanged();
    NotifyCurrent();
}

void TTable::Close()
{
    if (!m_active)
        return;
    CheckNoCallback();
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) {
        DropBuffer();
        SetState(TDataSetState::Browse);
    }
    if (!m_fileName.isEmpty() && (m_changesPending || !QFileInfo::exists(m_fileName)))
        SaveToFile(); // a failure keeps the table open with its data
    ClearData();
    m_active = false;
    m_changesPending = false;
    SetState(TDataSetState::Inactive);
    NotifyDataChanged();
    NotifyCurrent();
}

void TTable::SaveToFile()
{
    CheckActive();
    // What is written is what has been posted; an edit in progress is not.
    TableFile::TWriteHeader header;
    header.Table = m_name;
    for (size_t i = 0; i < m_fieldDefs.size(); ++i) {
        if (m_fieldDefs[i].Kind == TFieldKind::Data) {
            header.Fields.push_back(&m_fieldDefs[i]);
            header.ValueIndexes.push_back(int(i));
        }
    }
    for (const TIndexDef& index : m_indexDefs)
        if (index.Stored)
            header.Indexes.push_back(&index);
    header.AutoIncrement = m_nextAutoInc;
    std::vector<const QVector<QVariant>*> rows;
    rows.reserve(m_records.size());
    for (const auto& record : m_records)
        rows.push_back(&record->Values);
    TableFile::WriteAtomically(m_name, m_fileName, TableFile::Encode(header, rows));
    m_changesPending = false;
}

void TTable::ClearData()
{
    m_view.clear();
    m_sorted.clear();
    m_records.clear();
    m_current = nullptr;
    m_editTarget = nullptr;
    m_probe = nullptr;
    m_buffer.clear();
    m_bof = m_eof = true;
}

// ===========================================================================
// Order, filter and view
// ===========================================================================

namespace {

// The primary order of texts: accents and letter case set aside, so that
// "Pará" comes before "Paraíba" and "ana" next to "Ana", as people order names.
QString SortKey(const QString& text)
{
    bool plain = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            plain = false;
            break;
        }
    if (plain)
        return text.toCaseFolded();
    QString key;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    key.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            key += c;
    return key.toCaseFolded();
}

// Texts that share a sort key still come in a fixed order: case-insensitive,
// then exact.
int CompareTies(const QString& x, const QString& y)
{
    int c = x.compare(y, Qt::CaseInsensitive);
    if (c == 0)
        c = x.compare(y, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareValues(TFieldType type, const QVariant& a, const QVariant& b)
{
    const bool aNull = !a.isValid(), bNull = !b.isValid();
    if (aNull || bNull)
        return int(bNull) - int(aNull); // null sorts before any value
    if (type == TFieldType::String) {
        QString sa, sb;
        const QString& x = StringOf(a, sa);
        const QString& y = StringOf(b, sb);
        const int c = SortKey(x).compare(SortKey(y));
        if (c != 0)
            return c < 0 ? -1 : 1;
        return CompareTies(x, y);
    }
    const double x = NumberOf(a), y = NumberOf(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

bool TTable::Less(const Record* a, const Record* b) const
{
    if (m_sortField >= 0) {
        const int c = CompareValues(m_fieldDefs[size_t(m_sortField)].DataType, a->Values.at(m_sortField),
                                    b->Values.at(m_sortField));
        if (c != 0)
            return m_sortDescending ? c > 0 : c < 0;
    }
    return a->Id < b->Id; // ties keep the natural order
}

void TTable::SortAll()
{
    m_sorted.clear();
    m_sorted.reserve(m_records.size());
    for (const auto& record : m_records)
        m_sorted.push_back(record.get());
    if (m_sortField < 0)
        return;
    if (m_fieldDefs[size_t(m_sortField)].DataType == TFieldType::String) {
        // A column of texts holds few distinct values (user names, states):
        // they are put in order once, and the records are then sorted on
        // their rank, a plain number, instead of comparing texts again and again.
        QHash<QString, int> rankOf;
        std::vector<QString> distinct;
        std::vector<int> ranks;
        ranks.reserve(m_sorted.size());
        for (Record* record : m_sorted) {
            const QVariant& value = record->Values.at(m_sortField);
            if (!value.isValid()) {
                ranks.push_back(-1); // nulls first
                continue;
            }
            QString scratch;
            const QString& text = StringOf(value, scratch);
            auto it = rankOf.find(text);
            if (it == rankOf.end()) {
                it = rankOf.insert(text, int(distinct.size()));
                distinct.push_back(text);
            }
            ranks.push_back(it.value());
        }
        std::vector<int> byText(distinct.size());
        for (size_t i = 0; i < byText.size(); ++i)
            byText[i] = int(i);
        std::vector<QString> keys;
        keys.reserve(distinct.size());
        for (const QString& text : distinct)
            keys.push_back(SortKey(text));
        std::sort(byText.begin(), byText.end(), [&](int a, int b) {
            const int c = keys[size_t(a)].compare(keys[size_t(b)]);
            return c != 0 ? c < 0 : CompareTies(distinct[size_t(a)], distinct[size_t(b)]) < 0;
        });
        std::vector<int> order(distinct.size());
        for (size_t position = 0; position < byText.size(); ++position)
            order[size_t(byText[position])] = int(position);

        struct RankKey {
            int Rank;
            Record* Rec;
        };
        std::vector<RankKey> sortable;
        sortable.reserve(m_sorted.size());
        for (size_t i = 0; i < m_sorted.size(); ++i)
            sortable.push_back({ranks[i] < 0 ? -1 : order[size_t(ranks[i])], m_sorted[i]});
        const bool descending = m_sortDescending;
        std::sort(sortable.begin(), sortable.end(), [descending](const RankKey& a, const RankKey& b) {
            if (a.Rank != b.Rank)
                return descending ? a.Rank > b.Rank : a.Rank < b.Rank;
            return a.Rec->Id < b.Rec->Id;
        });
        for (size_t i = 0; i < sortable.size(); ++i)
            m_sorted[i] = sortable[i].Rec;
        return;
    }
    // Numbers: sort on extracted keys, which is several times quicker than
    // going through the values at each comparison.
    struct Key {
        double Value;
        int Null; // 0 for null, 1 otherwise, so nulls come first
        Record* Rec;
    };
    std::vector<Key> keys;
    keys.reserve(m_sorted.size());
    for (Record* record : m_sorted) {
        const QVariant& value = record->Values.at(m_sortField);
        keys.push_back(value.isValid() ? Key{NumberOf(value), 1, record} : Key{0.0, 0, record});
    }
    const bool descending = m_sortDescending;
    std::sort(keys.begin(), keys.end(), [descending](const Key& a, const Key& b) {
        int c = a.Null != b.Null ? a.Null - b.Null : (a.Value < b.Value ? -1 : (a.Value > b.Value ? 1 : 0));
        if (descending)
            c = -c;
        if (c != 0)
            return c < 0;
        return a.Rec->Id < b.Rec->Id;
    });
    for (size_t i = 0; i < keys.size(); ++i)
        m_sorted[i] = keys[i].Rec;
}

void TTable::PlaceSorted(Record* record)
{
    const auto at = std::lower_bound(m_sorted.begin(), m_sorted.end(), record,
                                     [this](const Record* a, const Record* b) { return Less(a, b); });
    m_sorted.insert(at, record);
}

void TTable::RemoveSorted(Record* record)
{
    // By identity, not by key: the record's values may have changed already.
    const auto it = std::find(m_sorted.begin(), m_sorted.end(), record);
    if (it != m_sorted.end())
        m_sorted.erase(it);
}

TTable::Record* TTable::FindRecord(TBookmark bookmark) const
{
    const auto it = std::lower_bound(m_records.begin(), m_records.end(), bookmark,
                                     [](const std::unique_ptr<Record>& record, TBookmark id) { return record->Id < id; });
    return it != m_records.end() && (*it)->Id == bookmark ? it->get() : nullptr;
}

qsizetype TTable::ViewPositionAfter(const Record* record) const
{
    const auto it = std::lower_bound(m_view.begin(), m_view.end(), record,
                                     [this](const Record* a, const Record* b) { return Less(a, b); });
    return it - m_view.begin();
}

void TTable::RebuildView()
{
    m_view.clear();
    m_view.reserve(m_sorted.size());
    for (Record* record : m_sorted) {
        if (!m_filtered || record->Visible) {
            record->Row = int(m_view.size());
            m_view.push_back(record);
        } else {
            record->Row = -1;
        }
    }
}

void TTable::Calculate(Record& record)
{
    if (!OnCalcFields || !HasCalculatedFields())
        return;
    ProbeScope probe(*this, record, TDataSetState::CalcFields);
    OnCalcFields(this);
}

bool TTable::Accepts(Record& record)
{
    if (!OnFilterRecord)
        return true;
    ProbeScope probe(*this, record, TDataSetState::Filter);
    return OnFilterRecord(this);
}

void TTable::ForEachRecord(const std::function<void()>& visit)
{
    // A read-only walk: an edit in progress stays in progress, untouched.
    CheckActive();
    CheckNoCallback();
    for (const auto& record : m_records) {
        ProbeScope probe(*this, *record, TDataSetState::Filter);
        visit();
    }
}

void TTable::SetFiltered(bool filtered)
{
    if (!m_active) {
        m_filtered = filtered;
        return;
    }
    CheckBrowseMode();
    if (filtered) {
        // Every record is asked anew (the filter's inputs may have changed even
        // when it was on already); a callback that throws changes nothing.
        std::vector<char> visible;
        visible.reserve(m_records.size());
        for (const auto& record : m_records)
            visible.push_back(Accepts(*record) ? 1 : 0);
        for (size_t i = 0; i < m_records.size(); ++i)
            m_records[i]->Visible = visible[i] != 0;
    } else if (!m_filtered) {
        return;
    }
    m_filtered = filtered;
    RebuildView();
    if (!m_current || m_current->Row < 0) {
        // The current record went out of sight: the first visible one takes over.
        m_current = m_view.empty() ? nullptr : m_view.front();
        m_bof = true;
        m_eof = m_view.empty();
    } else {
        m_bof = m_eof = false;
    }
    NotifyDataChanged();
    NotifyCurrent();
}

// ===========================================================================
// Cursor
// ===========================================================================

void TTable::CheckNoCallback() const
{
    // A filter or calculation callback looks at one record in the middle of
    // an operation over the table; moving the cursor or changing the records
    // from there would pull them from under that operation.
    if (m_probe)
        Fail(QStringLiteral("Cannot perform this operation while a record is being calculated or filtered"));
}

bool TTable::HasCalculatedFields() const
{
    return std::any_of(m_fieldDefs.begin(), m_fieldDefs.end(),
                       [](const TFieldDef& def) { return def.Kind == TFieldKind::Calculated; });
}

void TTable::CheckBrowseMode()
{
    CheckActive();
    CheckNoCallback();
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert)
        Post();
}

int TTable::CurrentRow() const
{
    return m_current ? m_current->Row : -1;
}

int TTable::RecordCount() const
{
    CheckActive();
    return int(m_view.size());
}

int TTable::RecNo() const
{
    CheckActive();
    if (m_state == TDataSetState::Insert)
        return 0;
    return CurrentRow() + 1;
}

void TTable::MoveTo(Record* record, bool bof, bool eof)
{
    m_current = record;
    m_bof = bof;
    m_eof = eof;
    NotifyCurrent();
}

void TTable::SetRecNo(int recNo)
{
    CheckBrowseMode();
    if (m_view.empty())
        return;
    const int row = std::clamp(recNo, 1, int(m_view.size())) - 1;
    MoveTo(m_view[size_t(row)], false, false);
}

void TTable::First()
{
    CheckBrowseMode();
    MoveTo(m_view.empty() ? nullptr : m_view.front(), true, m_view.empty());
}

void TTable::Last()
{
    CheckBrowseMode();
    MoveTo(m_view.empty() ? nullptr : m_view.back(), m_view.empty(), true);
}

void TTable::Next()
{
    CheckBrowseMode();
    if (m_eof)
        return;
    qsizetype next = 0;
    if (m_current)
        next = m_current->Row >= 0 ? m_current->Row + 1 : ViewPositionAfter(m_current);
    if (next < qsizetype(m_view.size())) {
        MoveTo(m_view[size_t(next)], false, false);
    } else {
        m_bof = false;
        m_eof = true;
    }
}

void TTable::Prior()
{
    CheckBrowseMode();
    if (m_bof)
        return;
    qsizetype prior = -1;
    if (m_current)
        prior = m_current->Row >= 0 ? m_current->Row - 1 : ViewPositionAfter(m_current) - 1;
    if (prior >= 0 && prior < qsizetype(m_view.size())) {
        MoveTo(m_view[size_t(prior)], false, false);
    } else {
        m_bof = true;
        m_eof = false;
    }
}

bool TTable::Locate(const QString& fieldName, const QVariant& value)
{
    CheckBrowseMode();
    const TField* field = FieldByName(fieldName);
    const int index = field->Index();
    const TFieldType type = field->DataType();

    std::function<bool(const QVariant&)> matches;
    QString text;
    if (value.typeId() == QMetaType::QString)
        text = value.toString();
    if (!value.isValid() || (value.typeId() == QMetaType::QString && text.isEmpty() && type != TFieldType::String)) {
        matches = [](const QVariant& v) { return !v.isValid(); };
    } else if (type == TFieldType::String) {
        QString wanted = value.typeId() == QMetaType::Double ? FloatToStr(value.toDouble()) : value.toString();
        if (value.typeId() == QMetaType::Bool)
            wanted = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        if (wanted.isEmpty())
            matches = [](const QVariant& v) { return !v.isValid(); };
        else
            matches = [wanted](const QVariant& v) {
                return v.isValid() && *static_cast<const QString*>(v.constData()) == wanted;
            };
    } else if (type == TFieldType::Boolean) {
        bool wanted = false;
        if (value.typeId() == QMetaType::QString) {
            if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                wanted = true;
            else if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0)
                return false;
        } else {
            wanted = value.toBool();
        }
        matches = [wanted](const QVariant& v) { return v.isValid() && v.toBool() == wanted; };
    } else {
        double wanted = 0;
        switch (value.typeId()) {
        case QMetaType::QString:
            if (IsDateType(type) ? !ParseDateTime(text, type, wanted) : !ParseFloat(text, wanted))
                return false;
            break;
        case QMetaType::QDate: wanted = FromQDate(value.toDate()); break;
        case QMetaType::QTime: wanted = FromQTime(value.toTime()); break;
        case QMetaType::QDateTime: wanted = FromQDateTime(value.toDateTime()); break;
        default: {
            bool ok = false;
            wanted = value.toDouble(&ok);
            if (!ok)
                return false;
        }
        }
        matches = [wanted](const QVariant& v) { return v.isValid() && NumberOf(v) == wanted; };
    }
    for (Record* record : m_view) {
        if (matches(record->Values.at(index))) {
            MoveTo(record, false, false);
            return true;
        }
    }
    return false;
}

TBookmark TTable::GetBookmark() const
{
    CheckActive();
    if (m_state == TDataSetState::Insert || !m_current)
        return 0;
    return m_current->Id;
}

void TTable::GotoBookmark(TBookmark bookmark)
{
    CheckBrowseMode();
    Record* record = FindRecord(bookmark);
    if (!record)
        Fail(QStringLiteral("Record not found"));
    MoveTo(record, false, false);
}

bool TTable::BookmarkValid(TBookmark bookmark) const
{
    return m_active && bookmark != 0 && FindRecord(bookmark) != nullptr;
}

// ===========================================================================
// Editing
// ===========================================================================

const QVector<QVariant>* TTable::ActiveValues() const
{
    CheckActive();
    if (m_probe)
        return &m_probe->Values;
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert)
        return &m_buffer;
    return m_current ? &m_current->Values : nullptr;
}

QVector<QVariant>* TTable::WritableValues(const TField& field)
{
    CheckActive();
    const TFieldDef& def = m_fieldDefs[size_t(field.Index())];
    const QString cannotModify = QStringLiteral("Field '%1' cannot be modified").arg(def.Name);
    if (m_probe && m_state == TDataSetState::CalcFields) {
        if (def.Kind != TFieldKind::Calculated)
            Fail(cannotModify);
        return &m_probe->Values;
    }
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert)
        Fail(QStringLiteral("Dataset not in edit or insert mode"));
    if (def.ReadOnly || def.Kind == TFieldKind::Calculated || def.DataType == TFieldType::AutoInc)
        Fail(cannotModify);
    return &m_buffer;
}

QVariant TTable::Coerce(const TFieldDef& def, const QVariant& value) const
{
    if (!value.isValid())
        return QVariant();
    const int typeId = value.typeId();
    const bool isText = typeId == QMetaType::QString || typeId == QMetaType::QByteArray || typeId == QMetaType::QChar;
    const QString text = isText ? value.toString() : QString();
    const auto invalid = [&]() -> QVariant {
        Fail(QStringLiteral("'%1' is not a valid value for field '%2'").arg(isText ? text : value.toString(), def.Name));
    };

    switch (def.DataType) {
    case TFieldType::AutoInc:
    case TFieldType::Integer:
    case TFieldType::Smallint: {
        qint64 number = 0;
        QString shown;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            if (!ParseInteger(text, number)) {
                // Huge whole numbers are out of range rather than not numbers.
                double d = 0;
                if (!ParseFloat(text, d) || d != std::trunc(d))
                    return invalid();
                number = d > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
            }
            shown = text.trimmed();
        } else if (typeId == QMetaType::Double || typeId == QMetaType::Float) {
            const double d = value.toDouble();
            if (!std::isfinite(d))
                return invalid();
            const double rounded = std::nearbyint(d); // ties to even
            if (rounded >= 9.2e18 || rounded <= -9.2e18)
                number = rounded > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
            else
                number = qint64(rounded);
            shown = FloatToStr(d);
        } else if (typeId == QMetaType::Bool) {
            number = value.toBool() ? 1 : 0;
            shown = QString::number(number);
        } else if (typeId == QMetaType::ULongLong) {
            const qulonglong u = value.toULongLong();
            number = u > qulonglong(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(u);
            shown = QString::number(u);
        } else {
            bool ok = false;
            number = value.toLongLong(&ok);
            if (!ok)
                return invalid();
            shown = QString::number(number);
        }
        const bool small = def.DataType == TFieldType::Smallint;
        const qint64 low = small ? -32768 : std::numeric_limits<int>::min();
        const qint64 high = small ? 32767 : std::numeric_limits<int>::max();
        if (number < low || number > high)
            Fail(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                     .arg(shown, def.Name)
                     .arg(low)
                     .arg(high));
        return QVariant(int(number));
    }
    case TFieldType::Float: {
        double number = 0;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            if (!ParseFloat(text, number))
                return invalid();
        } else if (typeId == QMetaType::Bool || typeId == QMetaType::QDate || typeId == QMetaType::QDateTime
                   || typeId == QMetaType::QTime) {
            return invalid();
        } else {
            bool ok = false;
            number = value.toDouble(&ok);
            if (!ok)
                return invalid();
        }
        // A file cannot hold infinities or NaN: refusing them here keeps every
        // saved table readable.
        if (!std::isfinite(number))
            return invalid();
        return QVariant(number);
    }
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime: {
        double number = 0;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            if (!ParseDateTime(text, def.DataType, number))
                return invalid();
        } else if (typeId == QMetaType::QDate) {
            const QDate date = value.toDate();
            if (!date.isValid())
                return QVariant();
            number = FromQDate(date);
        } else if (typeId == QMetaType::QTime) {
            const QTime time = value.toTime();
            if (!time.isValid())
                return QVariant();
            number = FromQTime(time);
        } else if (typeId == QMetaType::QDateTime) {
            const QDateTime dateTime = value.toDateTime();
            if (!dateTime.isValid())
                return QVariant();
            number = FromQDateTime(dateTime);
        } else if (typeId == QMetaType::Bool) {
            return invalid();
        } else {
            bool ok = false;
            number = value.toDouble(&ok);
            if (!ok)
                return invalid();
        }
        if (!std::isfinite(number))
            return invalid();
        // A date keeps the whole days, a time the time of day.
        if (def.DataType == TFieldType::Date)
            number = DateOf(number);
        else if (def.DataType == TFieldType::Time)
            number = TimeOf(number);
        return QVariant(number + 0.0); // no negative zero from the split
    }
    case TFieldType::String: {
        QString result;
        if (isText)
            result = text;
        else if (typeId == QMetaType::Double || typeId == QMetaType::Float)
            result = FloatToStr(value.toDouble());
        else if (typeId == QMetaType::Bool)
            result = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else if (typeId == QMetaType::QDate)
            result = DateToStr(FromQDate(value.toDate()));
        else if (typeId == QMetaType::QTime)
            result = TimeToStr(FromQTime(value.toTime()));
        else if (typeId == QMetaType::QDateTime)
            result = DateTimeToStr(FromQDateTime(value.toDateTime()));
        else
            result = value.toString();
        if (result.isEmpty())
            return QVariant(); // an empty string is no value
        return QVariant(TableFile::CutToSize(result, def.Size));
    }
    case TFieldType::Boolean: {
        if (typeId == QMetaType::Bool)
            return value;
        if (isText) {
            const QString trimmed = text.trimmed();
            if (trimmed.isEmpty())
                return QVariant();
            if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                return QVariant(true);
            if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                return QVariant(false);
            return invalid();
        }
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            return invalid();
        return QVariant(number != 0.0);
    }
    }
    return invalid();
}

QString TTable::FormatValue(const TField& field, const QVariant& value) const
{
    if (!value.isValid())
        return QString();
    const TFieldType type = m_fieldDefs[size_t(field.Index())].DataType;
    if (!field.DisplayFormat.isEmpty()) {
        if (IsDateType(type))
            return FormatDateTime(field.DisplayFormat, NumberOf(value));
        if (IsNumericType(type))
            return FormatFloat(field.DisplayFormat, NumberOf(value));
    }
    return ValueText(type, value);
}

void TTable::SetState(TDataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (m_disableCount > 0)
        m_pendingState = true;
    else
        Q_EMIT StateChanged();
}

void TTable::DropBuffer()
{
    m_buffer.clear();
    m_editTarget = nullptr;
}

void TTable::Append()
{
    CheckBrowseMode();
    m_buffer = QVector<QVariant>(FieldCount());
    m_editTarget = nullptr;
    SetState(TDataSetState::Insert);
}

void TTable::Edit()
{
    CheckActive();
    CheckNoCallback();
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert)
        return;
    if (!m_current) {
        // Editing an empty table starts its first record.
        Append();
        return;
    }
    m_buffer = m_current->Values;
    m_editTarget = m_current;
    SetState(TDataSetState::Edit);
}

void TTable::ValidateRecord() const
{
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert)
        Fail(QStringLiteral("Dataset not in edit or insert mode"));
    for (size_t i = 0; i < m_fieldDefs.size(); ++i) {
        const TFieldDef& def = m_fieldDefs[i];
        if (def.Required && def.Kind == TFieldKind::Data && def.DataType != TFieldType::AutoInc
            && !m_buffer.at(qsizetype(i)).isValid())
            Fail(QStringLiteral("Field '%1' must have a value").arg(def.Name));
    }
}

void TTable::Post()
{
    CheckActive();
    CheckNoCallback();
    for (;;) {
        try {
            ValidateRecord();
            break;
        } catch (const EDatabaseError& error) {
            if (!OnPostError)
                throw;
            const TDataAction action = OnPostError(this, error);
            if (action == TDataAction::Retry)
                continue;
            if (action == TDataAction::Abort)
                throw EAbort(); // the record stays in editing, its buffer intact
            throw;
        }
    }

    Record* record = nullptr;
    int oldRow = -1;
    bool wasVisible = false;
    qsizetype sortedAt = -1; // the edited record's place in m_sorted, found with its old values
    if (m_state == TDataSetState::Insert) {
        bool hasAutoInc = false;
        for (size_t i = 0; i < m_fieldDefs.size(); ++i) {
            if (m_fieldDefs[i].DataType == TFieldType::AutoInc && m_fieldDefs[i].Kind == TFieldKind::Data) {
                if (m_nextAutoInc > std::numeric_limits<int>::max())
                    Fail(QStringLiteral("Field '%1' cannot be assigned: the auto-increment values are exhausted")
                             .arg(m_fieldDefs[i].Name));
                m_buffer[qsizetype(i)] = QVariant(int(m_nextAutoInc));
                hasAutoInc = true;
            }
        }
        if (hasAutoInc)
            ++m_nextAutoInc;
        auto created = std::make_unique<Record>();
        created->Id = m_nextRecordId++;
        created->Values = std::move(m_buffer);
        record = created.get();
        m_records.push_back(std::move(created));
    } else {
        record = m_editTarget;
        oldRow = record->Row;
        wasVisible = !m_filtered || record->Visible;
        const auto at = std::lower_bound(m_sorted.begin(), m_sorted.end(), record,
                                         [this](const Record* a, const Record* b) { return Less(a, b); });
        sortedAt = at != m_sorted.end() && *at == record ? at - m_sorted.begin() : -1;
        record->Values = std::move(m_buffer);
    }
    DropBuffer();
    m_changesPending = true;

    // The record is posted whatever the callbacks do; their error is raised
    // once the table is consistent again, and then AfterPost does not run.
    std::exception_ptr callbackError;
    try {
        Calculate(*record);
    } catch (...) {
        callbackError = std::current_exception();
    }
    if (m_filtered) {
        try {
            record->Visible = Accepts(*record);
        } catch (...) {
            if (!callbackError)
                callbackError = std::current_exception();
        }
    }
    const bool visible = !m_filtered || record->Visible;

    // Bring the order and the view up to date. The common cases (a record
    // appended at the end of the order, an edit that leaves the record in its
    // place) cost no more than a few comparisons; the rest rebuilds the view.
    bool rebuild = true;
    if (sortedAt >= 0) {
        const auto size = qsizetype(m_sorted.size());
        const bool fits = (sortedAt == 0 || Less(m_sorted[size_t(sortedAt - 1)], record))
                          && (sortedAt + 1 == size || Less(record, m_sorted[size_t(sortedAt + 1)]));
        if (fits) {
            rebuild = visible != wasVisible;
        } else {
            m_sorted.erase(m_sorted.begin() + sortedAt);
            PlaceSorted(record);
        }
    } else if (m_state == TDataSetState::Insert) {
        if (m_sorted.empty() || Less(m_sorted.back(), record)) {
            m_sorted.push_back(record);
            if (visible) {
                record->Row = int(m_view.size());
                m_view.push_back(record);
            } else {
                record->Row = -1;
            }
            rebuild = false;
        } else {
            PlaceSorted(record);
        }
    } else {
        RemoveSorted(record);
        PlaceSorted(record);
    }
    if (rebuild)
        RebuildView();

    m_current = record;
    m_bof = m_eof = false;
    SetState(TDataSetState::Browse);
    if (oldRow >= 0 && record->Row == oldRow)
        NotifyRecordChanged(oldRow);
    else if (oldRow >= 0 || record->Row >= 0)
        NotifyDataChanged();
    NotifyCurrent();
    if (callbackError)
        std::rethrow_exception(callbackError);
    if (AfterPost)
        AfterPost(this);
}

void TTable::Cancel()
{
    CheckActive();
    CheckNoCallback();
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert)
        return;
    DropBuffer();
    SetState(TDataSetState::Browse);
}

void TTable::Delete()
{
    CheckActive();
    CheckNoCallback();
    if (m_state == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_state == TDataSetState::Edit) {
        DropBuffer();
        SetState(TDataSetState::Browse);
    }
    if (!m_current)
        Fail(QStringLiteral("Cannot perform this operation on an empty dataset"));

    Record* doomed = m_current;
    const int row = doomed->Row;
    // The record that takes its place in the view, or the new last one.
    const qsizetype after = row >= 0 ? row + 1 : ViewPositionAfter(doomed);
    Record* successor = nullptr;
    if (after < qsizetype(m_view.size()))
        successor = m_view[size_t(after)];
    else if (row > 0)
        successor = m_view[size_t(row - 1)];
    else if (row < 0 && !m_view.empty())
        successor = m_view.back();

    RemoveSorted(doomed);
    const auto it = std::lower_bound(m_records.begin(), m_records.end(), doomed->Id,
                                     [](const std::unique_ptr<Record>& r, quint64 id) { return r->Id < id; });
    m_current = nullptr;
    m_records.erase(it);
    RebuildView();
    m_current = successor;
    m_bof = m_eof = m_view.empty();
    m_changesPending = true; // written at the next save, not now
    if (row >= 0)
        NotifyDataChanged();
    NotifyCurrent();
}

// ===========================================================================
// Views
// ===========================================================================

void TTable::DisableControls()
{
    if (m_disableCount++ == 0) {
        m_pendingData = false;
        m_rowAtDisable = m_active ? CurrentRow() : -1;
    }
}

void TTable::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    // Views catch up with what happened meanwhile, and only with that: a walk
    // over the records that changed nothing leaves the list exactly as it was.
    const bool stateChanged = std::exchange(m_pendingState, false);
    const bool dataChanged = std::exchange(m_pendingData, false);
    const int row = m_active ? CurrentRow() : -1;
    if (dataChanged)
        Q_EMIT DataChanged();
    if (dataChanged || row != m_rowAtDisable)
        Q_EMIT CurrentChanged(row);
    if (stateChanged)
        Q_EMIT StateChanged();
}

void TTable::NotifyDataChanged()
{
    if (m_disableCount == 0)
        Q_EMIT DataChanged();
    else
        m_pendingData = true;
}

void TTable::NotifyRecordChanged(int row)
{
    if (m_disableCount == 0)
        Q_EMIT RecordChanged(row);
    else
        m_pendingData = true;
}

void TTable::NotifyCurrent()
{
    if (m_disableCount == 0)
        Q_EMIT CurrentChanged(m_active ? CurrentRow() : -1);
}

QVariant TTable::ValueAt(int row, int fieldIndex) const
{
    if (!m_active || row < 0 || row >= int(m_view.size()) || fieldIndex < 0 || fieldIndex >= FieldCount())
        return QVariant();
    return m_view[size_t(row)]->Values.at(fieldIndex);
}

QString TTable::DisplayTextAt(int row, int fieldIndex) const
{
    if (!m_active || row < 0 || row >= int(m_view.size()) || fieldIndex < 0 || fieldIndex >= FieldCount())
        return QString();
    return FormatValue(*m_fields[size_t(fieldIndex)], m_view[size_t(row)]->Values.at(fieldIndex));
}

TBookmark TTable::BookmarkAt(int row) const
{
    if (!m_active || row < 0 || row >= int(m_view.size()))
        return 0;
    return m_view[size_t(row)]->Id;
}

int TTable::RowOf(TBookmark bookmark) const
{
    if (!m_active)
        return -1;
    const Record* record = FindRecord(bookmark);
    return record ? record->Row : -1;
}
