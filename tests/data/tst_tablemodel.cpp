// The Qt model over a table: what it shows, how it follows the table, how it
// holds still while the table's controls are disabled, and that it survives
// its table.

#include "core/Errors.h"
#include "data/Table.h"
#include "data/TableModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {

TFieldDef Data(const QString& name, TFieldType type, int size = 0, bool readOnly = false)
{
    return TFieldDef{name, type, size, readOnly, false, TFieldKind::Data};
}

// Codigo, Nome String(20), Valor Float shown as money; records 1..count.
std::unique_ptr<TTable> MakeTable(int count)
{
    auto table = std::make_unique<TTable>(QStringLiteral("cdsTeste"));
    table->AddField(Data(QStringLiteral("Codigo"), TFieldType::AutoInc, 0, true));
    table->AddField(Data(QStringLiteral("Nome"), TFieldType::String, 20));
    TField* valor = table->AddField(Data(QStringLiteral("Valor"), TFieldType::Float));
    valor->DisplayFormat = QStringLiteral("'R$' #,0.00");
    table->AddIndex(QStringLiteral("Desc"), QStringLiteral("Valor"), true);
    table->CreateDataSet();
    for (int i = 1; i <= count; ++i) {
        table->Append();
        table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("nome %1").arg(i));
        valor->SetAsFloat(i * 1000.5);
        table->Post();
    }
    return table;
}

QVector<TTableModel::Column> Columns()
{
    return {
        {QStringLiteral("Valor"), QStringLiteral("Custo"), Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter},
        {QStringLiteral("Nome"), QStringLiteral("Usuário"), Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignLeft},
        {QStringLiteral("Inexistente"), QStringLiteral("?"), Qt::AlignLeft, Qt::AlignLeft},
    };
}

QString Text(const TTableModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

} // namespace

class TstTableModel final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presentsVisibleRows();
    void followsTheTable_data();
    void followsTheTable();
    void editInPlaceUpdatesOneRow();
    void holdsStillWhileControlsAreDisabled();
    void frozenViewRepaintsSafely();
    void tableDestroyedFirst_data();
    void tableDestroyedFirst();
};

void TstTableModel::presentsVisibleRows()
{
    auto table = MakeTable(3);
    TTableModel model(table.get(), Columns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(model.Table(), table.get());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(Text(model, 0, 0), QStringLiteral("R$ 1.000,50"));
    QCOMPARE(Text(model, 2, 1), QStringLiteral("nome 3"));
    QVERIFY(!model.data(model.index(0, 2)).isValid()); // a column without a field
    QCOMPARE(model.FieldIndex(0), 2);
    QCOMPARE(model.FieldIndex(1), 1);
    QCOMPARE(model.FieldIndex(2), -1);
    QCOMPARE(model.FieldIndex(3), -1);

    QCOMPARE(qvariant_cast<Qt::Alignment>(model.data(model.index(0, 0), Qt::TextAlignmentRole)),
             Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(Qt::Alignment(model.data(model.index(0, 0), Qt::TextAlignmentRole).toInt()), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Custo"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Usuário"));
    QCOMPARE(qvariant_cast<Qt::Alignment>(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole)), Qt::AlignCenter);
    QCOMPARE(qvariant_cast<Qt::Alignment>(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole)), Qt::AlignLeft);

    // The table's order, and only what its filter lets through.
    table->SetIndexName(QStringLiteral("Desc"));
    QCOMPARE(Text(model, 0, 1), QStringLiteral("nome 3"));
    TField* valor = table->FieldByName(QStringLiteral("Valor"));
    table->OnFilterRecord = [valor](TTable*) { return valor->AsFloat() < 2500; };
    table->SetFiltered(true);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(Text(model, 0, 1), QStringLiteral("nome 2"));
    QVERIFY(!model.data(model.index(2, 1)).isValid());
}

void TstTableModel::followsTheTable_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("rows");

    QTest::addRow("append") << 0 << 4;
    QTest::addRow("delete") << 1 << 2;
    QTest::addRow("index") << 2 << 3;
    QTest::addRow("filter") << 3 << 1;
    QTest::addRow("post that moves a record") << 4 << 3;
    QTest::addRow("close") << 5 << 0;
}

void TstTableModel::followsTheTable()
{
    QFETCH(int, change);
    QFETCH(int, rows);

    auto table = MakeTable(3);
    TTableModel model(table.get(), Columns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    TField* valor = table->FieldByName(QStringLiteral("Valor"));

    switch (change) {
    case 0:
        table->Append();
        valor->SetAsFloat(1);
        table->Post();
        break;
    case 1: table->Delete(); break;
    case 2: table->SetIndexName(QStringLiteral("Desc")); break;
    case 3:
        table->OnFilterRecord = [valor](TTable*) { return valor->AsFloat() > 3000; };
        table->SetFiltered(true);
        break;
    case 4:
        table->SetIndexName(QStringLiteral("Desc"));
        resets.clear();
        table->Last();
        table->Edit();
        valor->SetAsFloat(99999);
        table->Post();
        QCOMPARE(Text(model, 0, 0), QStringLiteral("R$ 99.999,00"));
        break;
    case 5: table->Close(); break;
    }
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.rowCount(), rows);
}

void TstTableModel::editInPlaceUpdatesOneRow()
{
    auto table = MakeTable(3);
    TTableModel model(table.get(), Columns());
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    table->SetRecNo(2);
    table->Edit();
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("outro"));
    table->Post();
    QCOMPARE(resets.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(1, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(1, 2));
    QCOMPARE(Text(model, 1, 1), QStringLiteral("outro"));
}

void TstTableModel::holdsStillWhileControlsAreDisabled()
{
    auto table = MakeTable(5);
    TTableModel model(table.get(), Columns());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    table->DisableControls();
    table->First();
    for (int i = 0; i < 3; ++i)
        table->Delete();
    table->First();
    table->Edit();
    table->FieldByName(QStringLiteral("Nome"))->SetAsString(QStringLiteral("editado"));
    table->Post();
    QCOMPARE(resets.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(model.rowCount(), 5); // what the view was last told
    for (int row = 2; row < 5; ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            QVERIFY(!model.data(model.index(row, column)).isValid()); // gone rows read as empty

    table->EnableControls();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(Text(model, 0, 1), QStringLiteral("editado"));
}

void TstTableModel::frozenViewRepaintsSafely()
{
    auto table = MakeTable(50);
    TTableModel model(table.get(), Columns());
    QTableView view;
    view.setModel(&model);
    view.resize(400, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    table->DisableControls();
    table->First();
    while (!table->IsEmpty())
        table->Delete();
    view.grab(); // paints all 50 rows it knows, none of which exists any more
    table->EnableControls();
    QCOMPARE(view.model()->rowCount(), 0);
    view.grab();
}

void TstTableModel::tableDestroyedFirst_data()
{
    QTest::addColumn<bool>("disabled");
    QTest::addRow("controls enabled") << false;
    QTest::addRow("controls disabled") << true;
}

void TstTableModel::tableDestroyedFirst()
{
    QFETCH(bool, disabled);
    auto table = MakeTable(3);
    TTableModel model(table.get(), Columns());
    QTableView view;
    view.setModel(&model);
    if (disabled)
        table->DisableControls();
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    table.reset();
    QCOMPARE(resets.count(), 1);
    QVERIFY(!model.Table());
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.data(model.index(0, 0)).isValid());
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Custo"));
    view.grab();
}

QTEST_MAIN(TstTableModel)
#include "tst_tablemodel.moc"
