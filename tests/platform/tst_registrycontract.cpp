// The rules every registry keeps, run against the file-backed one and the
// in-memory double alike so that the double never drifts from the real thing.

#include "platform/fake/FakeRegistry.h"
#include "platform/linux/FileRegistry.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

using platform::IRegistry;
using Root = IRegistry::Root;
using Value = IRegistry::Value;

Q_DECLARE_METATYPE(IRegistry::Value)

namespace {

const char* const Implementations[] = {"file", "fake"};

// One registry of the kind named by the row, in a folder of its own.
class RegistryFixture final {
public:
    explicit RegistryFixture(const QByteArray& kind)
    {
        if (kind == "file")
            m_registry = std::make_unique<platform::FileRegistry>(m_dir.filePath("Pulsim/registro.json"));
        else
            m_registry = std::make_unique<platform::FakeRegistry>();
    }
    IRegistry& operator*() { return *m_registry; }
    IRegistry* operator->() { return m_registry.get(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<IRegistry> m_registry;
};

const std::string Key = "\\Software\\Pulsim";

} // namespace

class TestRegistryContract final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void valuesKeepTheirType_data();
    void valuesKeepTheirType();
    void namesAreCaseInsensitive_data();
    void namesAreCaseInsensitive();
    void firstSpellingIsKept_data();
    void firstSpellingIsKept();
    void rootsAreSeparate_data();
    void rootsAreSeparate();
    void openKey_data();
    void openKey();
    void deleteValue_data();
    void deleteValue();
    void overwriteChangesType_data();
    void overwriteChangesType();
    void textThatIsNotUtf8IsRefused_data();
    void textThatIsNotUtf8IsRefused();
};

void TestRegistryContract::valuesKeepTheirType_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<Value>("value");

    for (const char* kind : Implementations) {
        QTest::addRow("%s: true", kind) << QByteArray(kind) << Value(true);
        QTest::addRow("%s: false", kind) << QByteArray(kind) << Value(false);
        QTest::addRow("%s: zero", kind) << QByteArray(kind) << Value(std::int64_t(0));
        QTest::addRow("%s: negative", kind) << QByteArray(kind) << Value(std::int64_t(-42));
        QTest::addRow("%s: largest int64", kind) << QByteArray(kind) << Value(std::numeric_limits<std::int64_t>::max());
        QTest::addRow("%s: smallest int64", kind) << QByteArray(kind) << Value(std::numeric_limits<std::int64_t>::min());
        QTest::addRow("%s: beyond double precision", kind) << QByteArray(kind) << Value(std::int64_t(9007199254740993));
        QTest::addRow("%s: empty text", kind) << QByteArray(kind) << Value(std::string());
        QTest::addRow("%s: accented text", kind) << QByteArray(kind) << Value(std::string("Conexão às 23h — ótimo"));
        QTest::addRow("%s: text with quotes, backslashes and lines", kind)
            << QByteArray(kind) << Value(std::string("C:\\Arquivos \"x\"\n\tfim"));
        QTest::addRow("%s: text with a NUL", kind) << QByteArray(kind) << Value(std::string("a\0b", 3));
        QTest::addRow("%s: text that looks like a number", kind) << QByteArray(kind) << Value(std::string("123"));
        QTest::addRow("%s: text that looks like a bool", kind) << QByteArray(kind) << Value(std::string("true"));
    }
}

void TestRegistryContract::valuesKeepTheirType()
{
    QFETCH(QByteArray, kind);
    QFETCH(Value, value);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "Valor", value, error));
    QVERIFY(error.empty());
    const auto read = registry->ReadValue(Root::CurrentUser, Key, "Valor");
    QVERIFY(read.has_value());
    QCOMPARE(read->index(), value.index());
    QVERIFY(*read == value);
}

