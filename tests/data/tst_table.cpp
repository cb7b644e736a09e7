// The table engine in memory: values and their conversions, protection of
// fields, posting with required fields and the post-error event, the cursor,
// order, filter, bookmarks, deletion and the view signals.

#include "core/DateTime.h"
#include "core/Errors.h"
#include "data/Table.h"
#include "tests/support/TableChecks.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>

Q_DECLARE_METATYPE(TFieldType)
Q_DECLARE_METATYPE(TDataAction)

namespace {

const QString Name = QStringLiteral("cdsTeste");

TFieldDef Data(const QString& name, TFieldType type, int size = 0, bool readOnly = false, bool required = false)
{
    return TFieldDef{name, type, size, readOnly, required, TFieldKind::Data};
}

TFieldDef Calculated(const QString& name, TFieldType type, int size = 0)
{
    return TFieldDef{name, type, size, false, false, TFieldKind::Calculated};
}

// Codigo (auto-increment), Nome String(20), Valor Float, Quando DateTime.
std::unique_ptr<TTable> MakeTable()
{
    auto table = std::make_unique<TTable>(Name);
    table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    table->AddField(Data(QStringLiteral("Nome"), TFieldType::String, 20));
    table->AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    table->AddField(Data(QStringLiteral("Quando"), TFieldType::DateTime));
    return table;
}

void Add(TTable& table, const QVariant& nome, const QVariant& valor, const QVariant& quando = QVariant())
{
    table.Append();
    table.FieldByName(QStringLiteral("Nome"))->SetValue(nome);
    table.FieldByName(QStringLiteral("Valor"))->SetValue(valor);
    table.FieldByName(QStringLiteral("Quando"))->SetValue(quando);
    table.Post();
}

// Records 1..count with Nome "r<n>" and Valor n.
std::unique_ptr<TTable> Numbered(int count)
{
    auto table = MakeTable();
    table->CreateDataSet();
    for (int i = 1; i <= count; ++i)
        Add(*table, QStringLiteral("r%1").arg(i), double(i));
    return table;
}

// The Codigo of every visible record, in the view's order.
QList<int> Codes(const TTable& table)
{
    QList<int> codes;
    for (int row = 0; table.ValueAt(row, 0).isValid(); ++row)
        codes.append(table.ValueAt(row, 0).toInt());
    return codes;
}

int Current(TTable& table)
{
    return table.FieldByName(QStringLiteral("Codigo"))->AsInteger();
}

} // namespace

class TstTable final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void assignConverts_data();
    void assignConverts();
    void assignRejects_data();
    void assignRejects();
    void nullReads();
    void asString_data();
    void asString();
    void displayText_data();
    void displayText();
    void writeProtection_data();
    void writeProtection();
    void closedTable_data();
    void closedTable();
    void unknownNames();
    void calculatedFields();
    void postError_data();
    void postError();
    void editOfEmptyTableAppends();
    void editAndAppendWhileEditing();
    void autoIncrement();
    void indexOrder_data();
    void indexOrder();
    void tiesKeepNaturalOrder_data();
    void tiesKeepNaturalOrder();
    void postRepositionsRecord();
    void filter();
    void filterCursorRule();
    void bookmarks();
    void hiddenBookmarkedRecordIsEdited();
    void cursorWalk();
    void emptyTable();
    void locate_data();
    void locate();
    void cursorMovePostsPendingEdit_data();
    void cursorMovePostsPendingEdit();
    void deleteMovesCursor_data();
    void deleteMovesCursor();
    void deleteRules();
    void callbackErrors();
    void callbacksCannotRestructure_data();
    void callbacksCannotRestructure();
    void viewSignals();
    void disableControls();
};

void TstTable::assignConverts_data()
{
    QTest::addColumn<TFieldType>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("stored");

    const QVariant null;
    QTest::addRow("integer from text") << TFieldType::Integer << 0 << QVariant(QStringLiteral("12")) << QVariant(12);
    QTest::addRow("integer from padded text") << TFieldType::Integer << 0 << QVariant(QStringLiteral(" -7 ")) << QVariant(-7);
    QTest::addRow("integer from 2.5 rounds to even") << TFieldType::Integer << 0 << QVariant(2.5) << QVariant(2);
    QTest::addRow("integer from 3.5 rounds to even") << TFieldType::Integer << 0 << QVariant(3.5) << QVariant(4);
    QTest::addRow("integer from empty text is null") << TFieldType::Integer << 0 << QVariant(QString()) << null;
    QTest::addRow("smallint lowest") << TFieldType::Smallint << 0 << QVariant(-32768) << QVariant(-32768);
    QTest::addRow("smallint highest from text") << TFieldType::Smallint << 0 << QVariant(QStringLiteral("32767")) << QVariant(32767);
    QTest::addRow("float from text with decimal comma") << TFieldType::Float << 0 << QVariant(QStringLiteral("1,5")) << QVariant(1.5);
    QTest::addRow("float from text with exponent") << TFieldType::Float << 0 << QVariant(QStringLiteral("2,5E3")) << QVariant(2500.0);
    QTest::addRow("float from integer") << TFieldType::Float << 0 << QVariant(3) << QVariant(3.0);
    QTest::addRow("float keeps every bit") << TFieldType::Float << 0 << QVariant(0.1 + 0.2) << QVariant(0.1 + 0.2);
    QTest::addRow("string cut to its size") << TFieldType::String << 5 << QVariant(QStringLiteral("abcdefgh")) << QVariant(QStringLiteral("abcde"));
    QTest::addRow("string within its size") << TFieldType::String << 5 << QVariant(QStringLiteral("abc")) << QVariant(QStringLiteral("abc"));
    QTest::addRow("empty string is null") << TFieldType::String << 5 << QVariant(QString()) << null;
    QTest::addRow("cut never splits a surrogate pair") << TFieldType::String << 3
                                                       << QVariant(QStringLiteral("ab\U0001F600c")) << QVariant(QStringLiteral("ab"));
    QTest::addRow("string from float") << TFieldType::String << 10 << QVariant(1.5) << QVariant(QStringLiteral("1,5"));
    QTest::addRow("boolean from text") << TFieldType::Boolean << 0 << QVariant(QStringLiteral("true")) << QVariant(true);
    QTest::addRow("boolean from upper-case text") << TFieldType::Boolean << 0 << QVariant(QStringLiteral("FALSE")) << QVariant(false);
    QTest::addRow("date keeps the whole days") << TFieldType::Date << 0 << QVariant(45000.75) << QVariant(45000.0);
    QTest::addRow("date from text") << TFieldType::Date << 0 << QVariant(QStringLiteral("10/06/2024")) << QVariant(EncodeDate(2024, 6, 10));
    QTest::addRow("time keeps the time of day") << TFieldType::Time << 0 << QVariant(45000.25) << QVariant(0.25);
    QTest::addRow("time from text") << TFieldType::Time << 0 << QVariant(QStringLiteral("13:45:10")) << QVariant(EncodeTime(13, 45, 10));
    QTest::addRow("date-time from text") << TFieldType::DateTime << 0 << QVariant(QStringLiteral("10/06/2024 13:45"))
                                         << QVariant(EncodeDateTime(2024, 6, 10, 13, 45, 0));
    QTest::addRow("date-time from QDateTime") << TFieldType::DateTime << 0
                                              << QVariant(QDateTime(QDate(2024, 6, 10), QTime(8, 30)))
                                              << QVariant(EncodeDateTime(2024, 6, 10, 8, 30, 0));
    QTest::addRow("date-time keeps every bit") << TFieldType::DateTime << 0 << QVariant(45453.123456789012)
                                               << QVariant(45453.123456789012);
}

