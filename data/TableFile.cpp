#include "data/TableFile.h"

#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TableFile {

QString CutToSize(const QString& text, int size)
{
    if (size <= 0 || text.size() <= size)
        return text;
    qsizetype length = size;
    // Never keep half of a surrogate pair: the cut text must stay valid UTF-16.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

namespace {

const QString FormatMarker = QStringLiteral("Pulsim.Table");
constexpr int FormatVersion = 1;

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

// An append-only byte buffer that lets the encoders write through a raw
// pointer after one capacity check, which keeps a save of a large table fast.
class Buffer {
public:
    explicit Buffer(size_t capacity) { m_data.reserve(capacity); }

    // Room for `count` more bytes; write through the pointer, then Commit.
    char* Reserve(size_t count)
    {
        const size_t used = m_used;
        if (m_data.size() < used + count)
            m_data.resize(std::max(m_data.size() * 2, used + count + 4096));
        return m_data.data() + used;
    }
    void Commit(const char* end) { m_used = size_t(end - m_data.data()); }

    void Append(std::string_view text)
    {
        char* p = Reserve(text.size());
        std::memcpy(p, text.data(), text.size());
        Commit(p + text.size());
    }
    void Append(char c)
    {
        char* p = Reserve(1);
        *p++ = c;
        Commit(p);
    }
    void AppendInt(qint64 value)
    {
        char* p = Reserve(24);
        Commit(std::to_chars(p, p + 24, value).ptr);
    }
    void AppendDouble(double value)
    {
        if (!std::isfinite(value)) { // unreachable: the table refuses such values
            Append(std::string_view("null"));
            return;
        }
        char* p = Reserve(32);
        Commit(std::to_chars(p, p + 32, value).ptr); // shortest round-trip form
    }
    void AppendBool(bool value) { Append(value ? std::string_view("true") : std::string_view("false")); }

    // A JSON string: UTF-16 to UTF-8 with the characters JSON requires escaped.
    // A lone surrogate (which UTF-8 cannot carry) is written as a \u escape so
    // it reads back unchanged.
    void AppendString(const QString& text)
    {
        static const char Hex[] = "0123456789abcdef";
        const qsizetype n = text.size();
        const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
        char* p = Reserve(size_t(n) * 6 + 2);
        *p++ = '"';
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = s[i];
            if (c < 0x80) {
                if (c >= 0x20 && c != '"' && c != '\\') {
                    *p++ = char(c);
                    continue;
                }
                *p++ = '\\';
                switch (c) {
                case '"': *p++ = '"'; break;
                case '\\': *p++ = '\\'; break;
                case '\b': *p++ = 'b'; break;
                case '\f': *p++ = 'f'; break;
                case '\n': *p++ = 'n'; break;
                case '\r': *p++ = 'r'; break;
                case '\t': *p++ = 't'; break;
                default:
                    *p++ = 'u';
                    *p++ = '0';
                    *p++ = '0';
                    *p++ = Hex[c >> 4];
                    *p++ = Hex[c & 0xF];
                }
            } else if (c < 0x800) {
                *p++ = char(0xC0 | (c >> 6));
                *p++ = char(0x80 | (c & 0x3F));
            } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
                const char32_t u = QChar::surrogateToUcs4(c, s[++i]);
                *p++ = char(0xF0 | (u >> 18));
                *p++ = char(0x80 | ((u >> 12) & 0x3F));
                *p++ = char(0x80 | ((u >> 6) & 0x3F));
                *p++ = char(0x80 | (u & 0x3F));
            } else if (QChar::isSurrogate(c)) {
                *p++ = '\\';
                *p++ = 'u';
                *p++ = Hex[c >> 12];
                *p++ = Hex[(c >> 8) & 0xF];
                *p++ = Hex[(c >> 4) & 0xF];
                *p++ = Hex[c & 0xF];
            } else {
                *p++ = char(0xE0 | (c >> 12));
                *p++ = char(0x80 | ((c >> 6) & 0x3F));
                *p++ = char(0x80 | (c & 0x3F));
            }
        }
        *p++ = '"';
        Commit(p);
    }

    std::string Take()
    {
        m_data.resize(m_used);
        return std::move(m_data);
    }

private:
    std::string m_data;
    size_t m_used = 0;
};

