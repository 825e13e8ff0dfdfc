#include "store/backup.h"
#include "support/testsupport.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace TestSupport;

namespace {

#ifdef Q_OS_WIN
// Every file the store asks the system to put on disk: its name and size at that moment.
QList<QPair<QString, qint64>> flushed;
BOOL(WINAPI *systemFlush)(HANDLE) = nullptr; // what the import pointed at
BOOL WINAPI seenFlush(HANDLE file)
{
    wchar_t name[1024];
    const DWORD length = GetFinalPathNameByHandleW(file, name, 1024, 0);
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    flushed.append({QFileInfo(QString::fromWCharArray(name, int(length))).fileName(), size.QuadPart});
    return systemFlush(file);
}
// Points this program's own import of FlushFileBuffers, through which the store calls it,
// at the probe.
bool watchFlushes()
{
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
    const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    auto *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (DWORD was; dll->Name; ++dll)
        for (auto *entry = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk); entry->u1.Function; ++entry)
            if (entry->u1.Function == ULONG_PTR(&FlushFileBuffers)
                && VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &was)) {
                systemFlush = reinterpret_cast<decltype(systemFlush)>(entry->u1.Function);
                entry->u1.Function = ULONG_PTR(&seenFlush);
                return true;
            }
    return false;
}
#endif

QStringList backups()
{
    return QDir(backupsPath()).entryList({QStringLiteral("Tobrell-\?\?\?\?\?\?\?\?-\?\?\?\?\?\?.sqlite3")},
                                    QDir::Files | QDir::CaseSensitive, QDir::Name);
}

bool touch(const QString &path, const QDateTime &time, const QByteArray &bytes = QByteArray())
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    if (!bytes.isEmpty() && (f.write(bytes) != bytes.size() || !f.flush()))
        return false;
    return f.setFileTime(time, QFileDevice::FileModificationTime);
}

// Everything a copy must carry over: the schema, and every value with its type.
QList<QStringList> content(const QString &path)
{
    return queryRows(path, QStringLiteral("select type, name, tbl_name, sql from sqlite_master order by name"))
        + queryRows(path, QStringLiteral("select quote(type), quote(name), quote(price), quote(date), quote(memo), "
                                         "quote(MyID) from tablemoneydb order by rowid"))
        + queryRows(path, QStringLiteral("select quote(settingname), quote(settingvalue) from tablesetting order by rowid"))
        + queryRows(path, QStringLiteral("select quote(note) from notes order by rowid"));
}

} // namespace

class TestBackups : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        cleanup();
        QVERIFY(createDatabase(databasePath(), QStringLiteral("吃饭,交通")));
        // Written an hour ago, so that a copy made now is plainly newer on any file system.
        QVERIFY(touch(databasePath(), QDateTime::currentDateTime().addSecs(-3600)));
    }
    void cleanup()
    {
        book.close();
        removeBook();
        QFile::setPermissions(backupsPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(backupsPath()).removeRecursively();
        QFile::remove(backupsPath());
    }
    void copyEqualsTheBook();
    void takenNameMovesToTheNextSecond();
    void eleventhCopyRemovesTheOldest_data();
    void eleventhCopyRemovesTheOldest();
    void startWritesACopyOnlyWhenTheBookChanged();
    void unwritableFolderLeavesBookAndStartFine_data();
    void unwritableFolderLeavesBookAndStartFine();
    void damagedBookKeepsEveryGoodCopy();

private:
    OpenedBook book;
};

// What the entry form sends for a new record.
const TableMoney bread{QStringLiteral("吃饭"), QStringLiteral("面包"), QStringLiteral("8.5"), QStringLiteral("2024-03-05"),
                       QString(), 1};