void TstTable::assignConverts()
{
    QFETCH(TFieldType, type);
    QFETCH(int, size);
    QFETCH(QVariant, input);
    QFETCH(QVariant, stored);

    TTable table(Name);
    TField* field = table.AddField(Data(QStringLiteral("X"), type, size));
    table.CreateDataSet();
    table.Append();
    field->SetValue(input);
    QVERIFY2(SameBits(field->Value(), stored), qPrintable(field->Value().toString()));
    table.Post();
    QVERIFY(SameBits(field->Value(), stored));
    QVERIFY(SameBits(table.ValueAt(0, 0), stored));
}

void TstTable::assignRejects_data()
{
    QTest::addColumn<TFieldType>("type");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QString>("message");

    QTest::addRow("integer from words") << TFieldType::Integer << QVariant(QStringLiteral("abc"))
                                        << "cdsTeste: 'abc' is not a valid value for field 'X'";
    QTest::addRow("integer from a fraction") << TFieldType::Integer << QVariant(QStringLiteral("1,5"))
                                             << "cdsTeste: '1,5' is not a valid value for field 'X'";
    QTest::addRow("integer beyond 32 bits") << TFieldType::Integer << QVariant(qint64(3000000000))
                                            << "cdsTeste: 3000000000 is not a valid value for field 'X'. "
                                               "The allowed range is -2147483648 to 2147483647";
    QTest::addRow("smallint above its range") << TFieldType::Smallint << QVariant(40000)
                                              << "cdsTeste: 40000 is not a valid value for field 'X'. "
                                                 "The allowed range is -32768 to 32767";
    QTest::addRow("smallint below its range as text") << TFieldType::Smallint << QVariant(QStringLiteral("-32769"))
                                                      << "cdsTeste: -32769 is not a valid value for field 'X'. "
                                                         "The allowed range is -32768 to 32767";
    QTest::addRow("float with a point in a comma locale") << TFieldType::Float << QVariant(QStringLiteral("1.5"))
                                                          << "cdsTeste: '1.5' is not a valid value for field 'X'";
    QTest::addRow("float not a number") << TFieldType::Float << QVariant(std::nan(""))
                                        << "cdsTeste: 'nan' is not a valid value for field 'X'";
    QTest::addRow("float infinite") << TFieldType::Float << QVariant(std::numeric_limits<double>::infinity())
                                    << "cdsTeste: 'inf' is not a valid value for field 'X'";
    QTest::addRow("date-time infinite") << TFieldType::DateTime << QVariant(std::numeric_limits<double>::infinity())
                                        << "cdsTeste: 'inf' is not a valid value for field 'X'";
    QTest::addRow("boolean from words") << TFieldType::Boolean << QVariant(QStringLiteral("talvez"))
                                        << "cdsTeste: 'talvez' is not a valid value for field 'X'";
    QTest::addRow("impossible date") << TFieldType::Date << QVariant(QStringLiteral("31/02/2024"))
                                     << "cdsTeste: '31/02/2024' is not a valid value for field 'X'";
    QTest::addRow("impossible time") << TFieldType::Time << QVariant(QStringLiteral("25:00"))
                                     << "cdsTeste: '25:00' is not a valid value for field 'X'";
}

void TstTable::assignRejects()
{
    QFETCH(TFieldType, type);
    QFETCH(QVariant, input);
    QFETCH(QString, message);

    TTable table(Name);
    TField* field = table.AddField(Data(QStringLiteral("X"), type));
    table.CreateDataSet();
    table.Append();
    QCOMPARE(ErrorOf<EDatabaseError>([&] { field->SetValue(input); }), message);
    QVERIFY(field->IsNull()); // the field keeps what it had
}

void TstTable::nullReads()
{
    TTable table(Name);
    const QList<TFieldType> types = {TFieldType::Integer, TFieldType::Smallint, TFieldType::Float, TFieldType::String,
                                     TFieldType::Boolean, TFieldType::Date,     TFieldType::Time,  TFieldType::DateTime};
    for (qsizetype i = 0; i < types.size(); ++i)
        table.AddField(Data(QStringLiteral("F%1").arg(i), types[i], types[i] == TFieldType::String ? 10 : 0));
    table.CreateDataSet();
    table.Append();
    table.Post();
    for (int i = 0; i < table.FieldCount(); ++i) {
        const TField* field = table.Fields(i);
        QVERIFY(field->IsNull());
        QVERIFY(!field->Value().isValid());
        QCOMPARE(field->AsFloat(), 0.0);
        QCOMPARE(field->AsInteger(), 0);
        QCOMPARE(field->AsBoolean(), false);
        QCOMPARE(field->AsString(), QString());
        QCOMPARE(field->AsDateTime(), 0.0);
        table.Fields(i)->DisplayFormat = QStringLiteral("0.00");
        QCOMPARE(field->DisplayText(), QString());
    }
}

void TstTable::asString_data()
{
    QTest::addColumn<TFieldType>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::addRow("integer") << TFieldType::Integer << QVariant(42) << "42";
    QTest::addRow("float") << TFieldType::Float << QVariant(1234.5) << "1234,5";
    QTest::addRow("huge float") << TFieldType::Float << QVariant(1e20) << "1E20";
    QTest::addRow("true") << TFieldType::Boolean << QVariant(true) << "True";
    QTest::addRow("false") << TFieldType::Boolean << QVariant(false) << "False";
    QTest::addRow("date") << TFieldType::Date << QVariant(EncodeDate(2024, 6, 10)) << "10/06/2024";
    QTest::addRow("time") << TFieldType::Time << QVariant(EncodeTime(13, 5, 9)) << "13:05:09";
    QTest::addRow("date-time") << TFieldType::DateTime << QVariant(EncodeDateTime(2024, 6, 10, 13, 5, 9))
                               << "10/06/2024 13:05:09";
    QTest::addRow("date-time at midnight") << TFieldType::DateTime << QVariant(EncodeDate(2024, 6, 10)) << "10/06/2024";
    QTest::addRow("string") << TFieldType::String << QVariant(QStringLiteral("Olá")) << "Olá";
}

void TstTable::asString()
{
    QFETCH(TFieldType, type);
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    TTable table(Name);
    TField* field = table.AddField(Data(QStringLiteral("X"), type, type == TFieldType::String ? 10 : 0));
    table.CreateDataSet();
    table.Append();
    field->SetValue(value);
    table.Post();
    QCOMPARE(field->AsString(), text);
    QCOMPARE(field->DisplayText(), text); // no display format: the same text

    // And the text reads back as the same value.
    table.Edit();
    field->SetAsString(text);
    QVERIFY(SameBits(field->Value(), value));
}