void TestRegistryContract::namesAreCaseInsensitive_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QString>("readName");
    QTest::addColumn<bool>("keyExists");
    QTest::addColumn<bool>("found");

    for (const char* kind : Implementations) {
        const QByteArray k(kind);
        QTest::addRow("%s: same spelling", kind) << k << "\\Software\\Pulsim" << "Ação" << true << true;
        QTest::addRow("%s: upper case", kind) << k << "\\SOFTWARE\\PULSIM" << "AÇÃO" << true << true;
        QTest::addRow("%s: lower case", kind) << k << "\\software\\pulsim" << "ação" << true << true;
        QTest::addRow("%s: without leading backslash", kind) << k << "Software\\Pulsim" << "Ação" << true << true;
        QTest::addRow("%s: trailing and doubled backslashes", kind)
            << k << "\\Software\\\\Pulsim\\" << "Ação" << true << true;
        QTest::addRow("%s: other key", kind) << k << "\\Software\\Pulsim2" << "Ação" << false << false;
        QTest::addRow("%s: parent key holds no values", kind) << k << "\\Software" << "Ação" << true << false;
        QTest::addRow("%s: other name", kind) << k << "\\Software\\Pulsim" << "Acao" << true << false;
        QTest::addRow("%s: name with extra space", kind) << k << "\\Software\\Pulsim" << "Ação " << true << false;
    }
}

void TestRegistryContract::namesAreCaseInsensitive()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, readKey);
    QFETCH(QString, readName);
    QFETCH(bool, keyExists);
    QFETCH(bool, found);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(registry->WriteValue(Root::CurrentUser, "\\Software\\Pulsim", "Ação", Value(std::string("sim")), error));
    QCOMPARE(registry->KeyExists(Root::CurrentUser, readKey.toStdString()), keyExists);
    QCOMPARE(registry->ReadValue(Root::CurrentUser, readKey.toStdString(), readName.toStdString()).has_value(), found);
}

void TestRegistryContract::firstSpellingIsKept_data()
{
    QTest::addColumn<QByteArray>("kind");
    for (const char* kind : Implementations)
        QTest::addRow("%s", kind) << QByteArray(kind);
}

void TestRegistryContract::firstSpellingIsKept()
{
    QFETCH(QByteArray, kind);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "Porta", Value(std::string("COM1")), error));
    // A second spelling writes the same value, not a second one.
    QVERIFY(registry->WriteValue(Root::CurrentUser, "\\SOFTWARE\\pulsim", "PORTA", Value(std::string("COM2")), error));
    QCOMPARE(registry->ReadString(Root::CurrentUser, Key, "porta"), std::string("COM2"));
    QVERIFY(registry->DeleteValue(Root::CurrentUser, Key, "Porta"));
    QVERIFY(!registry->ReadValue(Root::CurrentUser, "\\SOFTWARE\\pulsim", "PORTA").has_value());
}

void TestRegistryContract::rootsAreSeparate_data()
{
    firstSpellingIsKept_data();
}

void TestRegistryContract::rootsAreSeparate()
{
    QFETCH(QByteArray, kind);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "Nome", Value(std::string("usuário")), error));
    QVERIFY(registry->WriteValue(Root::LocalMachine, Key, "Nome", Value(std::string("máquina")), error));
    QCOMPARE(registry->ReadString(Root::CurrentUser, Key, "Nome"), std::string("usuário"));
    QCOMPARE(registry->ReadString(Root::LocalMachine, Key, "Nome"), std::string("máquina"));
    QVERIFY(registry->DeleteValue(Root::LocalMachine, Key, "Nome"));
    QCOMPARE(registry->ReadString(Root::CurrentUser, Key, "Nome"), std::string("usuário"));

    QVERIFY(registry->OpenKey(Root::LocalMachine, "\\Software\\SoNaMaquina", true));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, "\\Software\\SoNaMaquina"));
}

void TestRegistryContract::openKey_data()
{
    firstSpellingIsKept_data();
}

