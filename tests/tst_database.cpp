#include "store/moneyreader.h"
#include "store/statements.h"
#include "support/testsupport.h"

#include <QSqlQuery>
#include <QtTest>

using namespace TestSupport;

namespace {

const char *const noExpenseTable = "QSqlError(\"1\", \"Unable to execute statement\", \"no such table: tablemoneydb\")";
const char *const noSettingTable = "QSqlError(\"1\", \"Unable to execute statement\", \"no such table: tablesetting\")";

// A book written by other means: no key constraint, so any value fits any column.
const QStringList looseSchema = {
    "create table tablemoneydb(type, name, price, date, memo, MyID)",
    "create table tablesetting(settingname, settingvalue)",
};

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT
private slots:
    void init() { removeBook(); }
    void cleanup()
    {
        book.close();
        removeBook();
    }

    void missingFile();
    void emptyBook();
    void openFails();
    void everySettingRowLoaded();
    void values_data();
    void values();
    void directReadAsDriver_data();
    void directReadAsDriver();

    void statementsRoundTrip_data();
    void statementsRoundTrip();
    void failedStatementReported();

private:
    OpenedBook book;
};

void TestDatabase::missingFile()
{
    {
        MessageCapture capture;
        const BookLoad loaded = book.open();
        QCOMPARE(capture.ownMessages(), (QStringList{"error:db file is not exists", noExpenseTable, noSettingTable}));
        // Nothing read: the window builds no table, not even a header row.
        QVERIFY(loaded.opened && !loaded.recordsRead);
    }
    QCOMPARE(book->count(), 0);
    QVERIFY(book->settings().isEmpty());
    book.close();

    QFileInfo file(databasePath());
    QVERIFY(file.exists());
    QCOMPARE(file.size(), qint64(0));

    QCOMPARE(ownMessagesDuring([this] { book.open(); }), (QStringList{noExpenseTable, noSettingTable}));
}

void TestDatabase::emptyBook()
{
    QVERIFY(createDatabase(databasePath(), QString("")));
    MessageCapture capture;
    QVERIFY(book.open().recordsRead);
    QVERIFY(capture.ownMessages().isEmpty());
    QCOMPARE(book->count(), 0);
    const QList<TableSetting *> settings = book->settings();
    QCOMPARE(settings.size(), 1);
    QCOMPARE(settings.at(0)->settingname, QString("大类名称"));
    QCOMPARE(settings.at(0)->settingvalue, QString(""));
    QCOMPARE(settings.at(0)->parent(), &book.owner);
}

void TestDatabase::openFails()
{
    // A folder where the file should be: it "exists", but SQLite cannot open it.
    QVERIFY(QDir().mkpath(databasePath()));
    MessageCapture capture;
    const BookLoad loaded = book.open();
    const QStringList messages = capture.ownMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).startsWith("Error: Failed to connect database. QSqlError("), qPrintable(messages.at(0)));
    QVERIFY(!messages.at(0).endsWith(' '));
    QVERIFY(!loaded.opened && !loaded.recordsRead);
    QCOMPARE(book->count(), 0);
}

void TestDatabase::everySettingRowLoaded()
{
    QVERIFY(execSql(databasePath(), looseSchema + QStringList{
        "insert into tablesetting values('大类名称', 'a,b')",
        "insert into tablesetting values('other', NULL)",
        "insert into tablesetting values('大类名称', 'c')",
    }));
    book.open();
    const QList<TableSetting *> settings = book->settings();
    QCOMPARE(settings.size(), 3);
    QCOMPARE(settings.at(0)->settingvalue, QString("a,b"));
    QCOMPARE(settings.at(1)->settingname, QString("other"));
    QCOMPARE(settings.at(1)->settingvalue, QString(""));
    QCOMPARE(settings.at(2)->settingvalue, QString("c"));
    QCOMPARE(categorySetting(*book), QString("c")); // the last one counts
}

void TestDatabase::values_data()
{
    QTest::addColumn<QString>("row"); // the values clause as another program wrote it
    QTest::addColumn<QStringList>("texts"); // type, name, price, date, memo as loaded
    QTest::addColumn<int>("MyID");

    QTest::newRow("null key") << "'t', 'n', '1', '2022-01-01', 'm', NULL"
                              << QStringList{"t", "n", "1", "2022-01-01", "m"} << 0;
    QTest::newRow("text key") << "'t', 'n', '1', '2022-01-01', 'm', 'seven'"
                              << QStringList{"t", "n", "1", "2022-01-01", "m"} << 0;
    QTest::newRow("numeric price") << "'t', 'n', 12.5, '2022-01-01', '', 3"
                                   << QStringList{"t", "n", "12.5", "2022-01-01", ""} << 3;
    QTest::newRow("price as typed") << "'t', 'n', '12.50', '2022-01-01', '', 4"
                                    << QStringList{"t", "n", "12.50", "2022-01-01", ""} << 4;
    QTest::newRow("null texts") << "NULL, NULL, NULL, NULL, NULL, 5"
                                << QStringList{"", "", "", "", ""} << 5;
    QTest::newRow("quotes") << "'t', 'Tom''s \"best\" tea', '1', '2022-01-01', '', 6"
                            << QStringList{"t", "Tom's \"best\" tea", "1", "2022-01-01", ""} << 6;
    QTest::newRow("percent digits") << "'t', '%2 off %1', '1', '2022-01-01', '100%', 7"
                                    << QStringList{"t", "%2 off %1", "1", "2022-01-01", "100%"} << 7;
    QTest::newRow("line breaks") << "'t', 'a' || char(10) || 'b', '1', '2022-01-01', 'x' || char(13,10) || 'y', 8"
                                 << QStringList{"t", "a\nb", "1", "2022-01-01", "x\r\ny"} << 8;
}

