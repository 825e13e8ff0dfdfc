#include "support/lines.h"
#include "support/testsupport.h"

#include <QtTest>

using namespace TestSupport;

namespace {

enum class Bad { RandomBytes, HeaderThenRandom, Truncated, DamagedPage, MissingColumn, MissingTable, Empty, Directory };

const int bookSize = 400;

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator rng(seed);
    QByteArray bytes(size, '\0');
    for (char &b : bytes)
        b = char(rng.bounded(256));
    return bytes;
}

// A book of several pages, records in key order so the key order is the file order.
bool writeBook(const QString &path)
{
    QList<QStringList> rows;
    for (int i = 1; i <= bookSize; ++i)
        rows << QStringList{"A", QStringLiteral("item %1").arg(i), QString::number(i), "2024-01-01", QString(200, 'm'), QString::number(i)};
    return createDatabase(path, QStringLiteral("A,B")) && insertRecords(path, rows);
}

} // namespace

Q_DECLARE_METATYPE(Bad)

class TestBadFiles : public QObject
{
    Q_OBJECT
private slots:
    void init() { cleanup(); }
    void cleanup()
    {
        book.close();
        removeBook();
        QDir(backupsPath()).removeRecursively();
    }
    void startsAndLeavesTheFileAlone_data();
    void startsAndLeavesTheFileAlone();

private:
    OpenedBook book;
};

void TestBadFiles::startsAndLeavesTheFileAlone_data()
{
    QTest::addColumn<Bad>("bad");
    QTest::addColumn<QString>("diagnostic"); // what the log must say
    QTest::addColumn<bool>("someRowsRead");
    QTest::addColumn<bool>("expensesWhole"); // expense changes still saved
    QTest::newRow("random bytes") << Bad::RandomBytes << "file is not a database" << false << false;
    QTest::newRow("database header, then random bytes") << Bad::HeaderThenRandom << "file is not a database" << false
                                                         << false;
    QTest::newRow("truncated database") << Bad::Truncated << "malformed" << false << false;
    QTest::newRow("damaged page halfway") << Bad::DamagedPage << "malformed" << true << false;
    QTest::newRow("expense table lacks a column") << Bad::MissingColumn << "no such column: memo" << false << false;
    QTest::newRow("no settings table") << Bad::MissingTable << "no such table: tablesetting" << true << true;
    QTest::newRow("empty file") << Bad::Empty << "no such table: tablemoneydb" << false << false;
    QTest::newRow("directory") << Bad::Directory << "Error: Failed to connect database." << false << false;
}

// The book loads every bad file, says what is wrong in its log, keeps what it could read,
// refuses changes, and never alters the file; only whole expense rows take expense changes.
void TestBadFiles::startsAndLeavesTheFileAlone()
{
    QFETCH(Bad, bad);
    QFETCH(QString, diagnostic);
    QFETCH(bool, someRowsRead);
    QFETCH(bool, expensesWhole);
    const QString path = databasePath();

    switch (bad) {
    case Bad::RandomBytes:
        Lines::writeFile(path, randomBytes(11, 64 * 1024));
        break;
    case Bad::HeaderThenRandom:
        Lines::writeFile(path, QByteArray("SQLite format 3", 16) + randomBytes(12, 32 * 1024));
        break;
    case Bad::Truncated: {
        QVERIFY(writeBook(path));
        const QByteArray whole = readFile(path);
        Lines::writeFile(path, whole.left(whole.size() / 2));
        break;
    }
    case Bad::DamagedPage: {
        QVERIFY(writeBook(path));
        QByteArray whole = readFile(path);
        const int pageSize = 4096;
        const int pages = whole.size() / pageSize;
        QVERIFY(pages > 10);
        whole.replace((pages / 2) * pageSize, pageSize, randomBytes(13, pageSize));
        Lines::writeFile(path, whole);
        break;
    }
    case Bad::MissingColumn:
        QVERIFY(execSql(path, {QStringLiteral("create table tablemoneydb(type, name, price, date, MyID)"),
                               QStringLiteral("create table tablesetting(settingname, settingvalue)"),
                               QStringLiteral("insert into tablemoneydb values('A', 'x', '1', '2024-01-01', 1)"),
                               QStringLiteral("insert into tablesetting values('大类名称', 'A,B')")}));
        break;
    case Bad::MissingTable:
        QVERIFY(execSql(path, {QStringLiteral("create table tablemoneydb(type, name, price, date, memo, MyID)"),
                               QStringLiteral("insert into tablemoneydb values('A', 'x', '1', '2024-01-01', '', 1)")}));
        break;
    case Bad::Empty:
        Lines::writeFile(path, QByteArray());
        break;
    case Bad::Directory:
        QVERIFY(QDir().mkpath(path));
        break;
    }
    const QByteArray before = readFile(path);
    // More old copies than are kept: a rotation would remove one.
    QVERIFY(QDir().mkpath(backupsPath()));
    for (int day = 1; day <= 11; ++day)
        Lines::writeFile(backupsPath() + QStringLiteral("/Tobrell-202601%1-120000.sqlite3").arg(day, 2, 10, QLatin1Char('0')), "old");
    const QStringList backups = QDir(backupsPath()).entryList(QDir::Files);

    const QStringList log = ownMessagesDuring([this] { book.open(); });
    qInfo("%s", qPrintable(log.join(QStringLiteral(" | "))));
    QVERIFY2(log.join('\n').contains(diagnostic), qPrintable(log.join('\n')));
    const QList<QStringList> read = memoryRows(*book);
    QCOMPARE(!read.isEmpty(), someRowsRead);
    if (bad == Bad::DamagedPage) {
        QVERIFY(read.size() < bookSize);
        for (const QStringList &row : read)
            QCOMPARE(row.at(1), QStringLiteral("item ") + row.at(5));
    }

    const TableMoney added{QStringLiteral("A"), QStringLiteral("新"), QStringLiteral("1"), QStringLiteral("2024-03-05"), QString(), 1};
    if (expensesWhole) {
        QVERIFY(book->add(added).saved);
        QCOMPARE(book->count(), read.size() + 1);
        QCOMPARE(storedRows(path), memoryRows(*book));
        // The category list has nowhere to go: refused.
        QVERIFY(!book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("A,B,新类"), {}, &book.owner).saved);
        QCOMPARE(categorySetting(*book), QString());
        QCOMPARE(QDir(backupsPath()).entryList(QDir::Files), backups); // not read completely: no copy
        return;
    }

    // A change on such a book is refused, not pretended.
    QVERIFY(!book->add(added).saved);
    QCOMPARE(memoryRows(*book), read);

    book.close();
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(backupsPath()).entryList(QDir::Files), backups); // nothing written, nothing removed
    if (bad == Bad::Directory)
        QVERIFY(QFileInfo(path).isDir());
    else
        QVERIFY(QFileInfo(path).isFile());
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
}

QTEST_GUILESS_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