// The stored value of a field as the table keeps it (int, double, QString or
// bool); the typed reads avoid QVariant's conversion machinery on the hot path.
void AppendValue(Buffer& out, TFieldType type, const QVariant& value)
{
    if (!value.isValid()) {
        out.Append(std::string_view("null"));
        return;
    }
    switch (type) {
    case TFieldType::AutoInc:
    case TFieldType::Integer:
    case TFieldType::Smallint:
        out.AppendInt(value.typeId() == QMetaType::Int ? *static_cast<const int*>(value.constData()) : value.toInt());
        break;
    case TFieldType::Float:
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime:
        out.AppendDouble(value.typeId() == QMetaType::Double ? *static_cast<const double*>(value.constData()) : value.toDouble());
        break;
    case TFieldType::String:
        if (value.typeId() == QMetaType::QString)
            out.AppendString(*static_cast<const QString*>(value.constData()));
        else
            out.AppendString(value.toString());
        break;
    case TFieldType::Boolean:
        out.AppendBool(value.toBool());
        break;
    }
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

// A strict JSON reader over the file's bytes. Any departure from the grammar,
// from valid UTF-8 or from the table file's shape is a corrupt file.
class Reader {
public:
    Reader(const char* begin, const char* end, const QString& table)
        : m_p(begin), m_end(end), m_table(table)
    {
    }

    [[noreturn]] void Corrupt() const
    {
        throw EDatabaseError(m_table + QStringLiteral(": Missing data provider or data packet."));
    }

    const char* Position() const { return m_p; }
    void Seek(const char* position) { m_p = position; }

    void SkipBom()
    {
        if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
    }

    void Ws()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    bool AtEnd()
    {
        Ws();
        return m_p >= m_end;
    }

    char Peek()
    {
        Ws();
        if (m_p >= m_end)
            Corrupt();
        return *m_p;
    }

    void Expect(char c)
    {
        if (Peek() != c)
            Corrupt();
        ++m_p;
    }

    bool Consume(char c)
    {
        if (Peek() != c)
            return false;
        ++m_p;
        return true;
    }

    bool Null()
    {
        if (Peek() != 'n')
            return false;
        Literal("null");
        return true;
    }

    bool Bool()
    {
        const char c = Peek();
        if (c == 't') {
            Literal("true");
            return true;
        }
        if (c == 'f') {
            Literal("false");
            return false;
        }
        Corrupt();
    }

    // Iterates an object's members: `member(key)` must consume the value.
    template <class F>
    void Object(F&& member)
    {
        Expect('{');
        if (Consume('}'))
            return;
        do {
            if (Peek() != '"')
                Corrupt();
            const QString key = String();
            Expect(':');
            member(key);
        } while (Consume(','));
        Expect('}');
    }

    // Iterates an array's elements: `element()` must consume one value.
    template <class F>
    void Array(F&& element)
    {
        Expect('[');
        if (Consume(']'))
            return;
        do {
            element();
        } while (Consume(','));
        Expect(']');
    }

    QString String()
    {
        if (Peek() != '"')
            Corrupt();
        const char* start = ++m_p;
        // Fast path: plain ASCII without escapes, the usual case.
        while (m_p < m_end) {
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                QString result = QString::fromLatin1(start, m_p - start);
                ++m_p;
                return result;
            }
            if (c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++m_p;
        }
        return SlowString(start);
    }

    // A string value of a table column: a run of equal values (the same user
    // on consecutive records) shares one QString instead of allocating anew.
    struct StringCache {
        const char* Bytes = nullptr;
        qsizetype Length = -1;
        QString Value;
    };
    QString CachedString(StringCache& cache)
    {
        if (Peek() != '"')
            Corrupt();
        const char* start = m_p + 1;
        const char* q = start;
        while (q < m_end) {
            const unsigned char c = static_cast<unsigned char>(*q);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++q;
        }
        if (q < m_end && *q == '"') {
            const qsizetype length = q - start;
            if (length != cache.Length || std::memcmp(start, cache.Bytes, size_t(length)) != 0) {
                cache.Value = QString::fromLatin1(start, length);
                cache.Bytes = start;
                cache.Length = length;
            }
            m_p = q + 1;
            return cache.Value;
        }
        cache.Length = -1;
        return String();
    }

    // A JSON number; `integral` tells whether it was written without fraction
    // or exponent.
    double Number(bool* integral = nullptr)
    {
        Ws();
        const char* start = m_p;
        const char* p = m_p;
        if (p < m_end && *p == '-')
            ++p;
        if (p >= m_end || !IsDigit(*p))
            Corrupt();
        if (*p == '0')
            ++p;
        else
            while (p < m_end && IsDigit(*p))
                ++p;
        bool whole = true;
        if (p < m_end && *p == '.') {
            whole = false;
            ++p;
            if (p >= m_end || !IsDigit(*p))
                Corrupt();
            while (p < m_end && IsDigit(*p))
                ++p;
        }
        if (p < m_end && (*p == 'e' || *p == 'E')) {
            whole = false;
            ++p;
            if (p < m_end && (*p == '+' || *p == '-'))
                ++p;
            if (p >= m_end || !IsDigit(*p))
                Corrupt();
            while (p < m_end && IsDigit(*p))
                ++p;
        }
        double value = 0;
        if (whole && p - start <= 16) {
            // Short integers: exact, and quicker than the general conversion.
            const char* q = start;
            const bool negative = *q == '-';
            if (negative)
                ++q;
            qint64 n = 0;
            for (; q < p; ++q)
                n = n * 10 + (*q - '0');
            value = double(negative ? -n : n);
            if (negative && n == 0)
                value = -0.0;
        } else {
            const auto result = std::from_chars(start, p, value);
            if (result.ec != std::errc() || result.ptr != p || !std::isfinite(value))
                Corrupt();
        }
        if (integral)
            *integral = whole;
        m_p = p;
        return value;
    }

    // An integral number within [min, max] (a whole number written with a
    // fraction or exponent, such as 3.0, is accepted).
    qint64 Integer(qint64 min, qint64 max)
    {
        const double value = Number();
        if (!(value >= double(min) && value <= double(max)) || value != std::trunc(value))
            Corrupt();
        return qint64(value);
    }

    void Skip(int depth = 0)
    {
        if (depth > 256)
            Corrupt();
        switch (Peek()) {
        case '{':
            Object([&](const QString&) { Skip(depth + 1); });
            break;
        case '[':
            Array([&] { Skip(depth + 1); });
            break;
        case '"':
            String();
            break;
        case 't':
        case 'f':
            Bool();
            break;
        case 'n':
            Null();
            break;
        default:
            Number();
        }
    }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    void Literal(const char* text)
    {
        const size_t n = std::strlen(text);
        if (size_t(m_end - m_p) < n || std::memcmp(m_p, text, n) != 0)
            Corrupt();
        m_p += n;
    }

    int HexDigit(char c) const
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        Corrupt();
    }

    unsigned char Continuation(unsigned char low = 0x80, unsigned char high = 0xBF)
    {
        if (m_p >= m_end)
            Corrupt();
        const unsigned char c = static_cast<unsigned char>(*m_p);
        if (c < low || c > high)
            Corrupt();
        ++m_p;
        return c & 0x3F;
    }

    QString SlowString(const char* start)
    {
        QString result;
        result.reserve(m_p - start + 16);
        for (const char* q = start; q < m_p; ++q)
            result.append(QChar(char16_t(static_cast<unsigned char>(*q))));
        for (;;) {
            if (m_p >= m_end)
                Corrupt();
            const unsigned char c = static_cast<unsigned char>(*m_p++);
            if (c == '"')
                return result;
            if (c < 0x20)
                Corrupt();
            if (c == '\\') {
                if (m_p >= m_end)
                    Corrupt();
                switch (*m_p++) {
                case '"': result.append(QLatin1Char('"')); break;
                case '\\': result.append(QLatin1Char('\\')); break;
                case '/': result.append(QLatin1Char('/')); break;
                case 'b': result.append(QChar(u'\b')); break;
                case 'f': result.append(QChar(u'\f')); break;
                case 'n': result.append(QChar(u'\n')); break;
                case 'r': result.append(QChar(u'\r')); break;
                case 't': result.append(QChar(u'\t')); break;
                case 'u': {
                    if (m_end - m_p < 4)
                        Corrupt();
                    char16_t unit = 0;
                    for (int i = 0; i < 4; ++i)
                        unit = char16_t(unit * 16 + HexDigit(m_p[i]));
                    m_p += 4;
                    result.append(QChar(unit));
                    break;
                }
                default:
                    Corrupt();
                }
                continue;
            }
            if (c < 0x80) {
                result.append(QChar(char16_t(c)));
                continue;
            }
            char32_t u = 0;
            if (c >= 0xC2 && c <= 0xDF) {
                u = char32_t(c & 0x1F) << 6 | Continuation();
            } else if (c >= 0xE0 && c <= 0xEF) {
                const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
                const unsigned char high = c == 0xED ? 0x9F : 0xBF; // no encoded surrogates
                u = char32_t(c & 0x0F) << 12;
                u |= char32_t(Continuation(low, high)) << 6;
                u |= Continuation();
            } else if (c >= 0xF0 && c <= 0xF4) {
                const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
                const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
                u = char32_t(c & 0x07) << 18;
                u |= char32_t(Continuation(low, high)) << 12;
                u |= char32_t(Continuation()) << 6;
                u |= Continuation();
            } else {
                Corrupt();
            }
            if (u >= 0x10000) {
                result.append(QChar(QChar::highSurrogate(u)));
                result.append(QChar(QChar::lowSurrogate(u)));
            } else {
                result.append(QChar(char16_t(u)));
            }
        }
    }

    const char* m_p;
    const char* m_end;
    const QString& m_table;
};

