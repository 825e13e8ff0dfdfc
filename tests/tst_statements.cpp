#include "store/statements.h"
#include "support/testsupport.h"

#include <QSqlDatabase>
#include <QtTest>

using namespace TestSupport;

// The category list and the records relabelled with it reach the book together or not at all.
class TestStatements : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection); }
    void categoryListSave_data();
    void categoryListSave();
};

void TestStatements::categoryListSave_data()
{
    QTest::addColumn<QString>("setup"); // statements run on the book before the save, "|" between
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("inserted");
    QTest::addColumn<QString>("list"); // the stored list afterwards ("-": no row)
    QTest::addColumn<QString>("types"); // the records' categories afterwards
    QTest::newRow("list and records") << QString() << true << false << "甲,B" << "甲,甲";
    QTest::newRow("no row for the list yet") << "delete from tablesetting" << true << true << "甲,B" << "甲,甲";
    const QString refuse = "create trigger refuse before update on tablemoneydb when new.MyID = 2 "
                           "begin select raise(abort, 'refused'); end";
    QTest::newRow("second record refused") << refuse << false << false << "A,B" << "A,A";
    QTest::newRow("second record refused, no row for the list") << "delete from tablesetting|" + refuse << false << false << "-" << "A,A";
}

void TestStatements::categoryListSave()
{
    QFETCH(QString, setup);
    QFETCH(bool, saved);
    QFETCH(bool, inserted);
    QFETCH(QString, list);
    QFETCH(QString, types);
    const QString path = databasePath();
    QVERIFY(createDatabase(path, QStringLiteral("A,B")));
    QVERIFY(insertRecords(path, {{"A", "x", "1", "2024-01-01", "", "1"}, {"A", "y", "2", "2024-01-02", "", "2"}}));
    QVERIFY(execSql(path, setup.split(QLatin1Char('|'))));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        const QList<TableMoney> relabelled{{QStringLiteral("甲"), "x", "1", "2024-01-01", "", 1},
                                           {QStringLiteral("甲"), "y", "2", "2024-01-02", "", 2}};
        bool insertedRow = !inserted;
        const bool rowLoaded = !setup.startsWith(QLatin1String("delete from tablesetting"));
        const StatementResult result = ExpenseStatements(db).saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("甲,B"),
                                                                              relabelled, rowLoaded, &insertedRow);
        QCOMPARE(result.ok, saved);
        QCOMPARE(result.error.isValid(), !saved);
        QCOMPARE(insertedRow, inserted);
    }
    const auto stored = queryRows(path, QStringLiteral("select settingvalue from tablesetting"));
    QCOMPARE(stored.isEmpty() ? QStringLiteral("-") : stored.first().first(), list);
    QStringList storedTypes;
    for (const QStringList &row : queryRows(path, QStringLiteral("select type from tablemoneydb order by MyID")))
        storedTypes << row.first();
    QCOMPARE(storedTypes.join(QLatin1Char(',')), types);
}

QTEST_MAIN(TestStatements)
#include "tst_statements.moc"