void TstTable::displayText_data()
{
    QTest::addColumn<TFieldType>("type");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::addRow("money") << TFieldType::Float << "'R$' #,0.0000" << QVariant(1234.5) << "R$ 1.234,5000";
    QTest::addRow("grouped") << TFieldType::Float << "#,0.0000" << QVariant(0.5) << "0,5000";
    QTest::addRow("zero-padded integer") << TFieldType::Integer << "000" << QVariant(7) << "007";
    QTest::addRow("date-time picture") << TFieldType::DateTime << "dd/mm/yyyy hh:nn"
                                       << QVariant(EncodeDateTime(2024, 6, 10, 13, 5, 0)) << "10/06/2024 13:05";
    QTest::addRow("time picture") << TFieldType::Time << "hh:nn" << QVariant(EncodeTime(7, 45, 0)) << "07:45";
    QTest::addRow("no picture: the value's text") << TFieldType::Float << "" << QVariant(2.5) << "2,5";
    QTest::addRow("boolean ignores a picture") << TFieldType::Boolean << "0.00" << QVariant(true) << "True";
    QTest::addRow("string ignores a picture") << TFieldType::String << "0.00" << QVariant(QStringLiteral("abc")) << "abc";
    QTest::addRow("null with a picture") << TFieldType::Float << "0.00" << QVariant() << "";
}

void TstTable::displayText()
{
    QFETCH(TFieldType, type);
    QFETCH(QString, format);
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    TTable table(Name);
    TField* field = table.AddField(Data(QStringLiteral("X"), type, type == TFieldType::String ? 10 : 0));
    field->DisplayFormat = format;
    table.CreateDataSet();
    table.Append();
    field->SetValue(value);
    table.Post();
    QCOMPARE(field->DisplayText(), text);
    QCOMPARE(table.DisplayTextAt(0, 0), text);
}

namespace {

enum class Protection { BrowseState, ReadOnlyField, AutoIncField, CalculatedField, DataFieldInCalc, PostInBrowse, WriteInFilter };

} // namespace

Q_DECLARE_METATYPE(Protection)

void TstTable::writeProtection_data()
{
    QTest::addColumn<Protection>("scenario");
    QTest::addColumn<QString>("message");

    QTest::addRow("write in browse state") << Protection::BrowseState << "cdsTeste: Dataset not in edit or insert mode";
    QTest::addRow("read-only field") << Protection::ReadOnlyField << "cdsTeste: Field 'Fixo' cannot be modified";
    QTest::addRow("auto-increment field") << Protection::AutoIncField << "cdsTeste: Field 'Codigo' cannot be modified";
    QTest::addRow("calculated field outside the calculation") << Protection::CalculatedField
                                                              << "cdsTeste: Field 'Dobro' cannot be modified";
    QTest::addRow("data field inside the calculation") << Protection::DataFieldInCalc
                                                       << "cdsTeste: Field 'Valor' cannot be modified";
    QTest::addRow("post in browse state") << Protection::PostInBrowse << "cdsTeste: Dataset not in edit or insert mode";
    QTest::addRow("write inside the filter") << Protection::WriteInFilter << "cdsTeste: Dataset not in edit or insert mode";
}

void TstTable::writeProtection()
{
    QFETCH(Protection, scenario);
    QFETCH(QString, message);

    TTable table(Name);
    TField* codigo = table.AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    TField* valor = table.AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    TField* fixo = table.AddField(Data(QStringLiteral("Fixo"), TFieldType::Integer, 0, true));
    TField* dobro = table.AddField(Calculated(QStringLiteral("Dobro"), TFieldType::Float));
    bool writeData = false;
    table.OnCalcFields = [&](TTable*) {
        dobro->SetAsFloat(valor->AsFloat() * 2);
        if (writeData)
            valor->SetAsFloat(99);
    };
    table.OnFilterRecord = [&](TTable*) {
        valor->SetAsFloat(99);
        return true;
    };
    table.CreateDataSet();
    table.Append();
    valor->SetAsFloat(1);
    table.Post();

    QString error;
    switch (scenario) {
    case Protection::BrowseState: error = ErrorOf<EDatabaseError>([&] { valor->SetAsFloat(5); }); break;
    case Protection::ReadOnlyField:
        table.Edit();
        error = ErrorOf<EDatabaseError>([&] { fixo->SetAsInteger(5); });
        break;
    case Protection::AutoIncField:
        table.Edit();
        error = ErrorOf<EDatabaseError>([&] { codigo->SetAsInteger(5); });
        break;
    case Protection::CalculatedField:
        table.Edit();
        error = ErrorOf<EDatabaseError>([&] { dobro->SetAsFloat(5); });
        break;
    case Protection::DataFieldInCalc:
        writeData = true;
        table.Edit();
        error = ErrorOf<EDatabaseError>([&] { table.Post(); });
        break;
    case Protection::PostInBrowse: error = ErrorOf<EDatabaseError>([&] { table.Post(); }); break;
    case Protection::WriteInFilter: error = ErrorOf<EDatabaseError>([&] { table.SetFiltered(true); }); break;
    }
    QCOMPARE(error, message);
    table.Cancel();
    QCOMPARE(valor->AsFloat(), 1.0);
    QCOMPARE(codigo->AsInteger(), 1);
    QVERIFY(fixo->IsNull());
    QCOMPARE(dobro->AsFloat(), 2.0);
}

void TstTable::closedTable_data()
{
    QTest::addColumn<int>("operation");
    const char* names[] = {"RecordCount", "RecNo",   "SetRecNo", "First",      "Last",     "Next",      "Prior",
                           "Locate",      "GetBookmark", "GotoBookmark", "Append", "Edit", "Post", "Cancel",
                           "Delete",      "read a field", "write a field", "SaveToFile", "IsEmpty"};
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::addRow("%s", names[i]) << i;
}

void TstTable::closedTable()
{
    QFETCH(int, operation);
    auto table = Numbered(2);
    const TBookmark bookmark = table->GetBookmark();
    table->SetFileName(QString()); // a table without a file closes without writing
    table->Close();
    TField* nome = table->FieldByName(QStringLiteral("Nome"));
    const std::function<void()> operations[] = {
        [&] { table->RecordCount(); },   [&] { table->RecNo(); },     [&] { table->SetRecNo(1); },
        [&] { table->First(); },         [&] { table->Last(); },      [&] { table->Next(); },
        [&] { table->Prior(); },         [&] { table->Locate(QStringLiteral("Codigo"), 1); },
        [&] { table->GetBookmark(); },   [&] { table->GotoBookmark(bookmark); },
        [&] { table->Append(); },        [&] { table->Edit(); },      [&] { table->Post(); },
        [&] { table->Cancel(); },        [&] { table->Delete(); },    [&] { nome->AsString(); },
        [&] { nome->SetAsString(QStringLiteral("x")); },            [&] { table->SaveToFile(); },
        [&] { table->IsEmpty(); },
    };
    QCOMPARE(ErrorOf<EDatabaseError>(operations[operation]),
             QStringLiteral("cdsTeste: Cannot perform this operation on a closed dataset"));

    // What views read never throws.
    QVERIFY(!table->ValueAt(0, 0).isValid());
    QCOMPARE(table->DisplayTextAt(0, 1), QString());
    QCOMPARE(table->BookmarkAt(0), TBookmark(0));
    QCOMPARE(table->RowOf(bookmark), -1);
    QVERIFY(!table->BookmarkValid(bookmark));
    QVERIFY(table->Bof() && table->Eof());
    QCOMPARE(table->State(), TDataSetState::Inactive);
}