struct FileField {
    QString Name;
    QString Type;
};

// Reads one row straight into a record's values.
class RowDecoder {
public:
    RowDecoder(Reader& reader, const std::vector<TFieldDef>& fields, std::vector<int> targets)
        : m_reader(reader), m_fields(fields), m_targets(std::move(targets)), m_caches(m_targets.size())
    {
    }

    void Rows(std::vector<QVector<QVariant>>& rows)
    {
        m_reader.Array([&] { rows.push_back(Row()); });
    }

private:
    QVector<QVariant> Row()
    {
        QVector<QVariant> values(qsizetype(m_fields.size()));
        size_t column = 0;
        m_reader.Array([&] {
            if (column >= m_targets.size())
                m_reader.Corrupt();
            const int target = m_targets[column];
            if (target < 0)
                m_reader.Skip();
            else if (!m_reader.Null())
                values[target] = Value(m_fields[size_t(target)], m_caches[column]);
            ++column;
        });
        if (column != m_targets.size())
            m_reader.Corrupt();
        return values;
    }

    QVariant Value(const TFieldDef& def, Reader::StringCache& cache)
    {
        switch (def.DataType) {
        case TFieldType::AutoInc:
        case TFieldType::Integer:
            return QVariant(int(m_reader.Integer(std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
        case TFieldType::Smallint:
            return QVariant(int(m_reader.Integer(-32768, 32767)));
        case TFieldType::Float:
        case TFieldType::Date:
        case TFieldType::Time:
        case TFieldType::DateTime:
            return QVariant(m_reader.Number());
        case TFieldType::String: {
            const QString text = m_reader.CachedString(cache);
            if (text.isEmpty())
                return QVariant(); // an empty string is stored as null
            return QVariant(CutToSize(text, def.Size));
        }
        case TFieldType::Boolean:
            return QVariant(m_reader.Bool());
        }
        m_reader.Corrupt();
    }

    Reader& m_reader;
    const std::vector<TFieldDef>& m_fields;
    std::vector<int> m_targets;
    std::vector<Reader::StringCache> m_caches;
};

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

// The reason of a failed file operation, in the words our users read.
QString ErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("Permissão negada");
    case ENOSPC: return QStringLiteral("Não há espaço disponível no dispositivo");
    case EDQUOT: return QStringLiteral("Cota de disco excedida");
    case EROFS: return QStringLiteral("Sistema de arquivos somente para leitura");
    case ENOENT: return QStringLiteral("Arquivo ou diretório inexistente");
    case ENOTDIR: return QStringLiteral("Não é um diretório");
    case EISDIR: return QStringLiteral("É um diretório");
    case EFBIG: return QStringLiteral("Arquivo muito grande");
    case EIO: return QStringLiteral("Erro de entrada/saída");
    case ENAMETOOLONG: return QStringLiteral("Nome de arquivo muito longo");
    case EMFILE:
    case ENFILE: return QStringLiteral("Arquivos abertos demais");
    case EBUSY: return QStringLiteral("Dispositivo ou recurso está ocupado");
    case EXDEV: return QStringLiteral("Link inválido entre dispositivos");
    default: return QStringLiteral("erro %1: %2").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

[[noreturn]] void WriteFailed(const QString& table, const QString& fileName, const QString& reason)
{
    throw EInOutError(QStringLiteral("%1: não foi possível gravar o arquivo \"%2\" (%3)").arg(table, fileName, reason));
}

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
public:
    TemporaryFile(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return m_fd; }
    const QByteArray& Path() const { return m_path; }
    // Closes the descriptor; answers the error number (0 when it went well).
    int Close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }
    void Release() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

} // namespace

QString TemporaryPrefix(const QString& fileName)
{
    const QFileInfo info(fileName);
    return QLatin1Char('.') + info.fileName() + QStringLiteral(".tmp-");
}

std::string Encode(const TWriteHeader& header, const std::vector<const QVector<QVariant>*>& rows)
{
    const size_t columns = header.Fields.size();
    Buffer out(4096 + rows.size() * (columns * 14 + 4));
    out.Append(std::string_view("{\"format\":"));
    out.AppendString(FormatMarker);
    out.Append(std::string_view(",\"version\":"));
    out.AppendInt(FormatVersion);
    out.Append(std::string_view(",\"table\":"));
    out.AppendString(header.Table);
    out.Append(std::string_view(",\"fields\":["));
    for (size_t i = 0; i < columns; ++i) {
        const TFieldDef& def = *header.Fields[i];
        out.Append(std::string_view(i ? ",\n{\"name\":" : "\n{\"name\":"));
        out.AppendString(def.Name);
        out.Append(std::string_view(",\"type\":"));
        out.AppendString(FieldTypeName(def.DataType));
        out.Append(std::string_view(",\"size\":"));
        out.AppendInt(def.DataType == TFieldType::String ? def.Size : 0);
        out.Append(std::string_view(",\"readOnly\":"));
        out.AppendBool(def.ReadOnly);
        out.Append(std::string_view(",\"required\":"));
        out.AppendBool(def.Required);
        out.Append('}');
    }
    out.Append(std::string_view("],\n\"indexes\":["));
    for (size_t i = 0; i < header.Indexes.size(); ++i) {
        const TIndexDef& index = *header.Indexes[i];
        out.Append(std::string_view(i ? ",{\"name\":" : "{\"name\":"));
        out.AppendString(index.Name);
        out.Append(std::string_view(",\"field\":"));
        out.AppendString(index.Field);
        out.Append(std::string_view(",\"descending\":"));
        out.AppendBool(index.Descending);
        out.Append('}');
    }
    out.Append(std::string_view("],\n\"autoIncrement\":"));
    out.AppendInt(header.AutoIncrement);
    out.Append(std::string_view(",\n\"rows\":["));
    bool first = true;
    for (const QVector<QVariant>* row : rows) {
        out.Append(std::string_view(first ? "\n[" : ",\n["));
        first = false;
        const QVariant* values = row->constData();
        for (size_t i = 0; i < columns; ++i) {
            if (i)
                out.Append(',');
            AppendValue(out, header.Fields[i]->DataType, values[header.ValueIndexes[i]]);
        }
        out.Append(']');
    }
    out.Append(std::string_view("\n]}\n"));
    return out.Take();
}

TDecoded Decode(const QByteArray& bytes, const QString& table, const std::vector<TFieldDef>& fields)
{
    Reader reader(bytes.constData(), bytes.constData() + bytes.size(), table);
    TDecoded decoded;

    bool seenFormat = false, seenVersion = false, seenTable = false, seenFields = false, seenIndexes = false,
         seenAutoInc = false, seenRows = false;
    std::vector<FileField> fileFields;
    std::vector<int> targets; // file column -> table field index, -1 to skip
    bool mapped = false;
    const char* deferredRows = nullptr;

    const auto once = [&](bool& seen) {
        if (seen)
            reader.Corrupt();
        seen = true;
    };

    // Matches the file's columns to the table's data fields; runs once the
    // file is known to be a table file, so another program's JSON is reported
    // as such rather than as a missing field.
    const auto map = [&] {
        targets.assign(fileFields.size(), -1);
        for (size_t f = 0; f < fields.size(); ++f) {
            const TFieldDef& def = fields[f];
            if (def.Kind != TFieldKind::Data)
                continue;
            int column = -1;
            for (size_t c = 0; c < fileFields.size(); ++c) {
                if (fileFields[c].Name.compare(def.Name, Qt::CaseInsensitive) == 0) {
                    if (column >= 0)
                        reader.Corrupt(); // the same field twice
                    column = int(c);
                }
            }
            if (column < 0)
                throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(table, def.Name));
            const QString expected = FieldTypeName(def.DataType);
            if (fileFields[size_t(column)].Type != expected)
                throw EDatabaseError(QStringLiteral("%1: Type mismatch for field '%2', expecting: %3 actual: %4")
                                         .arg(table, def.Name, expected, fileFields[size_t(column)].Type));
            targets[size_t(column)] = int(f);
        }
        mapped = true;
    };
    const auto readyToMap = [&] { return seenFormat && seenVersion && seenFields; };

