// Tables and their files: what a save writes and an open reads back, what a
// broken or foreign file gives, when closing writes, deletions reaching the
// file late, saves that fail, and saves killed half-way.

#include "core/DateTime.h"
#include "core/Errors.h"
#include "data/Table.h"
#include "tests/support/TableChecks.h"
#include "data/TableFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cfloat>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TFieldType)

namespace {

const QString Name = QStringLiteral("cdsTeste");
const QString Missing = QStringLiteral("cdsTeste: Missing data provider or data packet.");

TFieldDef Data(const QString& name, TFieldType type, int size = 0, bool readOnly = false, bool required = false)
{
    return TFieldDef{name, type, size, readOnly, required, TFieldKind::Data};
}

// Codigo AutoInc, Nome String(10), Valor Float, Ativo Boolean, Qtd Smallint,
// Quando DateTime, and Dobro, calculated as twice Valor.
std::unique_ptr<TTable> MakeTable(const QString& fileName)
{
    auto table = std::make_unique<TTable>(Name);
    table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    TField* nome = table->AddField(Data(QStringLiteral("Nome"), TFieldType::String, 10, false, true));
    TField* valor = table->AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    table->AddField(Data(QStringLiteral("Ativo"), TFieldType::Boolean));
    table->AddField(Data(QStringLiteral("Qtd"), TFieldType::Smallint));
    table->AddField(Data(QStringLiteral("Quando"), TFieldType::DateTime));
    TField* dobro = table->AddField(TFieldDef{QStringLiteral("Dobro"), TFieldType::Float, 0, false, false, TFieldKind::Calculated});
    table->AddIndex(QStringLiteral("PorValor"), QStringLiteral("Valor"), true, true);
    table->OnCalcFields = [valor, dobro](TTable*) {
        if (!valor->IsNull())
            dobro->SetAsFloat(valor->AsFloat() * 2);
    };
    (void)nome;
    table->SetFileName(fileName);
    return table;
}

void Add(TTable& table, const QString& nome, double valor)
{
    table.Append();
    table.FieldByName(QStringLiteral("Nome"))->SetAsString(nome);
    table.FieldByName(QStringLiteral("Valor"))->SetAsFloat(valor);
    table.Post();
}

QList<int> Codes(const TTable& table)
{
    QList<int> codes;
    for (int row = 0; table.ValueAt(row, 0).isValid(); ++row)
        codes.append(table.ValueAt(row, 0).toInt());
    return codes;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The header of a hand-written file for MakeTable's fields.
QByteArray Header(const QByteArray& fields = QByteArray())
{
    const QByteArray standard = R"([{"name":"Codigo","type":"AutoInc","size":0,"readOnly":true,"required":false},
{"name":"Nome","type":"String","size":10,"readOnly":false,"required":true},
{"name":"Valor","type":"Float","size":0,"readOnly":false,"required":false},
{"name":"Ativo","type":"Boolean","size":0,"readOnly":false,"required":false},
{"name":"Qtd","type":"Smallint","size":0,"readOnly":false,"required":false},
{"name":"Quando","type":"DateTime","size":0,"readOnly":false,"required":false}])";
    return R"({"format":"Pulsim.Table","version":1,"table":"cdsTeste","fields":)" + (fields.isEmpty() ? standard : fields)
           + R"(,"indexes":[],"autoIncrement":3,)";
}

QByteArray WithRows(const QByteArray& rows)
{
    return Header() + R"("rows":)" + rows + "}";
}

// ---- The save loop the kill test runs in a child process ----

constexpr int KillBaseRecords = 20000;

std::unique_ptr<TTable> MakeKillTable(const QString& fileName)
{
    auto table = std::make_unique<TTable>(QStringLiteral("cdsAcessos"));
    table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    table->AddField(Data(QStringLiteral("Geracao"), TFieldType::Integer));
    table->AddField(Data(QStringLiteral("Texto"), TFieldType::String, 40));
    table->AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    table->SetFileName(fileName);
    return table;
}

// Every save moves the table to the next generation: the first and the last
// record carry its number and one record is added, so a complete file of
// generation g holds KillBaseRecords + g records with g at both ends.
int SaveLoop(const QString& fileName)
{
    auto table = MakeKillTable(fileName);
    table->Open();
    TField* geracao = table->FieldByName(QStringLiteral("Geracao"));
    int generation = geracao->AsInteger();
    for (bool first = true;; first = false) {
        ++generation;
        table->First();
        table->Edit();
        geracao->SetAsInteger(generation);
        table->Post();
        table->Append();
        geracao->SetAsInteger(generation);
        table->FieldByName(QStringLiteral("Texto"))->SetAsString(QStringLiteral("geração %1 \"ok\"").arg(generation));
        table->FieldByName(QStringLiteral("Valor"))->SetAsFloat(generation / 3.0);
        table->Post();
        table->SaveToFile();
        if (first) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
}

} // namespace

