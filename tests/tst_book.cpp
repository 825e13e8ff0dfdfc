#include "support/testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <functional>

using namespace TestSupport;

namespace {

// A stored record: its date, its key, its category.
struct Row
{
    QString date;
    int MyID;
    QString type = QStringLiteral("A");
};

QStringList stored(const Row &r)
{
    return {r.type, QStringLiteral("item %1").arg(r.MyID), QStringLiteral("%1.50").arg(r.MyID), r.date,
            QStringLiteral("line one\nline two"), QString::number(r.MyID)};
}

TableMoney entry(const QString &type, const QString &name, const QString &date = QStringLiteral("2024-03-05"))
{
    return {type, name, QStringLiteral("3"), date, QString(), 1};
}

// The settings form's rename chains: each entry a category's names, first to now.
QMap<int, QStringList> chains(const QList<QStringList> &names)
{
    QMap<int, QStringList> history;
    for (const QStringList &n : names)
        history.insert(history.size(), n);
    return history;
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestBook : public QObject
{
    Q_OBJECT
private slots:
    void init() { removeBook(); }
    void cleanup()
    {
        book.close();
        removeBook();
    }

    void orders_data();
    void orders();
    void keys();
    void keyNeverOverflows();
    void changeMovesTheRecordAndKeepsTheKey();
    void relabelling_data();
    void relabelling();
    void categoryListIsOneTransaction_data();
    void categoryListIsOneTransaction();
    void refusedWritesChangeNothing_data();
    void refusedWritesChangeNothing();

private:
    void start(const QList<Row> &rows, const QString &categories = QStringLiteral("A,B,C"));
    OpenedBook book;
};

void TestBook::start(const QList<Row> &rows, const QString &categories)
{
    QVERIFY(createDatabase(databasePath(), categories));
    QList<QStringList> records;
    for (const Row &r : rows)
        records << stored(r);
    QVERIFY(insertRecords(databasePath(), records));
    QVERIFY(book.open().recordsRead);
}

void TestBook::orders_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QList<int>>("dateOrder");
    QTest::addColumn<int>("next");
    QTest::newRow("oldest first") << QList<Row>{{"2023-03-01", 1}, {"2021-05-05", 2}, {"2022-01-31", 3}}
                                  << QList<int>{2, 3, 1} << 4;
    QTest::newRow("same date by key") << QList<Row>{{"2022-01-01", 9}, {"2022-01-01", 3}, {"2022-01-01", 5}}
                                      << QList<int>{3, 5, 9} << 10;
    QTest::newRow("dates compare as text") << QList<Row>{{"2022-7-5", 1}, {"2022-10-01", 2}, {"2022-08-01", 3}}
                                           << QList<int>{3, 2, 1} << 4;
    QTest::newRow("already ordered") << QList<Row>{{"2020-01-01", 1}, {"2020-01-02", 2}} << QList<int>{1, 2} << 3;
    QTest::newRow("gap in keys") << QList<Row>{{"2022-01-03", 1}, {"2022-01-01", 7}, {"2022-01-02", 2}}
                                 << QList<int>{7, 2, 1} << 8;
    QTest::newRow("single") << QList<Row>{{"2022-01-01", 41}} << QList<int>{41} << 42;
    QTest::newRow("empty book") << QList<Row>{} << QList<int>{} << 1;
}

// Date order for the table, key order for the next key; neither leaves copies in sortList.
void TestBook::orders()
{
    QFETCH(QList<Row>, rows);
    QFETCH(QList<int>, dateOrder);
    QFETCH(int, next);
    start(rows);
    QCOMPARE(book->sort(0), 0);
    QCOMPARE(TestSupport::keys(*book), dateOrder);
    QVERIFY(book->inDateOrder());

    QCOMPARE(book->sort(1), next);
    QList<int> highestFirst = dateOrder;
    std::sort(highestFirst.begin(), highestFirst.end(), std::greater<int>());
    QCOMPARE(TestSupport::keys(*book), highestFirst);
    QCOMPARE(book->inDateOrder(), rows.size() < 2 || dateOrder == highestFirst);
    QCOMPARE(book->sortListSize(), 0);

    book->sort(0);
    QCOMPARE(TestSupport::keys(*book), dateOrder);
}

// The first record gets 1, each next one past the largest; the largest key is free again
// once its record is gone.
void TestBook::keys()
{
    start({});
    QVERIFY(book->add(entry("A", "x", "2024-01-02")).saved);
    const BookChange second = book->add(entry("A", "y", "2024-01-01"));
    QVERIFY(second.saved);
    QCOMPARE(second.rows.size(), 1);
    QCOMPARE(second.rows.first().row, 0); // straight to its place in date order
    QCOMPARE(second.rows.first().record.MyID, 2);
    QCOMPARE(TestSupport::keys(*book), (QList<int>{2, 1}));

    QVERIFY(book->remove(2).saved);
    QVERIFY(book->add(entry("B", "z")).saved);
    QCOMPARE(TestSupport::keys(*book), (QList<int>{1, 2}));
    QCOMPARE(storedRows(databasePath()).last(), (QStringList{"B", "z", "3", "2024-03-05", "", "2"}));
    book.open();
    QCOMPARE(TestSupport::keys(*book), (QList<int>{1, 2}));
}

void TestBook::keyNeverOverflows()
{
    start({{"2024-01-01", 2147483647}});
    MessageCapture capture;
    const BookChange change = book->add(entry("A", "y"));
    QVERIFY(!change.saved);
    QCOMPARE(capture.ownMessages(), QStringList{"Error: failed to save change. no free MyID left"});
    QCOMPARE(storedRows(databasePath()).size(), 1);
    QCOMPARE(book->count(), 1);
}

void TestBook::changeMovesTheRecordAndKeepsTheKey()
{
    start({{"2024-01-01", 1}, {"2024-02-01", 2}});
    const BookChange change = book->change({"B", "早", "1", "2024-03-01", "", 1});
    QVERIFY(change.saved);
    QCOMPARE(TestSupport::keys(*book), (QList<int>{2, 1}));
    QCOMPARE(memoryRows(*book).last(), (QStringList{"B", "早", "1", "2024-03-01", "", "1"}));
    QCOMPARE(storedRows(databasePath()), memoryRows(*book));
    QVERIFY(book->inDateOrder());
}

void TestBook::relabelling_data()
{
    QTest::addColumn<QList<QStringList>>("history");
    QTest::addColumn<QStringList>("types"); // of the records 1, 2, 3 afterwards
    QTest::newRow("rename relabels its records") << QList<QStringList>{{"A", "甲"}} << QStringList{"甲", "B", "甲"};
    QTest::newRow("there and back relabels nothing") << QList<QStringList>{{"A", "Z", "A"}} << QStringList{"A", "B", "A"};
    QTest::newRow("swapped names stay apart") << QList<QStringList>{{"A", "T", "B"}, {"B", "A"}}
                                              << QStringList{"B", "A", "B"};
}

// Renames carried over to the records, in memory and in the file, with the list.
void TestBook::relabelling()
{
    QFETCH(QList<QStringList>, history);
    QFETCH(QStringList, types);
    start({{"2024-01-01", 1, "A"}, {"2024-01-02", 2, "B"}, {"2024-01-03", 3, "A"}});
    const BookChange change = book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("new,list"),
                                                     chains(history), &book.owner);
    QVERIFY(change.saved);
    QVERIFY(change.rowsComplete);
    QCOMPARE(column(memoryRows(*book), 0), types);
    QCOMPARE(storedRows(databasePath()), memoryRows(*book));
    QCOMPARE(storedCategories(databasePath()), QStringLiteral("new,list"));
    QCOMPARE(categorySetting(*book), QStringLiteral("new,list"));
}