void TstTable::unknownNames()
{
    auto table = Numbered(1);
    QCOMPARE(ErrorOf([&] { table->FieldByName(QStringLiteral("Nada")); }), QStringLiteral("cdsTeste: Field 'Nada' not found"));
    QVERIFY(!table->FindField(QStringLiteral("Nada")));
    QCOMPARE(table->FieldByName(QStringLiteral("valor")), table->FieldByName(QStringLiteral("Valor")));
    QCOMPARE(ErrorOf([&] { table->Locate(QStringLiteral("Nada"), 1); }), QStringLiteral("cdsTeste: Field 'Nada' not found"));
    QCOMPARE(ErrorOf([&] { table->SetIndexName(QStringLiteral("Nada")); }), QStringLiteral("cdsTeste: Index 'Nada' not found"));
    QCOMPARE(ErrorOf([&] { table->DeleteIndex(QStringLiteral("Nada")); }), QStringLiteral("cdsTeste: Index 'Nada' not found"));
    QCOMPARE(ErrorOf([&] { table->AddIndex(QStringLiteral("I"), QStringLiteral("Nada"), false); }),
             QStringLiteral("cdsTeste: Field 'Nada' not found"));
    QCOMPARE(table->IndexName(), QString());
}

void TstTable::calculatedFields()
{
    TTable table(Name);
    TField* valor = table.AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    TField* texto = table.AddField(Calculated(QStringLiteral("Texto"), TFieldType::String, 4));
    TField* dobro = table.AddField(Calculated(QStringLiteral("Dobro"), TFieldType::Float));
    int calls = 0;
    table.OnCalcFields = [&](TTable* sender) {
        QCOMPARE(sender, &table);
        QCOMPARE(sender->State(), TDataSetState::CalcFields);
        ++calls;
        dobro->SetAsFloat(valor->AsFloat() * 2);
        texto->SetAsString(QStringLiteral("v=%1").arg(valor->AsFloat())); // cut to 4 characters
    };
    table.CreateDataSet();
    table.Append();
    valor->SetAsFloat(21);
    QVERIFY(dobro->IsNull()); // computed when the record is posted
    table.Post();
    QCOMPARE(calls, 1);
    QCOMPARE(dobro->AsFloat(), 42.0);
    QCOMPARE(texto->AsString(), QStringLiteral("v=21"));
    QCOMPARE(table.State(), TDataSetState::Browse);

    table.Edit();
    valor->SetAsFloat(5);
    table.Post();
    QCOMPARE(calls, 2);
    QCOMPARE(dobro->AsFloat(), 10.0);
    QCOMPARE(table.ValueAt(0, 2), QVariant(10.0));
}

void TstTable::postError_data()
{
    QTest::addColumn<bool>("editing");   // an existing record rather than a new one
    QTest::addColumn<int>("handler");    // -1: none; otherwise the action answered
    QTest::addColumn<bool>("posted");
    QTest::addColumn<bool>("aborted");   // EAbort rather than the error itself

    const int fail = int(TDataAction::Fail), abort = int(TDataAction::Abort), retry = int(TDataAction::Retry);
    QTest::addRow("insert, no handler") << false << -1 << false << false;
    QTest::addRow("insert, fail") << false << fail << false << false;
    QTest::addRow("insert, abort") << false << abort << false << true;
    QTest::addRow("insert, retry after a fix") << false << retry << true << false;
    QTest::addRow("edit, no handler") << true << -1 << false << false;
    QTest::addRow("edit, abort") << true << abort << false << true;
    QTest::addRow("edit, retry after a fix") << true << retry << true << false;
}

void TstTable::postError()
{
    QFETCH(bool, editing);
    QFETCH(int, handler);
    QFETCH(bool, posted);
    QFETCH(bool, aborted);

    TTable table(QStringLiteral("cdsUsuarios"));
    TField* codigo = table.AddField(Data(QStringLiteral("CodigoUsuario"), TFieldType::AutoInc));
    TField* nome = table.AddField(Data(QStringLiteral("Nome"), TFieldType::String, 127, false, true));
    TField* obs = table.AddField(Data(QStringLiteral("Obs"), TFieldType::String, 10));
    table.CreateDataSet();
    if (editing) {
        table.Append();
        nome->SetAsString(QStringLiteral("ana"));
        table.Post();
        table.Edit();
    } else {
        table.Append();
    }
    nome->SetAsString(QString()); // an empty text is no value
    obs->SetAsString(QStringLiteral("nota"));

    QStringList seen;
    if (handler >= 0) {
        table.OnPostError = [&](TTable* sender, const EDatabaseError& error) {
            seen.append(sender == &table ? error.Message() : QStringLiteral("<another sender>"));
            if (TDataAction(handler) == TDataAction::Retry)
                nome->SetAsString(QStringLiteral("bia"));
            return TDataAction(handler);
        };
    }
    const TDataSetState editState = editing ? TDataSetState::Edit : TDataSetState::Insert;
    const QString message = QStringLiteral("cdsUsuarios: Field 'Nome' must have a value");
    if (posted) {
        table.Post();
        QCOMPARE(table.State(), TDataSetState::Browse);
        QCOMPARE(nome->AsString(), QStringLiteral("bia"));
        QCOMPARE(codigo->AsInteger(), 1);
    } else if (aborted) {
        QVERIFY_THROWS_EXCEPTION(EAbort, table.Post());
        QCOMPARE(table.State(), editState);
        QCOMPARE(obs->AsString(), QStringLiteral("nota")); // the buffer is intact
        nome->SetAsString(QStringLiteral("cleo"));
        table.OnPostError = nullptr;
        table.Post(); // and the user can finish the record
        QCOMPARE(nome->AsString(), QStringLiteral("cleo"));
    } else {
        QCOMPARE(ErrorOf<EDatabaseError>([&] { table.Post(); }), message);
        QCOMPARE(table.State(), editState);
        QCOMPARE(obs->AsString(), QStringLiteral("nota"));
    }
    QCOMPARE(table.RecordCount(), editing || posted || aborted ? 1 : 0);
    if (handler >= 0)
        QCOMPARE(seen, QStringList{message});
}

void TstTable::editOfEmptyTableAppends()
{
    auto table = MakeTable();
    table->CreateDataSet();
    table->Edit();
    QCOMPARE(table->State(), TDataSetState::Insert);
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("config"));
    table->Post();
    QCOMPARE(table->RecordCount(), 1);

    table->Edit();
    QCOMPARE(table->State(), TDataSetState::Edit);
    table->FieldByName(QStringLiteral("Valor"))->SetAsFloat(3);
    table->Post();
    QCOMPARE(table->RecordCount(), 1);
    QCOMPARE(table->FieldByName(QStringLiteral("Nome"))->AsString(), QStringLiteral("config"));
    QCOMPARE(table->FieldByName(QStringLiteral("Valor"))->AsFloat(), 3.0);
}

void TstTable::editAndAppendWhileEditing()
{
    auto table = Numbered(2);
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    table->First();
    table->Edit();
    valor->SetAsFloat(10);
    table->Edit(); // already editing: nothing happens
    QCOMPARE(table->State(), TDataSetState::Edit);
    QCOMPARE(valor->AsFloat(), 10.0);

    table->Append(); // posts the edit first
    QCOMPARE(table->State(), TDataSetState::Insert);
    QVERIFY(valor->IsNull());
    table->Cancel();
    QCOMPARE(table->State(), TDataSetState::Browse);
    QCOMPARE(table->RecordCount(), 2);
    QCOMPARE(table->ValueAt(0, 2), QVariant(10.0));
}

