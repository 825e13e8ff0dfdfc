#include "support/testsupport.h"

#include <QSqlQuery>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace TestSupport;

namespace {

// Root writes through any file mode, so the read-only cases run in a copy of this test
// as the unprivileged user, in a folder under /tmp that the copy owns.
const char unprivilegedEnv[] = "TOBRELL_FAULTS_UNPRIVILEGED";
#ifdef Q_OS_UNIX
const uid_t nobody = 65534;
#endif

// Windows has no read-only folders, and an open book can be neither moved nor replaced;
// there another program may hold the file open, so that SQLite gets it only for reading.
enum class Fault { ReadOnlyFile, ReadOnlyDirectory, Busy, Removed, Replaced, HeldOpen };

// Whether file modes stop this process. Wine run by root writes through the read-only
// attribute as root writes through modes; make windows-test runs those rows as another user.
bool runsAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    static const bool root = [] {
        QTemporaryDir dir;
        const QString probe = dir.filePath(QStringLiteral("probe"));
        QFile(probe).open(QIODevice::WriteOnly);
        QFile::setPermissions(probe, QFile::ReadOwner);
        const bool writes = QFile(probe).open(QIODevice::WriteOnly | QIODevice::Append);
        QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner);
        return writes;
    }();
    return root;
#endif
}

#ifdef Q_OS_WIN
HANDLE heldOpen = INVALID_HANDLE_VALUE;
#endif

QString dirPath()
{
    return QCoreApplication::applicationDirPath();
}

QString awayPath()
{
    return dirPath() + QStringLiteral("/moved-away.sqlite3");
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        book.close();
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        QFile::setPermissions(dirPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                             | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(awayPath());
    }
    void faults_data();
    void faults();
    void readOnlyCasesAsUnprivilegedUser();

private:
    void startFault(Fault fault);
    void endFault(Fault fault);
    BookChange run(const QString &command);
    OpenedBook book;
};