class TstTableFile final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void roundTrip_data();
    void roundTrip();
    void fileShape();
    void openAppliesTheTablesDefinitions();
    void openErrors_data();
    void openErrors();
    void truncatedFiles();
    void autoIncrementOnOpen_data();
    void autoIncrementOnOpen();
    void autoIncrementSurvivesReopen();
    void deferredDeletion();
    void closeWrites_data();
    void closeWrites();
    void closeCancelsEdit();
    void reopening();
    void failedSave_data();
    void failedSave();
    void failedCloseKeepsTableOpen();
    void saveKilledAtRandomMoments();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString File(const QString& name = QStringLiteral("Teste.cds")) const { return m_dir->filePath(name); }
};

void TstTableFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TstTableFile::roundTrip_data()
{
    QTest::addColumn<TFieldType>("type");
    QTest::addColumn<QVariant>("value");

    const auto add = [](const char* name, TFieldType type, const QVariant& value) { QTest::addRow("%s", name) << type << value; };
    add("integer zero", TFieldType::Integer, 0);
    add("integer lowest", TFieldType::Integer, INT_MIN);
    add("integer highest", TFieldType::Integer, INT_MAX);
    add("smallint lowest", TFieldType::Smallint, -32768);
    add("smallint highest", TFieldType::Smallint, 32767);
    add("float one tenth", TFieldType::Float, 0.1);
    add("float one third", TFieldType::Float, 1.0 / 3.0);
    add("float sum with a rounding error", TFieldType::Float, 0.1 + 0.2);
    add("float tiny", TFieldType::Float, 1e-300);
    add("float subnormal", TFieldType::Float, 5e-324);
    add("float largest", TFieldType::Float, DBL_MAX);
    add("float negative zero", TFieldType::Float, -0.0);
    add("float beyond 2^53", TFieldType::Float, 123456789012345678.0);
    add("float negative small", TFieldType::Float, -2.5e-8);
    add("money", TFieldType::Float, 1234.5678);
    add("date-time with a fraction", TFieldType::DateTime, 45453.512345678901);
    add("date-time year 1", TFieldType::DateTime, -693593.0);
    add("date-time a breath before midnight", TFieldType::DateTime, 2958465.9999999);
    add("date", TFieldType::Date, 45000.0);
    add("time", TFieldType::Time, 0.99999999999);
    add("true", TFieldType::Boolean, true);
    add("false", TFieldType::Boolean, false);
    add("plain string", TFieldType::String, QStringLiteral("simples"));
    add("unicode", TFieldType::String, QStringLiteral("ação Ünïcödé 日本語 😀 ж"));
    add("quotes and apostrophes", TFieldType::String, QStringLiteral("a\"b'c\"\""));
    add("backslashes and slashes", TFieldType::String, QStringLiteral("C:\\Dados\\x\\ / \\u0041"));
    add("control characters", TFieldType::String, QString::fromUtf8("\x01\t\n\r\b\f\x1f\x7f end"));
    add("line and paragraph separators", TFieldType::String, QStringLiteral("a\u2028b\u2029c"));
    add("lone surrogate", TFieldType::String, QString(QString(QChar(0xD83D)) + QStringLiteral("x")));
    add("nul character", TFieldType::String, QString(QString(QChar(0)) + QStringLiteral("z")));
}

void TstTableFile::roundTrip()
{
    QFETCH(TFieldType, type);
    QFETCH(QVariant, value);

    const auto make = [&] {
        auto table = std::make_unique<TTable>(Name);
        table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
        table->AddField(Data(QStringLiteral("X"), type));
        table->SetFileName(File());
        return table;
    };
    auto writer = make();
    writer->CreateDataSet();
    writer->Append();
    writer->Fields(1)->SetValue(value);
    writer->Post();
    writer->Append(); // and a null beside it
    writer->Post();
    QVERIFY(SameBits(writer->Fields(1)->Value(), QVariant())); // (the null one is current)
    writer->Close();

    auto reader = make();
    reader->Open();
    QCOMPARE(reader->RecordCount(), 2);
    QVERIFY2(SameBits(reader->ValueAt(0, 1), value),
             qPrintable(QStringLiteral("read back %1").arg(reader->ValueAt(0, 1).toString())));
    QVERIFY(!reader->ValueAt(1, 1).isValid());
    QVERIFY(!reader->ChangesPending());
}