    reader.SkipBom();
    if (reader.Peek() != '{')
        reader.Corrupt();
    reader.Object([&](const QString& key) {
        if (key == QLatin1String("format")) {
            once(seenFormat);
            if (reader.Peek() != '"' || reader.String() != FormatMarker)
                reader.Corrupt();
        } else if (key == QLatin1String("version")) {
            once(seenVersion);
            if (reader.Integer(0, 1000000) != FormatVersion)
                reader.Corrupt();
        } else if (key == QLatin1String("table")) {
            once(seenTable);
            reader.String(); // informative: a table reads its file whatever its name
        } else if (key == QLatin1String("fields")) {
            once(seenFields);
            reader.Array([&] {
                FileField field;
                bool name = false, type = false;
                reader.Object([&](const QString& member) {
                    if (member == QLatin1String("name")) {
                        field.Name = reader.String();
                        name = true;
                    } else if (member == QLatin1String("type")) {
                        field.Type = reader.String();
                        type = true;
                    } else if (member == QLatin1String("size")) {
                        reader.Integer(0, std::numeric_limits<int>::max());
                    } else if (member == QLatin1String("readOnly") || member == QLatin1String("required")) {
                        reader.Bool();
                    } else {
                        reader.Skip();
                    }
                });
                if (!name || !type || field.Name.isEmpty())
                    reader.Corrupt();
                fileFields.push_back(std::move(field));
            });
        } else if (key == QLatin1String("indexes")) {
            once(seenIndexes);
            if (reader.Peek() != '[')
                reader.Corrupt();
            reader.Skip(); // informative: the table's own index definitions apply
        } else if (key == QLatin1String("autoIncrement")) {
            once(seenAutoInc);
            decoded.AutoIncrement = reader.Integer(0, std::numeric_limits<int>::max() + qint64(1));
        } else if (key == QLatin1String("rows")) {
            once(seenRows);
            if (reader.Peek() != '[')
                reader.Corrupt();
            if (!mapped && readyToMap())
                map();
            if (mapped) {
                RowDecoder(reader, fields, targets).Rows(decoded.Rows);
            } else {
                // Fields not known yet (a hand-edited file in another order):
                // check the syntax now, decode once the header is complete.
                deferredRows = reader.Position();
                reader.Skip();
            }
        } else {
            reader.Skip();
        }
    });
    if (!reader.AtEnd() || !seenFormat || !seenVersion || !seenFields || !seenRows)
        reader.Corrupt();
    if (!mapped)
        map();
    if (deferredRows) {
        reader.Seek(deferredRows);
        RowDecoder(reader, fields, targets).Rows(decoded.Rows);
    }
    return decoded;
}