void TstTable::autoIncrement()
{
    auto table = MakeTable();
    TField* codigo = table->FieldByName(QStringLiteral("Codigo"));
    table->CreateDataSet();
    table->Append();
    QVERIFY(codigo->IsNull()); // assigned by the post
    table->Post();
    QCOMPARE(codigo->AsInteger(), 1);
    Add(*table, QStringLiteral("b"), 2);
    Add(*table, QStringLiteral("c"), 3);
    QCOMPARE(Codes(*table), (QList<int>{1, 2, 3}));
    table->Last();
    table->Delete();
    Add(*table, QStringLiteral("d"), 4);
    QCOMPARE(Codes(*table), (QList<int>{1, 2, 4})); // a deleted value is never given again
    table->Cancel();
}

void TstTable::indexOrder_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QList<int>>("codes");

    // Records: 1 beta 2 d3 | 2 Alfa 1 d1 | 3 (null) 2 (null) | 4 alfa 3 d2 | 5 Beta (null) d1 | 6 beta 2 d3
    QTest::addRow("string ascending: nulls first, case-insensitive, case-sensitive tie-break")
        << "Nome" << false << QList<int>{3, 2, 4, 5, 1, 6};
    QTest::addRow("string descending") << "Nome" << true << QList<int>{1, 6, 5, 4, 2, 3};
    QTest::addRow("float ascending, ties in natural order") << "Valor" << false << QList<int>{5, 2, 1, 3, 6, 4};
    QTest::addRow("float descending, ties in natural order") << "Valor" << true << QList<int>{4, 1, 3, 6, 2, 5};
    QTest::addRow("date-time ascending") << "Quando" << false << QList<int>{3, 2, 5, 4, 1, 6};
    QTest::addRow("date-time descending") << "Quando" << true << QList<int>{1, 6, 4, 2, 5, 3};
    QTest::addRow("auto-increment descending") << "Codigo" << true << QList<int>{6, 5, 4, 3, 2, 1};
}

void TstTable::indexOrder()
{
    QFETCH(QString, field);
    QFETCH(bool, descending);
    QFETCH(QList<int>, codes);

    auto table = MakeTable();
    table->AddIndex(QStringLiteral("Ordem"), field, descending);
    table->CreateDataSet();
    const TDateTime d1 = EncodeDate(2024, 1, 1), d2 = EncodeDate(2024, 2, 1), d3 = EncodeDate(2024, 3, 1);
    Add(*table, QStringLiteral("beta"), 2.0, d3);
    Add(*table, QStringLiteral("Alfa"), 1.0, d1);
    Add(*table, QVariant(), 2.0);
    Add(*table, QStringLiteral("alfa"), 3.0, d2);
    Add(*table, QStringLiteral("Beta"), QVariant(), d1);
    Add(*table, QStringLiteral("beta"), 2.0, d3);

    table->SetIndexName(QStringLiteral("ordem")); // index names match whatever their case
    QCOMPARE(table->IndexName(), QStringLiteral("Ordem"));
    QCOMPARE(Codes(*table), codes);
    table->First();
    QList<int> walked;
    for (; !table->Eof(); table->Next())
        walked.append(Current(*table));
    QCOMPARE(walked, codes);

    table->SetIndexName(QString());
    QCOMPARE(Codes(*table), (QList<int>{1, 2, 3, 4, 5, 6}));
}

void TstTable::tiesKeepNaturalOrder_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("descending");
    QTest::addRow("numbers ascending") << "Valor" << false;
    QTest::addRow("numbers descending") << "Valor" << true;
    QTest::addRow("strings ascending") << "Nome" << false;
    QTest::addRow("strings descending") << "Nome" << true;
}

void TstTable::tiesKeepNaturalOrder()
{
    // Enough records that a sort which does not keep ties in place shows it.
    QFETCH(QString, field);
    QFETCH(bool, descending);
    auto table = MakeTable();
    table->AddIndex(QStringLiteral("Ordem"), field, descending);
    table->SetIndexName(QStringLiteral("Ordem"));
    table->CreateDataSet();
    for (int i = 0; i < 300; ++i)
        Add(*table, QStringLiteral("grupo %1").arg(i % 3), double(i % 3));
    const QList<int> codes = Codes(*table);
    QCOMPARE(codes.size(), 300);
    for (qsizetype row = 1; row < codes.size(); ++row) {
        const int group = (codes[row] - 1) % 3, previous = (codes[row - 1] - 1) % 3;
        QVERIFY(descending ? group <= previous : group >= previous);
        if (group == previous)
            QVERIFY2(codes[row] > codes[row - 1], qPrintable(QStringLiteral("row %1").arg(row)));
    }

    // The same after a fresh sort of the whole table.
    table->SetIndexName(QString());
    table->SetIndexName(QStringLiteral("Ordem"));
    QCOMPARE(Codes(*table), codes);
}

void TstTable::postRepositionsRecord()
{
    auto table = Numbered(5);
    table->AddIndex(QStringLiteral("PorValor"), QStringLiteral("Valor"), false);
    table->SetIndexName(QStringLiteral("PorValor"));
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    QSignalSpy dataChanged(table.get(), &TTable::DataChanged);
    QSignalSpy recordChanged(table.get(), &TTable::RecordChanged);

    table->Locate(QStringLiteral("Codigo"), 2);
    table->Edit();
    valor->SetAsFloat(4); // ties with record 4: natural order puts 2 first
    table->Post();
    QCOMPARE(Codes(*table), (QList<int>{1, 3, 2, 4, 5}));
    QCOMPARE(Current(*table), 2);
    QCOMPARE(table->RecNo(), 3);
    QCOMPARE(dataChanged.count(), 1);
    QCOMPARE(recordChanged.count(), 0);

    table->Edit();
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("outro")); // order unaffected
    table->Post();
    QCOMPARE(dataChanged.count(), 1);
    QCOMPARE(recordChanged.count(), 1);
    QCOMPARE(recordChanged.at(0).at(0).toInt(), 2);

    Add(*table, QStringLiteral("meio"), 2.5);
    QCOMPARE(Codes(*table), (QList<int>{1, 6, 3, 2, 4, 5}));
    QCOMPARE(Current(*table), 6);
    QCOMPARE(table->RecNo(), 2);

    table->Edit();
    valor->SetAsFloat(100);
    table->Post();
    QCOMPARE(Codes(*table), (QList<int>{1, 3, 2, 4, 5, 6}));
    QCOMPARE(table->RecNo(), 6);
}