void TstTableFile::fileShape()
{
    auto table = MakeTable(File());
    table->AddIndex(QStringLiteral("SoNestaSessao"), QStringLiteral("Nome"), false); // not stored
    table->CreateDataSet();
    Add(*table, QStringLiteral("ana \"a\""), 0.1);
    Add(*table, QStringLiteral("bia"), 2.5);
    table->Close();

    const QByteArray bytes = ReadAll(File());
    QVERIFY(bytes.contains("[1,\"ana \\\"a\\\"\",0.1,null,null,null]")); // shortest round-trip numbers
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(bytes, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError); // valid JSON to any reader
    QCOMPARE(root.value(QStringLiteral("format")).toString(), QStringLiteral("Pulsim.Table"));
    QCOMPARE(root.value(QStringLiteral("version")).toInt(), 1);
    QCOMPARE(root.value(QStringLiteral("table")).toString(), Name);
    QCOMPARE(root.value(QStringLiteral("autoIncrement")).toInt(), 3);

    const QJsonArray fields = root.value(QStringLiteral("fields")).toArray();
    QStringList names;
    for (const QJsonValue& field : fields)
        names.append(field.toObject().value(QStringLiteral("name")).toString());
    QCOMPARE(names, (QStringList{"Codigo", "Nome", "Valor", "Ativo", "Qtd", "Quando"})); // no calculated field
    const QJsonObject nome = fields.at(1).toObject();
    QCOMPARE(nome.value(QStringLiteral("type")).toString(), QStringLiteral("String"));
    QCOMPARE(nome.value(QStringLiteral("size")).toInt(), 10);
    QCOMPARE(nome.value(QStringLiteral("required")).toBool(), true);
    QCOMPARE(fields.at(0).toObject().value(QStringLiteral("readOnly")).toBool(), true);
    QCOMPARE(fields.at(0).toObject().value(QStringLiteral("type")).toString(), QStringLiteral("AutoInc"));

    const QJsonArray indexes = root.value(QStringLiteral("indexes")).toArray();
    QCOMPARE(indexes.size(), 1);
    QCOMPARE(indexes.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("PorValor"));
    QCOMPARE(indexes.at(0).toObject().value(QStringLiteral("field")).toString(), QStringLiteral("Valor"));
    QCOMPARE(indexes.at(0).toObject().value(QStringLiteral("descending")).toBool(), true);

    const QJsonArray rows = root.value(QStringLiteral("rows")).toArray();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).toArray().at(1).toString(), QStringLiteral("bia"));
    QCOMPARE(rows.at(1).toArray().at(2).toDouble(), 2.5);
    QVERIFY(rows.at(1).toArray().at(3).isNull());
}

void TstTableFile::openAppliesTheTablesDefinitions()
{
    // A hand-edited file: rows before the fields, an extra field the table
    // does not have, a larger size for Nome, fields in another order, a
    // different index list. The table's own definitions win.
    WriteAll(File(), R"({"rows":[
[1,"ana",["extra",{"a":1}],true,1,3.5,null],
[2,"bia-bia-bia-bia",null,false,2,1.5,45000.5],
[3,"cris",7,null,3,9.5,null],
[4,"dani",8,null,4,0.5,null]],
"table":"outroNome","autoIncrement":5,"format":"Pulsim.Table","version":1,
"indexes":[{"name":"x","field":"Nome","descending":false}],
"fields":[{"name":"Codigo","type":"AutoInc","size":0,"readOnly":true,"required":false},
{"name":"Nome","type":"String","size":50,"readOnly":false,"required":true},
{"name":"Extra","type":"Blob","size":0,"readOnly":false,"required":false},
{"name":"Ativo","type":"Boolean","size":0,"readOnly":false,"required":false},
{"name":"Qtd","type":"Smallint","size":0,"readOnly":false,"required":false},
{"name":"Valor","type":"Float","size":0,"readOnly":false,"required":false},
{"name":"Quando","type":"DateTime","size":0,"readOnly":false,"required":false}]})");

    auto table = MakeTable(File());
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    table->SetIndexName(QStringLiteral("PorValor")); // chosen before the open, applied by it
    table->OnFilterRecord = [valor](TTable*) { return valor->AsFloat() > 1; };
    table->SetFiltered(true);
    table->Open();

    QCOMPARE(table->State(), TDataSetState::Browse);
    QVERIFY(!table->ChangesPending());
    QCOMPARE(Codes(*table), (QList<int>{3, 1, 2})); // Valor descending, 4 filtered out
    QVERIFY(table->Bof());
    QCOMPARE(table->RecNo(), 1);
    QCOMPARE(table->FieldByName(QStringLiteral("Codigo"))->AsInteger(), 3);
    QCOMPARE(table->FieldByName(QStringLiteral("Dobro"))->AsFloat(), 19.0); // calculated on load
    table->SetFiltered(false);
    table->Locate(QStringLiteral("Codigo"), 2);
    QCOMPARE(table->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("bia-bia-bi")); // cut to 10
    QCOMPARE(table->FieldByName(QStringLiteral("Quando"))->AsDateTime(), 45000.5);
    QCOMPARE(table->FieldByName(QStringLiteral("Ativo"))->AsBoolean(), false);
    QCOMPARE(table->FieldByName(QStringLiteral("Qtd"))->AsInteger(), 2);

    // Saved again in the table's own shape.
    Add(*table, QStringLiteral("eva"), 1);
    QCOMPARE(table->FieldByName(QStringLiteral("Codigo"))->AsInteger(), 5);
    table->Close();
    const QJsonObject root = QJsonDocument::fromJson(ReadAll(File())).object();
    QCOMPARE(root.value(QStringLiteral("table")).toString(), Name);
    QCOMPARE(root.value(QStringLiteral("fields")).toArray().size(), 6);
    QCOMPARE(root.value(QStringLiteral("fields")).toArray().at(1).toObject().value(QStringLiteral("size")).toInt(), 10);
}