void TestDatabase::values()
{
    QFETCH(QString, row);
    QFETCH(QStringList, texts);
    QFETCH(int, MyID);
    QVERIFY(execSql(databasePath(), looseSchema + QStringList{"insert into tablemoneydb values(" + row + ")"}));

    QVERIFY(ownMessagesDuring([this] { book.open(); }).isEmpty());
    QCOMPARE(memoryRows(*book), QList<QStringList>{texts + QStringList{QString::number(MyID)}});
}

// The book is read straight from SQLite where possible; every value must come out as
// Qt's driver and QVariant make it, null texts included.
void TestDatabase::directReadAsDriver_data()
{
    QTest::addColumn<QString>("row");
    QTest::newRow("null and empty texts") << "NULL, '', NULL, '', NULL, 1";
    QTest::newRow("numbers as texts") << "12, 12.5, 0.1 + 0.2, 1e300, -9223372036854775808, 2";
    QTest::newRow("blobs, NUL, bad UTF-8") << "x'e9a490', 'a' || char(0) || 'b', cast(x'ff41c3' as text), x'', '鱼', 3";
    QTest::newRow("key beyond 32 bits") << "'t', 'n', '1', '2022-01-01', '', 4294967297";
    QTest::newRow("negative key") << "'t', 'n', '1', '2022-01-01', '', -2147483648";
    QTest::newRow("real key") << "'t', 'n', '1', '2022-01-01', '', 3.7";
    QTest::newRow("text key") << "'t', 'n', '1', '2022-01-01', '', ' 12'";
    QTest::newRow("blob key") << "'t', 'n', '1', '2022-01-01', '', x'3132'";
}

void TestDatabase::directReadAsDriver()
{
    QFETCH(QString, row);
    const QString insert = "insert into tablemoneydb values(" + row + ")";
    QVERIFY(execSql(databasePath(), looseSchema + QStringList{insert, insert})); // twice: seen texts too
    Connection connection(databasePath());
    QSqlDatabase db = connection.db();
    QVERIFY(db.isOpen());
    QList<TableMoney> direct;
    QVERIFY(readMoneyRowsDirectly(db, direct));
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb")));
    int count = 0;
    while (query.next()) {
        QVERIFY(count < direct.size());
        const TableMoney &r = direct.at(count++);
        const QStringList texts{r.type, r.name, r.price, r.date, r.memo};
        for (int column = 0; column < 5; ++column) {
            const QString expected = query.value(column).toString();
            QCOMPARE(texts.at(column), expected);
            QCOMPARE(texts.at(column).isNull(), expected.isNull());
        }
        QCOMPARE(r.MyID, query.value(5).toInt());
    }
    QCOMPARE(count, direct.size());
}

void TestDatabase::statementsRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("memo");
    QTest::newRow("apostrophe") << "Tom's" << "it's";
    QTest::newRow("double quote") << "say \"hi\"" << "\"";
    QTest::newRow("percent digits") << "%2 and %1" << "%%3";
    QTest::newRow("line breaks") << "a\nb" << "x\r\ny\n";
    QTest::newRow("sql-looking") << "x'); drop table tablemoneydb; --" << "--";
    QTest::newRow("null memo stored as empty text") << "n" << QString();
}

// Every value reaches the file as held in memory, through statements prepared once.
void TestDatabase::statementsRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, memo);
    QVERIFY(createDatabase(databasePath(), "a,b"));
    book.open();
    const TableMoney record{QStringLiteral("餐饮"), name, QStringLiteral("12.50"), QStringLiteral("2023-04-05"), memo, 1};
    QVERIFY(book->add(record).saved);
    QVERIFY(book->add(record).saved);
    TableMoney changed = book->recordAt(0);
    changed.price = QStringLiteral("2.5");
    QVERIFY(book->change(changed).saved);
    QVERIFY(book->remove(2).saved);
    QVERIFY(!book->change({"a", "n", "1", "2022-01-01", "", 99}).saved); // no such record: nothing saved

    book.open();
    const QStringList expected{"餐饮", name, "2.5", "2023-04-05", memo.isNull() ? QString("") : memo, "1"};
    QCOMPARE(memoryRows(*book), QList<QStringList>{expected});
    QCOMPARE(queryRows(databasePath(), "select count(*) from tablemoneydb where memo is null"), QList<QStringList>{{"0"}});
}

void TestDatabase::failedStatementReported()
{
    book.open(); // no file: an empty database without tables
    ExpenseStatements statements(QSqlDatabase::database());
    TableMoney record;
    record.MyID = 1;
    for (const StatementResult &result : {statements.insertMoney(record), statements.updateMoney(record),
                                          statements.deleteMoney(1), statements.updateSetting("a", "b"),
                                          statements.insertSetting("a", "b")}) {
        QVERIFY(!result.ok);
        QCOMPARE(result.rowsAffected, -1);
        QVERIFY(result.error.isValid());
    }
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