void TestBackups::copyEqualsTheBook()
{
    const QString book = databasePath();
    QVERIFY(execSql(book, {QStringLiteral("create table notes(note)"),
                           QStringLiteral("create index byDate on tablemoneydb(date)"),
                           QStringLiteral("insert into notes values(x'00ff'), (null), (3.25)"),
                           QStringLiteral("insert into tablemoneydb values('吃饭', 'it''s \"%2\"', 12.5, '2024-02-29', "
                                          "'line\nbreak 😀', null), ('交通', '', '7', '2024-03-01', '', 5)")}));
    const QByteArray before = readFile(book);

#ifdef Q_OS_WIN
    static const bool watching = watchFlushes();
    QVERIFY(watching);
    flushed.clear();
#endif
    BackupResult result;
    {
        Connection connection(book);
        QVERIFY(connection.db().isOpen());
        result = backupBook(connection.db(), book, backupsPath(), QDateTime(QDate(2026, 12, 8), QTime(1, 30)));
    }

    QCOMPARE(result.outcome, BackupResult::Written);
    QCOMPARE(backups(), QStringList{QStringLiteral("Tobrell-20261208-013000.sqlite3")});
#ifdef Q_OS_WIN
    // The whole copy reached the disk under its temporary name, before it counted as a backup.
    QCOMPARE(flushed.size(), 1);
    QVERIFY2(flushed.first().first.startsWith(QStringLiteral("Tobrell-20261208-013000.sqlite3.")),
             qPrintable(flushed.first().first));
    QCOMPARE(flushed.first().second, QFileInfo(result.path).size());
#endif
    QCOMPARE(content(result.path), content(book));
    // No temporary file left behind.
    QCOMPARE(QDir(backupsPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), backups());
    QCOMPARE(readFile(book), before);
}

// Windows refuses to rename over a file: a name already taken is skipped, never replaced.
void TestBackups::takenNameMovesToTheNextSecond()
{
    const QDateTime now(QDate(2026, 12, 8), QTime(1, 30));
    QVERIFY(QDir().mkpath(backupsPath()));
    const QString taken = QDir(backupsPath()).filePath(QStringLiteral("Tobrell-20261208-013000.sqlite3"));
    QVERIFY(touch(taken, now.addDays(-1), "an older copy"));
    QVERIFY(insertRecords(databasePath(), {{"吃饭", "米", "3", "2024-01-02", "", "1"}}));

    BackupResult result;
    {
        Connection connection(databasePath());
        result = backupBook(connection.db(), databasePath(), backupsPath(), now);
    }
    QCOMPARE(result.outcome, BackupResult::Written);
    QCOMPARE(QFileInfo(result.path).fileName(), QStringLiteral("Tobrell-20261208-013001.sqlite3"));
    QCOMPARE(storedRows(result.path), storedRows(databasePath()));
    QCOMPARE(readFile(taken), QByteArray("an older copy"));
}

void TestBackups::eleventhCopyRemovesTheOldest_data()
{
    QTest::addColumn<QString>("month"); // of the ten copies there
    QTest::newRow("older copies") << "202601";
    QTest::newRow("copies named later, clock set back since") << "209901";
}

// Ten copies and the names of other files; the next copy pushes out only the oldest copy.
void TestBackups::eleventhCopyRemovesTheOldest()
{
    QFETCH(QString, month);
    QVERIFY(QDir().mkpath(backupsPath()));
    const QDateTime old = QDateTime::currentDateTime().addDays(-2);
    QStringList copies;
    for (int day = 1; day <= backupsKept; ++day)
        copies << QStringLiteral("Tobrell-%1%2-120000.sqlite3").arg(month).arg(day, 2, 10, QLatin1Char('0'));
    const QStringList others{QStringLiteral("Tobrell-20250101-000000.sqlite3.bak"), QStringLiteral("Tobrell-2025.sqlite3"),
                             QStringLiteral("tobrell-20250101-000000.sqlite3"), QStringLiteral("notes.txt")};
    for (const QString &name : copies + others)
        QVERIFY(touch(QDir(backupsPath()).filePath(name), old, "x"));
    QVERIFY(QDir(backupsPath()).mkdir(QStringLiteral("Tobrell-20000101-000000.sqlite3")));

    book.open();

    // Nine of them and the new one.
    const QStringList kept = backups();
    QCOMPARE(kept.size(), backupsKept);
    QVERIFY(!kept.contains(copies.first()));
    for (const QString &name : copies.mid(1))
        QVERIFY(kept.contains(name));
    for (const QString &name : others)
        QCOMPARE(readFile(QDir(backupsPath()).filePath(name)), QByteArray("x"));
    QVERIFY(QFileInfo(QDir(backupsPath()).filePath(QStringLiteral("Tobrell-20000101-000000.sqlite3"))).isDir());
}