void TstTableFile::openErrors_data()
{
    QTest::addColumn<int>("kind"); // 0: a file with these bytes, 1: no file, 2: a folder
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    const QByteArray valid = WithRows(R"([[1,"ana",1.5,true,7,45000.25]])");
    const auto bad = [&](const char* name, const QByteArray& content) { QTest::addRow("%s", name) << 0 << content << Missing; };

    QTest::addRow("no file") << 1 << QByteArray() << Missing;
    QTest::addRow("a folder in its place") << 2 << QByteArray() << Missing;
    bad("empty file", "");
    bad("only blanks", "  \n\t ");
    bad("not JSON", "Acessos do mês");
    bad("JSON array", "[]");
    bad("JSON string", "\"Pulsim.Table\"");
    bad("another program's JSON", R"({"name":"pulsim","fields":[{"name":"Codigo","type":"AutoInc"}],"rows":[]})");
    bad("another format", QByteArray(valid).replace("Pulsim.Table", "Other.Table"));
    bad("a later version", WithRows("[]").replace("\"version\":1", "\"version\":2"));
    bad("no version", WithRows("[]").replace("\"version\":1,", ""));
    bad("no rows", Header().chopped(1) + "}");
    bad("no fields", R"({"format":"Pulsim.Table","version":1,"rows":[]})");
    bad("fields not a list", R"({"format":"Pulsim.Table","version":1,"fields":{},"rows":[]})");
    bad("field without a type", R"({"format":"Pulsim.Table","version":1,"fields":[{"name":"Codigo"}],"rows":[]})");
    bad("rows not a list", WithRows("{}"));
    bad("row not a list", WithRows(R"([{"Codigo":1}])"));
    bad("row with too few values", WithRows(R"([[1,"ana",1.5,true,7]])"));
    bad("row with too many values", WithRows(R"([[1,"ana",1.5,true,7,45000.25,0]])"));
    bad("text in a Float field", WithRows(R"([[1,"ana","1.5",true,7,45000.25]])"));
    bad("number in a String field", WithRows(R"([[1,12,1.5,true,7,45000.25]])"));
    bad("number in a Boolean field", WithRows(R"([[1,"ana",1.5,1,7,45000.25]])"));
    bad("fraction in an integer field", WithRows(R"([[1.5,"ana",1.5,true,7,45000.25]])"));
    bad("smallint out of its range", WithRows(R"([[1,"ana",1.5,true,40000,45000.25]])"));
    bad("integer beyond 32 bits", WithRows(R"([[4294967296,"ana",1.5,true,7,45000.25]])"));
    bad("NaN", WithRows(R"([[1,"ana",NaN,true,7,45000.25]])"));
    bad("number too large for a double", WithRows(R"([[1,"ana",1e999,true,7,45000.25]])"));
    bad("number with a leading zero", WithRows(R"([[1,"ana",01.5,true,7,45000.25]])"));
    bad("number with a bare point", WithRows(R"([[1,"ana",1.,true,7,45000.25]])"));
    bad("invalid UTF-8", WithRows("[[1,\"a\xC3\x28\",1.5,true,7,45000.25]]"));
    bad("overlong UTF-8", WithRows("[[1,\"a\xC0\xAF\",1.5,true,7,45000.25]]"));
    bad("UTF-8 encoded surrogate", WithRows("[[1,\"a\xED\xA0\x80\",1.5,true,7,45000.25]]"));
    bad("raw control character in a string", WithRows("[[1,\"a\x01\",1.5,true,7,45000.25]]"));
    bad("unknown escape", WithRows(R"([[1,"a\q",1.5,true,7,45000.25]])"));
    bad("short unicode escape", WithRows(R"([[1,"a\u12",1.5,true,7,45000.25]])"));
    bad("unterminated string", WithRows(R"([[1,"ana,1.5,true,7,45000.25]])"));
    bad("missing comma", WithRows(R"([[1 "ana",1.5,true,7,45000.25]])"));
    bad("trailing comma", WithRows(R"([[1,"ana",1.5,true,7,45000.25,]])"));
    bad("misspelt literal", WithRows(R"([[1,"ana",1.5,ture,7,45000.25]])"));
    bad("text after the document", valid + "x");
    bad("two documents", valid + "{}");
    bad("a key twice", WithRows("[]").replace("\"version\":1", "\"version\":1,\"version\":1"));
    bad("a field twice", Header(R"([{"name":"Codigo","type":"AutoInc"},{"name":"Codigo","type":"AutoInc"}])") + R"("rows":[]})");
    bad("nested beyond reason", Header().chopped(1) + ",\"x\":" + QByteArray(100000, '[') + QByteArray(100000, ']')
                                    + R"(,"rows":[]})");

    const QByteArray withoutValor = R"([{"name":"Codigo","type":"AutoInc"},{"name":"Nome","type":"String","size":10},
{"name":"Ativo","type":"Boolean"},{"name":"Qtd","type":"Smallint"},{"name":"Quando","type":"DateTime"}])";
    QTest::addRow("a field missing") << 0 << (Header(withoutValor) + R"("rows":[]})")
                                     << QStringLiteral("cdsTeste: Field 'Valor' not found");
    QByteArray valorAsText = Header();
    valorAsText.replace(R"("name":"Valor","type":"Float")", R"("name":"Valor","type":"String")");
    QTest::addRow("a field of another type") << 0 << (valorAsText + R"("rows":[]})")
                                             << QStringLiteral("cdsTeste: Type mismatch for field 'Valor', expecting: Float actual: String");
    QByteArray codigoAsInteger = Header();
    codigoAsInteger.replace(R"("name":"Codigo","type":"AutoInc")", R"("name":"Codigo","type":"Integer")");
    QTest::addRow("auto-increment stored as an integer")
        << 0 << (codigoAsInteger + R"("rows":[]})")
        << QStringLiteral("cdsTeste: Type mismatch for field 'Codigo', expecting: AutoInc actual: Integer");
}