void WriteAtomically(const QString& table, const QString& fileName, const std::string& bytes)
{
    if (fileName.isEmpty())
        WriteFailed(table, fileName, QStringLiteral("nome de arquivo vazio"));

    // A table file reached through a symbolic link is replaced where it lives.
    QFileInfo info(fileName);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        if (!target.isEmpty())
            info = QFileInfo(target);
    }
    const QString folder = info.absolutePath();
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QString prefix = folder + QLatin1Char('/') + TemporaryPrefix(info.fileName());

    int fd = -1;
    QByteArray tempPath;
    for (int attempt = 0; fd < 0; ++attempt) {
        tempPath = QFile::encodeName(prefix + QString::number(QRandomGenerator::global()->generate64() & 0xFFFFFFFFFFFFull, 36));
        fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            WriteFailed(table, fileName, ErrorText(errno));
    }
    TemporaryFile temp(fd, tempPath);

    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);

    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            WriteFailed(table, fileName, ErrorText(errno));
        }
        data += written;
        left -= size_t(written);
    }
    if (::fsync(fd) != 0)
        WriteFailed(table, fileName, ErrorText(errno));
    if (const int error = temp.Close())
        WriteFailed(table, fileName, ErrorText(error));
    if (::rename(temp.Path().constData(), target.constData()) != 0)
        WriteFailed(table, fileName, ErrorText(errno));
    temp.Release();

    // Make the rename itself durable. A folder that cannot be synced (some
    // file systems refuse) still holds the complete new file.
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }

    // Temporary files left by a save that was killed half-way hold a table's
    // worth of bytes each; they are never read, so clear them out.
    const QString stalePrefix = TemporaryPrefix(info.fileName());
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : entries) {
        if (name.startsWith(stalePrefix))
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

} // namespace TableFile