// Start, start again: one copy. Add a record, start again: a second copy, holding it.
void TestBackups::startWritesACopyOnlyWhenTheBookChanged()
{
    book.open();
    book.open();
    QCOMPARE(backups().size(), 1);

    QVERIFY(book->add(bread).saved);
    book.open();
    const QStringList names = backups();
    QCOMPARE(names.size(), 2);
    QCOMPARE(storedRows(QDir(backupsPath()).filePath(names.last())), storedRows(databasePath()));
    QCOMPARE(storedRows(QDir(backupsPath()).filePath(names.first())).size(), 0);
}

void TestBackups::unwritableFolderLeavesBookAndStartFine_data()
{
    QTest::addColumn<bool>("fileInItsPlace");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("a file named backups") << true;
}

void TestBackups::unwritableFolderLeavesBookAndStartFine()
{
    QFETCH(bool, fileInItsPlace);
    QVERIFY(insertRecords(databasePath(), {{"吃饭", "米", "3", "2024-01-02", "", "1"}}));
    WithoutModeOverride asAnyone;
    if (fileInItsPlace) {
        QVERIFY(touch(backupsPath(), QDateTime::currentDateTime(), "not a folder"));
    } else {
        QVERIFY(QDir().mkpath(backupsPath()));
        QVERIFY(QFile::setPermissions(backupsPath(), QFile::ReadOwner | QFile::ExeOwner));
        if (QFile(backupsPath() + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
            QSKIP("this process writes into read-only folders");
    }
    const QByteArray before = readFile(databasePath());

    const QStringList log = ownMessagesDuring([this] { book.open(); });
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.first().startsWith(QLatin1String("Error: backup failed. ")), qPrintable(log.first()));
    QCOMPARE(readFile(databasePath()), before);

    QCOMPARE(book->count(), 1);
    QVERIFY(book->add(bread).saved);
    QCOMPARE(storedRows(databasePath()).size(), 2);
    QCOMPARE(backups(), QStringList());
    if (fileInItsPlace)
        QCOMPARE(readFile(backupsPath()), QByteArray("not a folder"));
}

// A damaged book whose every row reads: its copy fails the check and goes, every earlier
// copy stays, and the book still takes changes.
void TestBackups::damagedBookKeepsEveryGoodCopy()
{
    QVERIFY(writeDamagedBook(databasePath(), 400));
    const QByteArray damaged = readFile(databasePath());
    QCOMPARE(storedRows(databasePath()).size(), 400);

    QVERIFY(QDir().mkpath(backupsPath()));
    QStringList copies;
    for (int day = 1; day <= backupsKept; ++day) {
        copies << QStringLiteral("Tobrell-202601%1-120000.sqlite3").arg(day, 2, 10, QLatin1Char('0'));
        QVERIFY(createDatabase(QDir(backupsPath()).filePath(copies.last()), QStringLiteral("吃饭")));
        QVERIFY(touch(QDir(backupsPath()).filePath(copies.last()), QDateTime::currentDateTime().addDays(-2)));
    }
    const QByteArray firstCopy = readFile(QDir(backupsPath()).filePath(copies.first()));

    bool reported = false;
    const QStringList log = ownMessagesDuring([&] { reported = book.open().damaged; });
    QVERIFY(reported);
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.first().startsWith(QLatin1String("Error: backup failed. the book is damaged")), qPrintable(log.first()));
    QCOMPARE(QDir(backupsPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), copies);
    QCOMPARE(readFile(QDir(backupsPath()).filePath(copies.first())), firstCopy);
    QCOMPARE(readFile(databasePath()), damaged);

    QCOMPARE(book->count(), 400);
    QVERIFY(book->add(bread).saved);
    QCOMPARE(storedRows(databasePath()).size(), 401);
}

QTEST_GUILESS_MAIN(TestBackups)
#include "tst_backups.moc"