void TstTableFile::openErrors()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);

    if (kind == 0)
        WriteAll(File(), content);
    else if (kind == 2)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Teste.cds")));
    const QStringList before = Entries(m_dir->path());

    auto table = MakeTable(File());
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->Open(); }), message);
    QVERIFY(!table->Active());
    QCOMPARE(table->State(), TDataSetState::Inactive);
    table->Close(); // a table that never opened writes nothing
    QCOMPARE(Entries(m_dir->path()), before);
    if (kind == 0)
        QCOMPARE(ReadAll(File()), content);
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->First(); }),
             QStringLiteral("cdsTeste: Cannot perform this operation on a closed dataset"));
}

void TstTableFile::truncatedFiles()
{
    {
        auto table = MakeTable(File());
        table->CreateDataSet();
        Add(*table, QStringLiteral("ação"), 1.25);
        Add(*table, QStringLiteral("日本 \"q\""), -0.1);
        table->Append();
        table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("😀 e \\ e \n"));
        table->FieldByName(QStringLiteral("Ativo"))->SetAsBoolean(true);
        table->FieldByName(QStringLiteral("Qtd"))->SetAsInteger(-300);
        table->FieldByName(QStringLiteral("Quando"))->SetAsDateTime(45453.123456789);
        table->Post();
        table->Close();
    }
    const QByteArray whole = ReadAll(File());
    QVERIFY(whole.endsWith("}\n"));
    // Every cut that loses more than the final line break.
    for (qsizetype length = 0; length < whole.size() - 1; ++length) {
        const QByteArray cut = whole.left(length);
        WriteAll(File(), cut);
        auto table = MakeTable(File());
        const QString error = ErrorOf<EDatabaseError>([&] { table->Open(); });
        if (error != Missing || table->Active() || ReadAll(File()) != cut)
            QFAIL(qPrintable(QStringLiteral("cut at %1 of %2 bytes: %3").arg(length).arg(whole.size()).arg(error)));
    }
    WriteAll(File(), whole.chopped(1));
    auto table = MakeTable(File());
    table->Open();
    QCOMPARE(table->RecordCount(), 3);
}