void TestRegistryContract::openKey()
{
    QFETCH(QByteArray, kind);
    RegistryFixture registry(kind);
    const std::string key = "\\Software\\Pulsim\\Janelas";
    QVERIFY(!registry->OpenKey(Root::CurrentUser, key, false));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, key));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, "\\Software"));

    QVERIFY(registry->OpenKey(Root::CurrentUser, key, true));
    QVERIFY(registry->KeyExists(Root::CurrentUser, key));
    QVERIFY(registry->OpenKey(Root::CurrentUser, "\\software\\pulsim\\JANELAS", false));
    // Its parents exist with it; a sibling or a longer name does not.
    QVERIFY(registry->KeyExists(Root::CurrentUser, "\\Software\\Pulsim"));
    QVERIFY(registry->OpenKey(Root::CurrentUser, "\\Software", false));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, "\\Software\\Pulsim\\Jan"));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, "\\Software\\Puls"));
    QVERIFY(!registry->KeyExists(Root::CurrentUser, "\\Software\\Pulsim\\Janelas\\Principal"));
    // An empty key holds no values.
    QVERIFY(!registry->ReadValue(Root::CurrentUser, key, "").has_value());
    // Opening it again changes nothing.
    QVERIFY(registry->OpenKey(Root::CurrentUser, key, true));
}

void TestRegistryContract::deleteValue_data()
{
    firstSpellingIsKept_data();
}

void TestRegistryContract::deleteValue()
{
    QFETCH(QByteArray, kind);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(!registry->DeleteValue(Root::CurrentUser, Key, "Nada"));
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "A", Value(true), error));
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "B", Value(std::int64_t(2)), error));
    QVERIFY(registry->DeleteValue(Root::CurrentUser, Key, "a"));
    QVERIFY(!registry->ReadValue(Root::CurrentUser, Key, "A").has_value());
    QCOMPARE(registry->ReadInteger(Root::CurrentUser, Key, "B"), std::int64_t(2));
    QVERIFY(!registry->DeleteValue(Root::CurrentUser, Key, "A"));
    QVERIFY(!registry->DeleteValue(Root::CurrentUser, "\\Software\\Outro", "B"));
    // Deleting the last value leaves the key.
    QVERIFY(registry->DeleteValue(Root::CurrentUser, Key, "B"));
    QVERIFY(registry->KeyExists(Root::CurrentUser, Key));
}

void TestRegistryContract::overwriteChangesType_data()
{
    firstSpellingIsKept_data();
}

void TestRegistryContract::overwriteChangesType()
{
    QFETCH(QByteArray, kind);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "X", Value(std::int64_t(1)), error));
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "X", Value(true), error));
    const auto read = registry->ReadValue(Root::CurrentUser, Key, "X");
    QVERIFY(read && std::holds_alternative<bool>(*read));
    QVERIFY(registry->WriteValue(Root::CurrentUser, Key, "X", Value(std::string("1")), error));
    QCOMPARE(registry->ReadString(Root::CurrentUser, Key, "X"), std::string("1"));
    // The typed readers fall back to the default for another type.
    QCOMPARE(registry->ReadInteger(Root::CurrentUser, Key, "X", 7), std::int64_t(7));
}

void TestRegistryContract::textThatIsNotUtf8IsRefused_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("text");

    for (const char* kind : Implementations) {
        QTest::addRow("%s: key", kind) << QByteArray(kind) << QByteArray("\\Software\\Puls\xedm") << QByteArray("N")
                                       << QByteArray("v");
        QTest::addRow("%s: name", kind) << QByteArray(kind) << QByteArray(Key.c_str()) << QByteArray("N\xff")
                                        << QByteArray("v");
        QTest::addRow("%s: value", kind) << QByteArray(kind) << QByteArray(Key.c_str()) << QByteArray("N")
                                         << QByteArray("Conex\xe3o");
        QTest::addRow("%s: cut character", kind) << QByteArray(kind) << QByteArray(Key.c_str()) << QByteArray("N")
                                                 << QByteArray("a\xc3");
    }
}

void TestRegistryContract::textThatIsNotUtf8IsRefused()
{
    // Such text would come back altered; refusing it says so at once.
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, text);
    RegistryFixture registry(kind);
    std::string error;
    QVERIFY(!registry->WriteValue(Root::CurrentUser, key.toStdString(), name.toStdString(), Value(text.toStdString()),
                                  error));
    QVERIFY(!error.empty());
    QVERIFY(!registry->ReadValue(Root::CurrentUser, key.toStdString(), name.toStdString()).has_value());
}

QTEST_GUILESS_MAIN(TestRegistryContract)
#include "tst_registrycontract.moc"