void TstTable::filter()
{
    auto table = Numbered(6);
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    double threshold = 3;
    int calls = 0;
    table->OnFilterRecord = [&](TTable* sender) {
        ++calls;
        [&] { QCOMPARE(sender->State(), TDataSetState::Filter); }();
        return valor->AsFloat() >= threshold;
    };
    QCOMPARE(calls, 0); // not used while the filter is off
    table->SetFiltered(true);
    QVERIFY(table->Filtered());
    QCOMPARE(calls, 6);
    QCOMPARE(Codes(*table), (QList<int>{3, 4, 5, 6}));
    QCOMPARE(table->State(), TDataSetState::Browse);

    threshold = 5; // the filter keeps its answers until it is applied again
    QCOMPARE(Codes(*table), (QList<int>{3, 4, 5, 6}));
    table->SetFiltered(false);
    QCOMPARE(Codes(*table), (QList<int>{1, 2, 3, 4, 5, 6}));
    table->SetFiltered(true);
    QCOMPARE(Codes(*table), (QList<int>{5, 6}));
    threshold = 6;
    table->SetFiltered(true); // switching on again while on also applies it anew
    QCOMPARE(Codes(*table), (QList<int>{6}));

    // A post asks the filter about the posted record only.
    threshold = 1;
    calls = 0;
    table->Edit();
    valor->SetAsFloat(7);
    table->Post();
    QCOMPARE(calls, 1);
    QCOMPARE(Codes(*table), (QList<int>{6}));
    threshold = 100;
    table->Edit();
    valor->SetAsFloat(8);
    table->Post(); // filtered out: gone from the view, still the current record
    QCOMPARE(Codes(*table), QList<int>{});
    QCOMPARE(Current(*table), 6);
    QCOMPARE(table->RecNo(), 0);
    QCOMPARE(valor->AsFloat(), 8.0);
}

void TstTable::filterCursorRule()
{
    auto table = Numbered(6);
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    QList<int> accepted = {2, 4, 6};
    table->OnFilterRecord = [&](TTable*) { return accepted.contains(int(valor->AsFloat())); };

    table->SetRecNo(4); // record 4 is kept
    table->SetFiltered(true);
    QCOMPARE(Current(*table), 4);
    QCOMPARE(table->RecNo(), 2);

    accepted = {1, 3, 5}; // record 4 is filtered out: the first visible takes over
    table->SetFiltered(false);
    table->SetFiltered(true);
    QCOMPARE(Current(*table), 1);
    QCOMPARE(table->RecNo(), 1);
    QVERIFY(table->Bof());

    accepted = {}; // nothing visible
    table->SetFiltered(true);
    QCOMPARE(table->RecordCount(), 0);
    QCOMPARE(table->RecNo(), 0);
    QVERIFY(table->Bof() && table->Eof());
    QVERIFY(valor->IsNull());
    table->Edit(); // an empty view: Edit appends
    QCOMPARE(table->State(), TDataSetState::Insert);
    table->Cancel();

    table->SetFiltered(false); // every record visible again; the cursor on the first
    QCOMPARE(table->RecordCount(), 6);
    QCOMPARE(Current(*table), 1);
}

void TstTable::bookmarks()
{
    auto table = Numbered(5);
    table->AddIndex(QStringLiteral("Desc"), QStringLiteral("Valor"), true);
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    table->Locate(QStringLiteral("Codigo"), 3);
    const TBookmark third = table->GetBookmark();
    QVERIFY(table->BookmarkValid(third));

    table->SetIndexName(QStringLiteral("Desc"));
    table->First();
    table->GotoBookmark(third);
    QCOMPARE(Current(*table), 3);
    QCOMPARE(table->RecNo(), 3);
    QCOMPARE(table->RowOf(third), 2);
    QCOMPARE(table->BookmarkAt(2), third);

    table->OnFilterRecord = [&](TTable*) { return valor->AsFloat() > 3; };
    table->SetFiltered(true);
    QCOMPARE(table->RowOf(third), -1);
    QVERIFY(table->BookmarkValid(third));

    table->SetFiltered(false);
    table->First();
    table->Edit();
    valor->SetAsFloat(0.5); // moves record 5 to the end of the descending order
    table->Post();
    table->GotoBookmark(third);
    QCOMPARE(Current(*table), 3);

    table->Delete();
    QVERIFY(!table->BookmarkValid(third));
    QCOMPARE(table->RowOf(third), -1);
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->GotoBookmark(third); }), QStringLiteral("cdsTeste: Record not found"));
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->GotoBookmark(0); }), QStringLiteral("cdsTeste: Record not found"));
}

void TstTable::hiddenBookmarkedRecordIsEdited()
{
    // The program keeps a bookmark to the current connection's record and
    // edits it whatever the user's filter and order show.
    auto table = Numbered(5);
    table->AddIndex(QStringLiteral("Desc"), QStringLiteral("Valor"), true);
    table->SetIndexName(QStringLiteral("Desc"));
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    TField* nome = table->FieldByName(QStringLiteral("Nome"));
    table->Locate(QStringLiteral("Codigo"), 2);
    const TBookmark connection = table->GetBookmark();
    table->OnFilterRecord = [&](TTable*) { return valor->AsFloat() >= 4; };
    table->SetFiltered(true);
    QCOMPARE(Codes(*table), (QList<int>{5, 4}));

    table->GotoBookmark(connection);
    QCOMPARE(table->RecNo(), 0);
    QCOMPARE(Current(*table), 2);
    table->Edit();
    nome->SetAsString(QStringLiteral("conexão"));
    table->Post();
    QCOMPARE(Current(*table), 2);
    QCOMPARE(Codes(*table), (QList<int>{5, 4}));

    // Moving on from a hidden record goes to its neighbours in the order.
    table->Next();
    QVERIFY(table->Eof());
    table->GotoBookmark(connection);
    table->Prior();
    QCOMPARE(Current(*table), 4);

    table->SetFiltered(false);
    QVERIFY(table->Locate(QStringLiteral("Codigo"), 2));
    QCOMPARE(nome->AsString(), QStringLiteral("conexão"));
    QCOMPARE(valor->AsFloat(), 2.0);
}

void TstTable::cursorWalk()
{
    auto table = Numbered(5);
    table->First();
    QVERIFY(table->Bof());
    QVERIFY(!table->Eof());
    QCOMPARE(table->RecNo(), 1);

    QList<int> forward;
    while (!table->Eof()) {
        forward.append(Current(*table));
        table->Next();
    }
    QCOMPARE(forward, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(Current(*table), 5); // Next on the last record stays there
    QVERIFY(!table->Bof());

    QList<int> backward;
    table->Last();
    QVERIFY(table->Eof());
    while (!table->Bof()) {
        backward.append(Current(*table));
        table->Prior();
    }
    QCOMPARE(backward, (QList<int>{5, 4, 3, 2, 1}));
    QCOMPARE(Current(*table), 1);
    QVERIFY(!table->Eof());

    table->SetRecNo(3);
    QCOMPARE(Current(*table), 3);
    QVERIFY(!table->Bof() && !table->Eof());
    table->SetRecNo(99);
    QCOMPARE(table->RecNo(), 5);
    table->SetRecNo(-4);
    QCOMPARE(table->RecNo(), 1);
}

void TstTable::emptyTable()
{
    auto table = MakeTable();
    table->CreateDataSet();
    QVERIFY(table->Bof() && table->Eof());
    QVERIFY(table->IsEmpty());
    QCOMPARE(table->RecNo(), 0);
    QCOMPARE(table->GetBookmark(), TBookmark(0));
    table->First();
    table->Next();
    table->Last();
    table->Prior();
    QVERIFY(table->Bof() && table->Eof());
    QVERIFY(table->FieldByName(QStringLiteral("Nome"))->IsNull());
    QVERIFY(!table->Locate(QStringLiteral("Codigo"), 1));
    QCOMPARE(ErrorOf<EDatabaseError>([&] { table->Delete(); }),
             QStringLiteral("cdsTeste: Cannot perform this operation on an empty dataset"));
}

void TstTable::locate_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("found"); // Codigo of the record found, 0 for none

    // Records: 1 beta 2 d3 | 2 Alfa 1 d1 | 3 (null) 2 (null) | 4 alfa 3 d2, in that order.
    QTest::addRow("auto-increment") << "Codigo" << QVariant(3) << 3;
    QTest::addRow("float equal to an integer") << "Valor" << QVariant(2) << 1;
    QTest::addRow("float from text") << "Valor" << QVariant(QStringLiteral("3,0")) << 4;
    QTest::addRow("string exact") << "Nome" << QVariant(QStringLiteral("alfa")) << 4;
    QTest::addRow("string in another case") << "Nome" << QVariant(QStringLiteral("ALFA")) << 0;
    QTest::addRow("string longer than the field") << "Nome" << QVariant(QStringLiteral("alfa alfa alfa alfa alfa")) << 0;
    QTest::addRow("date-time") << "Quando" << QVariant(EncodeDate(2024, 2, 1)) << 4;
    QTest::addRow("null") << "Nome" << QVariant() << 3;
    QTest::addRow("absent") << "Codigo" << QVariant(99) << 0;
    QTest::addRow("not a number") << "Valor" << QVariant(QStringLiteral("muito")) << 0;
}