void TstTableFile::autoIncrementOnOpen_data()
{
    QTest::addColumn<QByteArray>("stored"); // the autoIncrement member, empty for none
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("next");

    QTest::addRow("stored value ahead of the records") << QByteArray("10") << QByteArray(R"([[1,"a",1,null,null,null],[3,"b",2,null,null,null]])") << 10;
    QTest::addRow("records ahead of the stored value") << QByteArray("2") << QByteArray(R"([[7,"a",1,null,null,null],[3,"b",2,null,null,null]])") << 8;
    QTest::addRow("no stored value") << QByteArray() << QByteArray(R"([[4,"a",1,null,null,null]])") << 5;
    QTest::addRow("empty table") << QByteArray("6") << QByteArray("[]") << 6;
    QTest::addRow("empty table, no stored value") << QByteArray() << QByteArray("[]") << 1;
}

void TstTableFile::autoIncrementOnOpen()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, rows);
    QFETCH(int, next);

    QByteArray content = WithRows(rows);
    content.replace("\"autoIncrement\":3,", stored.isEmpty() ? QByteArray() : "\"autoIncrement\":" + stored + ",");
    WriteAll(File(), content);
    auto table = MakeTable(File());
    table->Open();
    Add(*table, QStringLiteral("novo"), 0);
    QCOMPARE(table->FieldByName(QStringLiteral("Codigo"))->AsInteger(), next);
}

void TstTableFile::autoIncrementSurvivesReopen()
{
    auto table = MakeTable(File());
    table->SetIndexName(QString());
    table->CreateDataSet();
    Add(*table, QStringLiteral("a"), 1);
    Add(*table, QStringLiteral("b"), 2);
    Add(*table, QStringLiteral("c"), 3);
    table->Last();
    table->Delete(); // the highest value is gone, but never given again
    table->Close();
    table->Open();
    Add(*table, QStringLiteral("d"), 4);
    QCOMPARE(Codes(*table), (QList<int>{1, 2, 4}));
}

void TstTableFile::deferredDeletion()
{
    // The program saves after every post and never after a deletion.
    auto table = MakeTable(File());
    table->AfterPost = [](TTable* sender) { sender->SaveToFile(); };
    table->CreateDataSet();
    Add(*table, QStringLiteral("a"), 1);
    Add(*table, QStringLiteral("b"), 2);
    Add(*table, QStringLiteral("c"), 3);
    QVERIFY(!table->ChangesPending());

    const auto inFile = [&] {
        auto other = MakeTable(File());
        other->SetIndexName(QString());
        other->Open();
        return Codes(*other);
    };
    QVERIFY(table->Locate(QStringLiteral("Codigo"), 2));
    table->Delete();
    QVERIFY(table->ChangesPending());
    QCOMPARE(inFile(), (QList<int>{1, 2, 3})); // still in the file

    QVERIFY(table->Locate(QStringLiteral("Codigo"), 1));
    table->Edit();
    table->FieldByName(QStringLiteral("Valor"))->SetAsFloat(10);
    table->Post(); // the next post's save takes the deletion along
    QCOMPARE(inFile(), (QList<int>{1, 3}));

    QVERIFY(table->Locate(QStringLiteral("Codigo"), 3));
    table->Delete();
    QCOMPARE(inFile(), (QList<int>{1, 3}));
    table->Close(); // and so does closing
    QCOMPARE(inFile(), QList<int>{1});
}

void TstTableFile::closeWrites_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<bool>("written");

    QTest::addRow("changes pending") << 0 << true;
    QTest::addRow("nothing changed") << 1 << false;
    QTest::addRow("nothing changed, file gone") << 2 << true;
    QTest::addRow("created empty") << 3 << true;
}

void TstTableFile::closeWrites()
{
    QFETCH(int, scenario);
    QFETCH(bool, written);

    // A valid file in a layout our writer never produces, so a rewrite shows.
    const QByteArray original = WithRows(R"([ [1, "ana", 1.5, true, 7, 45000.25] ,
                                              [2, "bia", 2.5, false, 8, null] ])");
    WriteAll(File(), original);
    auto table = MakeTable(File());
    if (scenario == 3) {
        QFile::remove(File());
        table->CreateDataSet();
        QVERIFY(table->ChangesPending());
    } else {
        table->Open();
    }
    if (scenario == 0)
        Add(*table, QStringLiteral("cris"), 3);
    if (scenario == 2)
        QVERIFY(QFile::remove(File()));
    table->Close();
    QVERIFY(!table->Active());
    QVERIFY(QFile::exists(File()));
    QCOMPARE(ReadAll(File()) != original, written);

    table->Open();
    QCOMPARE(table->RecordCount(), scenario == 0 ? 3 : (scenario == 3 ? 0 : 2));
}