void TestBook::categoryListIsOneTransaction_data()
{
    QTest::addColumn<QString>("setup"); // statements run on the file before the book opens, "|" between
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("list"); // the stored list afterwards ("-": no row)
    QTest::addColumn<QString>("types"); // the records' categories afterwards
    QTest::newRow("list and records") << QString() << true << "甲,B'%2" << "甲,甲";
    // A book without the category row gets one, so the list is not silently dropped.
    QTest::newRow("no row for the list yet") << "delete from tablesetting" << true << "甲,B'%2" << "甲,甲";
    const QString refuse = "create trigger refuse before update on tablemoneydb when new.MyID = 2 "
                           "begin select raise(abort, 'refused'); end";
    QTest::newRow("second record refused") << refuse << false << "A,B" << "A,A";
    QTest::newRow("second record refused, no row for the list") << "delete from tablesetting|" + refuse << false << "-"
                                                                 << "A,A";
}

// The category list and the records relabelled with it reach the book together or not at all.
void TestBook::categoryListIsOneTransaction()
{
    QFETCH(QString, setup);
    QFETCH(bool, saved);
    QFETCH(QString, list);
    QFETCH(QString, types);
    QVERIFY(createDatabase(databasePath(), QStringLiteral("A,B")));
    QVERIFY(insertRecords(databasePath(), {stored({"2024-01-01", 1}), stored({"2024-01-02", 2})}));
    QVERIFY(execSql(databasePath(), setup.split(QLatin1Char('|'))));
    book.open();
    const int settings = book->settings().size();
    QCOMPARE(book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("甲,B'%2"), chains({{"A", "甲"}}), &book.owner).saved,
             saved);

    const auto storedList = queryRows(databasePath(), QStringLiteral("select settingvalue from tablesetting"));
    QCOMPARE(storedList.isEmpty() ? QStringLiteral("-") : storedList.first().first(), list);
    QCOMPARE(column(storedRows(databasePath()), 0).join(QLatin1Char(',')), types);
    QCOMPARE(storedRows(databasePath()), memoryRows(*book));
    QCOMPARE(categorySetting(*book), list == "-" ? QString() : list);
    // A row inserted for the list is a settings record from now on, owned as the loaded ones.
    QCOMPARE(book->settings().size(), settings + (saved && settings == 0 ? 1 : 0));
    if (!book->settings().isEmpty())
        QCOMPARE(book->settings().last()->parent(), &book.owner);
    book.open();
    QCOMPARE(categorySetting(*book), list == "-" ? QString() : list);
}