void TstTable::locate()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(int, found);

    auto table = MakeTable();
    table->CreateDataSet();
    Add(*table, QStringLiteral("beta"), 2.0, EncodeDate(2024, 3, 1));
    Add(*table, QStringLiteral("Alfa"), 1.0, EncodeDate(2024, 1, 1));
    Add(*table, QVariant(), 2.0);
    Add(*table, QStringLiteral("alfa"), 3.0, EncodeDate(2024, 2, 1));
    table->SetRecNo(2);
    QCOMPARE(table->Locate(field, value), found != 0);
    QCOMPARE(Current(*table), found ? found : 2); // not found: the cursor stays
}

void TstTable::cursorMovePostsPendingEdit_data()
{
    QTest::addColumn<int>("move");
    const char* names[] = {"First", "Last", "Next", "Prior", "SetRecNo", "Locate", "GotoBookmark", "SetIndexName",
                           "SetFiltered", "Append"};
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::addRow("%s", names[i]) << i;
}

void TstTable::cursorMovePostsPendingEdit()
{
    QFETCH(int, move);
    auto table = Numbered(3);
    table->AddIndex(QStringLiteral("I"), QStringLiteral("Codigo"), false);
    table->SetRecNo(2);
    const TBookmark bookmark = table->GetBookmark();
    table->Edit();
    table->FieldByName(QStringLiteral("Valor"))->SetAsFloat(20);
    const std::function<void()> moves[] = {
        [&] { table->First(); }, [&] { table->Last(); }, [&] { table->Next(); }, [&] { table->Prior(); },
        [&] { table->SetRecNo(1); }, [&] { table->Locate(QStringLiteral("Codigo"), 3); },
        [&] { table->GotoBookmark(bookmark); }, [&] { table->SetIndexName(QStringLiteral("I")); },
        [&] { table->SetFiltered(true); }, [&] { table->Append(); },
    };
    moves[move]();
    QCOMPARE(table->ValueAt(1, 2), QVariant(20.0));
    QVERIFY(table->ChangesPending());
    table->Cancel();
    QCOMPARE(table->State(), TDataSetState::Browse);

    // A pending record that cannot be posted stops the move.
    TTable strict(Name);
    TField* nome = strict.AddField(Data(QStringLiteral("Nome"), TFieldType::String, 5, false, true));
    strict.CreateDataSet();
    strict.Append();
    nome->SetAsString(QStringLiteral("a"));
    strict.Post();
    strict.Append();
    QCOMPARE(ErrorOf<EDatabaseError>([&] { strict.First(); }), QStringLiteral("cdsTeste: Field 'Nome' must have a value"));
    QCOMPARE(strict.State(), TDataSetState::Insert);
}

void TstTable::deleteMovesCursor_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<int>("nextCode"); // 0: the table is empty afterwards
    QTest::addColumn<int>("nextRecNo");

    QTest::addRow("first") << 5 << 1 << 2 << 1;
    QTest::addRow("middle") << 5 << 3 << 4 << 3;
    QTest::addRow("last: the new last one") << 5 << 5 << 4 << 4;
    QTest::addRow("only record") << 1 << 1 << 0 << 0;
}

void TstTable::deleteMovesCursor()
{
    QFETCH(int, count);
    QFETCH(int, recNo);
    QFETCH(int, nextCode);
    QFETCH(int, nextRecNo);

    auto table = Numbered(count);
    QSignalSpy dataChanged(table.get(), &TTable::DataChanged);
    table->SetRecNo(recNo);
    table->Delete();
    QCOMPARE(table->RecordCount(), count - 1);
    QCOMPARE(table->RecNo(), nextRecNo);
    QCOMPARE(dataChanged.count(), 1);
    if (nextCode) {
        QCOMPARE(Current(*table), nextCode);
        QVERIFY(!table->Bof() && !table->Eof());
    } else {
        QVERIFY(table->Bof() && table->Eof());
        QVERIFY(table->FieldByName(QStringLiteral("Codigo"))->IsNull());
    }
}

void TstTable::deleteRules()
{
    auto table = Numbered(3);
    int afterPost = 0;
    table->AfterPost = [&](TTable*) { ++afterPost; };

    table->Append(); // Delete while inserting drops the new record
    table->Delete();
    QCOMPARE(table->State(), TDataSetState::Browse);
    QCOMPARE(table->RecordCount(), 3);

    table->SetRecNo(2);
    table->Edit(); // Delete while editing drops the edit and the record
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("x"));
    table->Delete();
    QCOMPARE(table->State(), TDataSetState::Browse);
    QCOMPARE(Codes(*table), (QList<int>{1, 3}));
    QCOMPARE(afterPost, 0); // a deletion posts nothing
    QVERIFY(table->ChangesPending());

    // A hidden current record (reached by its bookmark) can be deleted too.
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    table->Locate(QStringLiteral("Codigo"), 1);
    const TBookmark first = table->GetBookmark();
    table->OnFilterRecord = [&](TTable*) { return valor->AsFloat() > 2; };
    table->SetFiltered(true);
    table->GotoBookmark(first);
    table->Delete();
    QCOMPARE(Current(*table), 3);
    table->SetFiltered(false);
    QCOMPARE(Codes(*table), QList<int>{3});
}