void TstTableFile::closeCancelsEdit()
{
    auto table = MakeTable(File());
    table->CreateDataSet();
    Add(*table, QStringLiteral("a"), 1);
    table->Close();
    const QByteArray saved = ReadAll(File());

    table->Open();
    table->Edit();
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("mudado"));
    table->Close();
    QCOMPARE(ReadAll(File()), saved);
    table->Open();
    QCOMPARE(table->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("a"));
}

void TstTableFile::reopening()
{
    auto table = MakeTable(File());
    table->CreateDataSet();
    Add(*table, QStringLiteral("a"), 1);
    Add(*table, QStringLiteral("b"), 2);
    const TBookmark bookmark = table->GetBookmark();
    table->Close();

    table->Open();
    table->Last();
    table->Open(); // open already: nothing happens, the cursor stays
    QCOMPARE(table->RecNo(), 2);
    QVERIFY(!table->BookmarkValid(bookmark)); // bookmarks belong to one opening
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->GotoBookmark(bookmark); }), QStringLiteral("cdsTeste: Record not found"));
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->CreateDataSet(); }),
             QStringLiteral("cdsTeste: Cannot perform this operation on an open dataset"));
}

namespace {

enum class SaveFailure { ReadOnlyFolder, FileSizeLimit, FolderIsAFile, TargetIsAFolder };

// Ignoring SIGXFSZ turns a write past the file-size limit into an EFBIG error
// instead of killing the process.
struct FileSizeLimit {
    rlimit Saved{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Saved);
        rlimit limited = Saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &Saved); }
};

} // namespace

Q_DECLARE_METATYPE(SaveFailure)

void TstTableFile::failedSave_data()
{
    QTest::addColumn<SaveFailure>("failure");
    QTest::addColumn<QString>("reason");

    QTest::addRow("read-only folder") << SaveFailure::ReadOnlyFolder << "Permissão negada";
    QTest::addRow("disk limit reached") << SaveFailure::FileSizeLimit << "Arquivo muito grande";
    QTest::addRow("folder path through a file") << SaveFailure::FolderIsAFile << "Não é um diretório";
    QTest::addRow("a folder where the file goes") << SaveFailure::TargetIsAFolder << "É um diretório";
}

void TstTableFile::failedSave()
{
    QFETCH(SaveFailure, failure);
    QFETCH(QString, reason);
    if (failure == SaveFailure::ReadOnlyFolder && ::geteuid() == 0)
        QSKIP("root writes into read-only folders; the other rows make the failure real as root");

    const QString folder = m_dir->filePath(QStringLiteral("Dados"));
    QVERIFY(QDir().mkpath(folder));
    QString fileName = folder + QStringLiteral("/Teste.cds");
    auto table = MakeTable(fileName);
    table->CreateDataSet();
    Add(*table, QStringLiteral("antigo"), 1);
    table->SaveToFile();
    const QByteArray old = ReadAll(fileName);

    for (int i = 0; i < 300; ++i)
        Add(*table, QStringLiteral("novo %1").arg(i), i); // well past the old size
    QVERIFY(table->ChangesPending());

    std::unique_ptr<FileSizeLimit> limit;
    switch (failure) {
    case SaveFailure::ReadOnlyFolder: QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner)); break;
    case SaveFailure::FileSizeLimit: limit = std::make_unique<FileSizeLimit>(rlim_t(old.size() + 512)); break;
    case SaveFailure::FolderIsAFile:
        WriteAll(m_dir->filePath(QStringLiteral("arquivo")), "not a folder");
        fileName = m_dir->filePath(QStringLiteral("arquivo/Teste.cds"));
        table->SetFileName(fileName);
        break;
    case SaveFailure::TargetIsAFolder:
        QVERIFY(QFile::remove(fileName));
        QVERIFY(QDir().mkpath(fileName + QStringLiteral("/dentro")));
        break;
    }
    const QStringList before = Entries(folder);

    const QString error = ErrorOf<EInOutError>([&] { table->SaveToFile(); });
    limit.reset();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(error, QStringLiteral("cdsTeste: não foi possível gravar o arquivo \"%1\" (%2)").arg(fileName, reason));
    QCOMPARE(Entries(folder), before); // no temporary file left behind
    if (failure == SaveFailure::ReadOnlyFolder || failure == SaveFailure::FileSizeLimit)
        QCOMPARE(ReadAll(fileName), old);
    QVERIFY(table->ChangesPending());
    QVERIFY(table->Active());
    QCOMPARE(table->RecordCount(), 301);

    // Once the cause is gone, the next save goes through.
    if (failure == SaveFailure::FolderIsAFile) {
        QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("arquivo"))));
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("arquivo"))));
    } else if (failure == SaveFailure::TargetIsAFolder) {
        QVERIFY(QDir(fileName).removeRecursively());
    }
    table->SaveToFile();
    QVERIFY(!table->ChangesPending());
    auto reader = MakeTable(fileName);
    reader->Open();
    QCOMPARE(reader->RecordCount(), 301);
}