// Faults that exist before the program starts (a read-only file or folder) are set up
// before it; the others strike while it runs.
void TestFaults::startFault(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnlyFile:
        QVERIFY(QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        break;
    case Fault::ReadOnlyDirectory:
        // The file stays writable, but SQLite cannot create its journal beside it.
        QVERIFY(QFile::setPermissions(dirPath(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                     | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        break;
    case Fault::Busy: {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(databasePath());
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        break;
    }
    case Fault::Removed:
        QVERIFY(QFile::rename(databasePath(), awayPath()));
        break;
    case Fault::Replaced:
        // Another book in its place, one a restore from an old copy might leave.
        QVERIFY(QFile::rename(databasePath(), awayPath()));
        QVERIFY(createDatabase(databasePath(), QStringLiteral("X,Y")));
        QVERIFY(insertRecords(databasePath(), {{"X", "other", "9", "2020-01-01", "", "1"}}));
        break;
    case Fault::HeldOpen:
#ifdef Q_OS_WIN
        // A backup or sync tool reading the book, letting others read only.
        heldOpen = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(databasePath()).utf16()),
                               GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(heldOpen != INVALID_HANDLE_VALUE);
#endif
        break;
    }
}

void TestFaults::endFault(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnlyFile:
        QVERIFY(QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner));
        break;
    case Fault::ReadOnlyDirectory:
        QVERIFY(QFile::setPermissions(dirPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        break;
    case Fault::Busy: {
        QSqlDatabase holder = QSqlDatabase::database(QStringLiteral("holder"));
        QVERIFY(QSqlQuery(holder).exec(QStringLiteral("ROLLBACK")));
        holder.close();
        break;
    }
    case Fault::Removed:
        QVERIFY(QFile::rename(awayPath(), databasePath()));
        break;
    case Fault::Replaced:
        QVERIFY(QFile::remove(databasePath()));
        QVERIFY(QFile::rename(awayPath(), databasePath()));
        break;
    case Fault::HeldOpen:
#ifdef Q_OS_WIN
        CloseHandle(heldOpen);
        heldOpen = INVALID_HANDLE_VALUE;
#endif
        break;
    }
}

BookChange TestFaults::run(const QString &command)
{
    TableMoney first = book->recordAt(0);
    if (command == QLatin1String("add"))
        return book->add({QStringLiteral("A"), QStringLiteral("新的"), QStringLiteral("3.5"), QStringLiteral("2024-03-05"), QString(), 1});
    if (command == QLatin1String("change")) {
        first.name = QStringLiteral("改过");
        return book->change(first);
    }
    if (command == QLatin1String("delete"))
        return book->remove(first.MyID);
    const QMap<int, QStringList> renames{{0, {QStringLiteral("A"), QStringLiteral("甲")}}, {1, {QStringLiteral("C"), QStringLiteral("丙")}}};
    return book->saveCategoryList(QStringLiteral("大类名称"), QStringLiteral("甲,B,丙"), renames, &book.owner);
}

void TestFaults::faults_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<Fault>("fault");
#ifdef Q_OS_WIN
    const QList<QPair<const char *, Fault>> faults{{"read-only file", Fault::ReadOnlyFile},
                                                   {"busy", Fault::Busy},
                                                   {"held open by another program", Fault::HeldOpen}};
#else
    const QList<QPair<const char *, Fault>> faults{{"read-only file", Fault::ReadOnlyFile},
                                                   {"read-only directory", Fault::ReadOnlyDirectory},
                                                   {"busy", Fault::Busy},
                                                   {"removed", Fault::Removed},
                                                   {"replaced", Fault::Replaced}};
#endif
    for (const char *command : {"add", "change", "delete", "rename"})
        for (const auto &f : faults)
            QTest::addRow("%s/%s", command, f.first) << QString::fromLatin1(command) << f.second;
}

// Each change against each fault: no crash, not saved and logged, memory as the book has
// it, no file touched; once the fault is gone the same change is saved.
void TestFaults::faults()
{
    QFETCH(QString, command);
    QFETCH(Fault, fault);
    if ((fault == Fault::ReadOnlyFile || fault == Fault::ReadOnlyDirectory) && runsAsRoot())
        QSKIP("file modes do not stop root: run by readOnlyCasesAsUnprivilegedUser");

    QVERIFY(createDatabase(databasePath(), QStringLiteral("A,B,C")));
    QVERIFY(insertRecords(databasePath(), {{"A", "面包", "1", "2024-01-01", "", "1"},
                                           {"B", "牛奶", "2.5", "2024-01-02", "早餐", "2"},
                                           {"C", "车票", "10", "2024-01-03", "", "3"}}));
    const QByteArray bookBefore = readFile(databasePath());
    const QList<QStringList> rowsBefore = storedRows(databasePath());

    const bool beforeStart = fault == Fault::ReadOnlyFile || fault == Fault::ReadOnlyDirectory || fault == Fault::HeldOpen;
    if (beforeStart)
        startFault(fault);
    book.open();
    QCOMPARE(memoryRows(*book), rowsBefore);
    if (!beforeStart)
        startFault(fault);
    const QByteArray otherBook = fault == Fault::Replaced ? readFile(databasePath()) : QByteArray();

    bool saved = true;
    const QString log = ownMessagesDuring([&] { saved = run(command).saved; }).join('\n');
    QVERIFY(!saved);
    QVERIFY2(log.contains(QStringLiteral("Error: failed to save change.")), qPrintable(log));
    qInfo("%s", qPrintable(log.section(QStringLiteral("Error: failed to save change."), 1)));
    QCOMPARE(memoryRows(*book), rowsBefore);
    QCOMPARE(categorySetting(*book), QStringLiteral("A,B,C"));
    if (fault == Fault::Replaced)
        QCOMPARE(readFile(databasePath()), otherBook);

    endFault(fault);
    QCOMPARE(readFile(databasePath()), bookBefore);
    QCOMPARE(storedRows(databasePath()), rowsBefore);

    // The fault is gone: the next try is saved, and memory and file agree.
    QVERIFY(run(command).saved);
    const QList<QStringList> after = storedRows(databasePath());
    QVERIFY(after != rowsBefore);
    QCOMPARE(memoryRows(*book), after);
    if (command == QLatin1String("add"))
        QCOMPARE(after.size(), rowsBefore.size() + 1);
    else if (command == QLatin1String("delete"))
        QCOMPARE(after.size(), rowsBefore.size() - 1);
    else if (command == QLatin1String("rename"))
        QCOMPARE(storedCategories(databasePath()), QStringLiteral("甲,B,丙"));

    // And a restart shows exactly that.
    book.open();
    QCOMPARE(memoryRows(*book), after);
}

// Re-runs the read-only rows in a copy of this executable as the unprivileged user.
void TestFaults::readOnlyCasesAsUnprivilegedUser()
{
    if (!runsAsRoot())
        QSKIP("not root: the read-only rows ran in faults() itself");
#ifndef Q_OS_UNIX
    QSKIP("Wine run by root: make windows-test runs the read-only rows as another user");
#else

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tobrell-faults-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString exe = dir.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), exe));
    const QString seed = dir.filePath(QStringLiteral("seed.sql"));
    QVERIFY(QFile::copy(QString::fromLocal8Bit(qgetenv("TOBRELL_SEED_SQL")), seed));
    for (const QString &path : {dir.path(), exe, seed})
        QVERIFY(::chown(QFile::encodeName(path).constData(), nobody, nobody) == 0);
    QVERIFY(::chmod(QFile::encodeName(exe).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);

    QStringList args;
    for (const char *command : {"add", "change", "delete", "rename"})
        for (const char *fault : {"read-only file", "read-only directory"})
            args << QStringLiteral("faults:%1/%2").arg(QLatin1String(command), QLatin1String(fault));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(unprivilegedEnv), QStringLiteral("1"));
    env.insert(QStringLiteral("TOBRELL_SEED_SQL"), seed);
    env.insert(QStringLiteral("HOME"), dir.path());
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(dir.path());
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(exe, args);
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForFinished(300000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    for (const QByteArray &line : output.split('\n'))
        if (line.startsWith("QINFO"))
            qInfo("%s", line.constData());
    // Every row ran rather than skipped.
    QCOMPARE(output.count("PASS   : TestFaults::faults("), args.size());
#endif
}

int main(int argc, char **argv)
{
#ifdef Q_OS_UNIX
    if (qEnvironmentVariableIsSet(unprivilegedEnv) && geteuid() == 0) {
        // Drop root for good before Qt starts; keep the process dumpable so that the
        // leak checker can still inspect it.
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
            std::perror("dropping privileges");
            return 3;
        }
        ::prctl(PR_SET_DUMPABLE, 1);
    }
#endif
    QCoreApplication app(argc, argv);
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