void TstTable::callbackErrors()
{
    auto table = std::make_unique<TTable>(Name);
    table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    TField* valor = table->AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    TField* dobro = table->AddField(Calculated(QStringLiteral("Dobro"), TFieldType::Float));
    bool calcFails = false;
    table->OnCalcFields = [&](TTable*) {
        if (calcFails)
            throw EConvertError(QStringLiteral("cálculo falhou"));
        dobro->SetAsFloat(valor->AsFloat() * 2);
    };
    int afterPost = 0;
    bool afterPostFails = false;
    table->AfterPost = [&](TTable*) {
        ++afterPost;
        if (afterPostFails)
            throw EInOutError(QStringLiteral("disco cheio"));
    };
    table->CreateDataSet();
    table->Append();
    valor->SetAsFloat(1);
    table->Post();
    QCOMPARE(afterPost, 1);

    // AfterPost fails: the record is posted all the same.
    afterPostFails = true;
    table->Edit();
    valor->SetAsFloat(2);
    QCOMPARE(ErrorOf([&] { table->Post(); }), QStringLiteral("disco cheio"));
    QCOMPARE(table->State(), TDataSetState::Browse);
    QCOMPARE(table->ValueAt(0, 1), QVariant(2.0));
    QCOMPARE(dobro->AsFloat(), 4.0);
    afterPostFails = false;

    // The calculation fails: posted, derived values kept, AfterPost skipped.
    calcFails = true;
    afterPost = 0;
    table->Edit();
    valor->SetAsFloat(3);
    QCOMPARE(ErrorOf([&] { table->Post(); }), QStringLiteral("cálculo falhou"));
    QCOMPARE(table->State(), TDataSetState::Browse);
    QCOMPARE(valor->AsFloat(), 3.0);
    QCOMPARE(dobro->AsFloat(), 4.0);
    QCOMPARE(afterPost, 0);
    QVERIFY(table->ChangesPending());
    calcFails = false;

    // The filter fails while being switched on: nothing changes.
    table->Append();
    valor->SetAsFloat(9);
    table->Post();
    table->OnFilterRecord = [&](TTable*) -> bool {
        if (valor->AsFloat() > 5)
            throw EConvertError(QStringLiteral("filtro falhou"));
        return false;
    };
    QCOMPARE(ErrorOf([&] { table->SetFiltered(true); }), QStringLiteral("filtro falhou"));
    QVERIFY(!table->Filtered());
    QCOMPARE(table->RecordCount(), 2);
    QCOMPARE(table->State(), TDataSetState::Browse);
}

void TstTable::callbacksCannotRestructure_data()
{
    QTest::addColumn<bool>("inFilter"); // otherwise in the calculation of a posted record
    QTest::addColumn<int>("operation");

    const char* names[] = {"Delete", "Next", "Edit", "Append", "Close", "SetFiltered"};
    for (const bool inFilter : {false, true})
        for (int i = 0; i < int(std::size(names)); ++i)
            QTest::addRow("%s from the %s", names[i], inFilter ? "filter" : "calculation") << inFilter << i;
}

void TstTable::callbacksCannotRestructure()
{
    QFETCH(bool, inFilter);
    QFETCH(int, operation);

    TTable table(Name);
    table.AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    TField* valor = table.AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    TField* dobro = table.AddField(Calculated(QStringLiteral("Dobro"), TFieldType::Float));
    table.CreateDataSet();
    for (int i = 1; i <= 3; ++i) {
        table.Append();
        valor->SetAsFloat(i);
        table.Post();
    }
    const std::function<void()> operations[] = {
        [&] { table.Delete(); }, [&] { table.Next(); },  [&] { table.Edit(); },
        [&] { table.Append(); }, [&] { table.Close(); }, [&] { table.SetFiltered(true); },
    };
    const auto callback = [&](TTable*) { operations[operation](); };
    table.OnCalcFields = [&](TTable* sender) {
        dobro->SetAsFloat(valor->AsFloat() * 2);
        if (!inFilter)
            callback(sender);
    };
    table.OnFilterRecord = [&](TTable* sender) {
        callback(sender);
        return true;
    };

    const QString message = QStringLiteral("cdsTeste: Cannot perform this operation while a record is being calculated or filtered");
    table.First();
    if (inFilter) {
        QCOMPARE(ErrorOf<EDatabaseError>([&] { table.SetFiltered(true); }), message);
        QVERIFY(!table.Filtered());
    } else {
        table.Edit();
        valor->SetAsFloat(10);
        QCOMPARE(ErrorOf<EDatabaseError>([&] { table.Post(); }), message);
        QCOMPARE(table.ValueAt(0, 1), QVariant(10.0)); // the post itself went through
    }
    QVERIFY(table.Active());
    QCOMPARE(table.State(), TDataSetState::Browse);
    QCOMPARE(table.RecordCount(), 3);
    QCOMPARE(Current(table), 1);
}

void TstTable::viewSignals()
{
    auto table = Numbered(3);
    QSignalSpy data(table.get(), &TTable::DataChanged);
    QSignalSpy record(table.get(), &TTable::RecordChanged);
    QSignalSpy current(table.get(), &TTable::CurrentChanged);
    QSignalSpy state(table.get(), &TTable::StateChanged);

    table->First();
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.last().at(0).toInt(), 0);
    table->Next();
    QCOMPARE(current.last().at(0).toInt(), 1);

    table->Edit();
    QCOMPARE(state.count(), 1);
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("novo"));
    table->Post();
    QCOMPARE(state.count(), 2);
    QCOMPARE(record.count(), 1);
    QCOMPARE(record.last().at(0).toInt(), 1);
    QCOMPARE(data.count(), 0);

    Add(*table, QStringLiteral("quarto"), 4);
    QCOMPARE(data.count(), 1);
    QCOMPARE(current.last().at(0).toInt(), 3);

    table->AddIndex(QStringLiteral("Desc"), QStringLiteral("Codigo"), true);
    table->SetIndexName(QStringLiteral("Desc"));
    QCOMPARE(data.count(), 2);
    QCOMPARE(current.last().at(0).toInt(), 0); // record 4 leads the descending order

    table->OnFilterRecord = [](TTable*) { return true; };
    table->SetFiltered(true);
    QCOMPARE(data.count(), 3);
    table->Delete();
    QCOMPARE(data.count(), 4);
}

void TstTable::disableControls()
{
    auto table = Numbered(3);
    QSignalSpy data(table.get(), &TTable::DataChanged);
    QSignalSpy record(table.get(), &TTable::RecordChanged);
    QSignalSpy current(table.get(), &TTable::CurrentChanged);
    QSignalSpy state(table.get(), &TTable::StateChanged);
    const auto total = [&] { return data.count() + record.count() + current.count() + state.count(); };

    table->DisableControls();
    table->DisableControls();
    QVERIFY(table->ControlsDisabled());
    table->First();
    Add(*table, QStringLiteral("x"), 9);
    table->Edit();
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("y"));
    table->Post();
    table->Delete();
    table->Last();
    QCOMPARE(total(), 0);

    table->EnableControls();
    QVERIFY(table->ControlsDisabled());
    QCOMPARE(total(), 0);
    table->EnableControls();
    QVERIFY(!table->ControlsDisabled());
    QCOMPARE(data.count(), 1);
    QCOMPARE(current.count(), 1);
    QCOMPARE(current.last().at(0).toInt(), table->RecNo() - 1);
    QCOMPARE(state.count(), 1);
    QCOMPARE(record.count(), 0);

    table->EnableControls(); // one too many: no effect, no signal
    QVERIFY(!table->ControlsDisabled());
    QCOMPARE(total(), 3);
    table->First();
    QCOMPARE(current.count(), 2);
}

QTEST_GUILESS_MAIN(TstTable)
#include "tst_table.moc"