void TstTableFile::failedCloseKeepsTableOpen()
{
    WriteAll(m_dir->filePath(QStringLiteral("arquivo")), "not a folder");
    auto table = MakeTable(m_dir->filePath(QStringLiteral("arquivo/Teste.cds")));
    table->CreateDataSet();
    Add(*table, QStringLiteral("a"), 1);
    QCOMPARE(ErrorOf<EInOutError>([&] { table->Close(); }),
             QStringLiteral("cdsTeste: não foi possível gravar o arquivo \"%1\" (Não é um diretório)")
                 .arg(m_dir->filePath(QStringLiteral("arquivo/Teste.cds"))));
    QVERIFY(table->Active());
    QCOMPARE(table->RecordCount(), 1);
    QVERIFY(table->ChangesPending());

    table->SetFileName(File());
    table->Close();
    QVERIFY(!table->Active());
    table->Open();
    QCOMPARE(table->RecordCount(), 1);
}

void TstTableFile::saveKilledAtRandomMoments()
{
    const QString fileName = File(QStringLiteral("Acessos.cds"));
    {
        auto table = MakeKillTable(fileName);
        table->CreateDataSet();
        table->DisableControls();
        for (int i = 0; i < KillBaseRecords; ++i) {
            table->Append();
            table->FieldByName(QStringLiteral("Geracao"))->SetAsInteger(0);
            table->FieldByName(QStringLiteral("Texto"))->SetAsString(QStringLiteral("registro número %1").arg(i));
            table->FieldByName(QStringLiteral("Valor"))->SetAsFloat(i * 0.37);
            table->Post();
        }
        table->Close();
    }

    const QString tempPrefix = TableFile::TemporaryPrefix(fileName);
    QRandomGenerator random(4711);
    int lastGeneration = 0;
    constexpr int Rounds = 30;
    for (int round = 0; round < Rounds; ++round) {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("--save-loop"), fileName});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        QVERIFY(child.waitForStarted(10000));
        // Kill it at a random moment once it is saving over and over.
        QVERIFY2(child.waitForReadyRead(20000), "the child never got to its first save");
        QThread::usleep(random.bounded(60000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // The real name holds a complete table, the old or a newer one.
        auto table = MakeKillTable(fileName);
        const QString error = ErrorOf<EDatabaseError>([&] { table->Open(); });
        QVERIFY2(error == QLatin1String("<no error>"), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error)));
        TField* geracao = table->FieldByName(QStringLiteral("Geracao"));
        table->First();
        const int generation = geracao->AsInteger();
        table->Last();
        QCOMPARE(geracao->AsInteger(), generation);
        QCOMPARE(table->RecordCount(), KillBaseRecords + generation);
        QVERIFY(generation >= lastGeneration);
        lastGeneration = generation;
        table->Close();

        // Anything else in the folder is a temporary file, never the table.
        for (const QString& entry : Entries(m_dir->path()))
            QVERIFY2(entry == QLatin1String("Acessos.cds") || entry.startsWith(tempPrefix), qPrintable(entry));
    }
    QVERIFY2(lastGeneration >= Rounds / 2, "the child hardly ever saved: the kills proved nothing");

    // The next successful save clears temporary files left by killed saves.
    auto table = MakeKillTable(fileName);
    table->Open();
    table->Edit();
    table->FieldByName(QStringLiteral("Texto"))->SetAsString(QStringLiteral("fim"));
    table->Post();
    table->SaveToFile();
    QCOMPARE(Entries(m_dir->path()), QStringList{QStringLiteral("Acessos.cds")});
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--save-loop") == 0)
        return SaveLoop(QString::fromLocal8Bit(argv[2]));
    TstTableFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tablefile.moc"