void TestBook::refusedWritesChangeNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("readOnly"); // otherwise the statement finds no row
    // Each record change against a refusing file: tst_faults.
    QTest::newRow("add category") << QStringLiteral("category") << true;
    QTest::newRow("delete a keyless record") << QStringLiteral("delete") << false;
    QTest::newRow("change a keyless record") << QStringLiteral("change") << false;
    QTest::newRow("relabel a keyless record") << QStringLiteral("rename") << false;
    QTest::newRow("category row gone") << QStringLiteral("category") << false;
}

// Every change against a database that refuses writes, or whose statement changes no
// row: not saved and logged, nothing in memory pretends, the file is as it was, and a
// restart shows the same.
void TestBook::refusedWritesChangeNothing()
{
    QFETCH(QString, command);
    QFETCH(bool, readOnly);
    start({{"2024-01-01", 1, "A"}, {"2024-01-02", 2, "B"}});
    if (!readOnly) {
        // Written by another tool: loaded as key 0, which no statement can reach.
        QVERIFY(execSql(databasePath(), {QStringLiteral("create table keyless as select * from tablemoneydb"),
                                         QStringLiteral("drop table tablemoneydb"),
                                         QStringLiteral("alter table keyless rename to tablemoneydb"),
                                         QStringLiteral("update tablemoneydb set MyID = NULL where MyID = 1")}));
        book.open();
        if (command == "category") // removed by another program while this one runs
            QVERIFY(execSql(databasePath(), {QStringLiteral("delete from tablesetting")}));
    } else {
        // As if the file could not be written; file modes do not stop root.
        QVERIFY(QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA query_only = 1")));
    }
    const QByteArray before = readFile(databasePath());
    const QList<QStringList> memoryBefore = memoryRows(*book);

    MessageCapture capture;
    const TableMoney first = book->recordAt(0);
    BookChange change;
    if (command == "change")
        change = book->change({"C", "changed", "1", first.date, "", first.MyID});
    else if (command == "delete")
        change = book->remove(first.MyID);
    else if (command == "rename")
        change = book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("甲,B,C"), chains({{"A", "甲"}}), &book.owner);
    else
        change = book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("A,B,C,D"), {}, &book.owner);

    QVERIFY(!change.saved);
    QVERIFY(change.rows.isEmpty());
    const QStringList log = capture.ownMessages();
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.first().startsWith(QStringLiteral("Error: failed to save change. ") + change.error), qPrintable(log.first()));
    QCOMPARE(memoryRows(*book), memoryBefore);
    QCOMPARE(book->settings().size(), 1);
    QCOMPARE(categorySetting(*book), QStringLiteral("A,B,C"));
    QCOMPARE(readFile(databasePath()), before);

    book.open();
    QCOMPARE(memoryRows(*book), memoryBefore);
}

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
