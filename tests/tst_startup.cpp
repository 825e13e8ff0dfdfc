#include "app/startup.h"
#include "mainwindow/mainwindow.h"
#include "store/booklock.h"
#include "support/commanddriver.h"
#include "support/lines.h"

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

// The program as a whole: it starts beside its files, opens its window and ends cleanly.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void closingTheWindowEndsTheLoopWithZero();
    void executableStartsAndQuits_data();
    void executableStartsAndQuits();
    void fullDiskForTheLogEndsNothing();
    void secondStartLeavesTheBookAlone_data();
    void secondStartLeavesTheBookAlone();
    void qtButtonsReadChinese_data();
    void qtButtonsReadChinese();
};

void TestStartup::closingTheWindowEndsTheLoopWithZero()
{
    QVERIFY(TestSupport::createDatabase(TestSupport::databasePath()));
    int code = -1;
    {
        MainWindow w;
        w.show();
        QTimer::singleShot(50, &w, &QWidget::close);
        code = qApp->exec();
    }
    QCOMPARE(code, 0);
}

// Runs the real executable from a scratch folder, with and without the files beside it.
// The program has no way to be told to quit, so it is stopped from outside once it has
// shown its window; what matters is that it got there without a dialog or an abort.
// A log named without a folder lands beside the program also when it was started from
// another folder (a shortcut's "Start in", a prompt, the Run box), and nothing lands there.
void TestStartup::executableStartsAndQuits_data()
{
    QTest::addColumn<bool>("withConf");
    QTest::addColumn<bool>("withDatabase");
    QTest::addColumn<bool>("startedElsewhere");
    QTest::newRow("bare folder") << false << false << false;
    QTest::newRow("database only") << false << true << false;
    QTest::newRow("both files") << true << true << false;
    QTest::newRow("both files, started from another folder") << true << true << true;
}

namespace {

#ifdef Q_OS_WIN
const QString exeName = QStringLiteral("Tobrell.exe");
#else
const QString exeName = QStringLiteral("Tobrell");
#endif

QString builtProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../") + exeName;
}

bool copyExecutable(const QString &from, const QString &to)
{
    return QFile::copy(from, to)
        && QFile::setPermissions(to, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
}

} // namespace

void TestStartup::executableStartsAndQuits()
{
    QFETCH(bool, withConf);
    QFETCH(bool, withDatabase);
    QFETCH(bool, startedElsewhere);
    const QString exe = builtProgram();
    if (!QFile::exists(exe))
        QSKIP("Tobrell executable not built");

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/账本-XXXXXX"));
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    QVERIFY(dir.isValid());
    QVERIFY(copyExecutable(exe, dir.filePath(exeName)));
    if (withDatabase) {
        QVERIFY(TestSupport::createDatabase(dir.filePath(QStringLiteral("Tobrell.sqlite3"))));
        QVERIFY(TestSupport::insertRecords(dir.filePath(QStringLiteral("Tobrell.sqlite3")),
                                           {{"餐饮", "米饭", "12.5", "2024-01-02", "", "1"}}));
    }
    if (withConf)
        Lines::writeFile(dir.filePath(QStringLiteral("QtLog4Qt.conf")),
                         "log4j.rootLogger=DEBUG, f\n"
                         "log4j.appender.f=org.apache.log4j.FileAppender\n"
                         "log4j.appender.f.File=run.log\n"
                         "log4j.appender.f.layout=org.apache.log4j.PatternLayout\n"
                         "log4j.appender.f.layout.ConversionPattern=%p %c %m%n\n");

    QProcess p;
    p.setWorkingDirectory(startedElsewhere ? elsewhere.path() : dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(dir.filePath(exeName), QStringList());
    QVERIFY(p.waitForStarted());
    // Still running after a moment: it reached its event loop instead of aborting.
    QVERIFY2(!p.waitForFinished(3000), p.readAllStandardError().constData());
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill(); // an offscreen window on Windows has no window to receive WM_CLOSE
        QVERIFY(p.waitForFinished(5000));
    }
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Tobrell.sqlite3"))));
    // The book in a folder with a Chinese name was read whole and copied.
    if (withDatabase)
        QCOMPARE(QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files).size(), 1);
    if (withConf) {
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run.log"))));
        const QStringList errors = Lines::read(dir.filePath(QStringLiteral("run.log"))).filter(QStringLiteral("rror"));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

namespace {

const char childEnv[] = "TOBRELL_STARTUP_CHILD";
const char startChild[] = "start"; // the steps of main.cpp before the window, then the window
const char holdChild[] = "hold";   // a program that is closing: the lock held a moment longer
const char withoutOverride[] = "TOBRELL_WITHOUT_MODE_OVERRIDE";

// As main.cpp, beside this executable: starts (where the backup's failure is logged),
// deletes a record (logged before and after) and closes the window, ending the process.
int runAsProgram(int argc, char **argv)
{
    QApplication app(argc, argv);
    Log4Qt::PropertyConfigurator::configure(QCoreApplication::applicationDirPath() + QStringLiteral("//QtLog4Qt.conf"));
    Log4Qt::LogManager::setHandleQtMessages(true);
    ScopedDialogAnswers answers;
    MainWindow w;
    w.show();
    CommandDriver(w, answers).remove(0);
    QTimer::singleShot(0, &w, &QWidget::close);
    return app.exec();
}

// As main.cpp up to the window, which closes once shown. Prints every box asked and
// "window" when the window was shown.
int startAsProgram(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<TestSupport::WithoutModeOverride> asAnyone;
    if (qEnvironmentVariableIsSet(withoutOverride))
        asAnyone.reset(new TestSupport::WithoutModeOverride);
    QTextStream out(stdout);
    ScopedDialogAnswers answers;
    answers.onRequest = [&out](const Dialogs::Request &r) { out << "box [" << r.title << "] " << r.text << Qt::endl; };
    Startup::enterProgramFolder();
    const BookLock lock(QCoreApplication::applicationDirPath());
    if (!Startup::mayOpenBook(lock))
        return 0;
    MainWindow w;
    w.show();
    out << "window" << Qt::endl;
    QTimer::singleShot(0, &w, &QWidget::close);
    return app.exec();
}

} // namespace

// A log file that cannot be written (a full disk) is reported once on stderr; the program
// starts, works on the book and ends as usual, and the console keeps logging.
void TestStartup::fullDiskForTheLogEndsNothing()
{
#ifndef Q_OS_UNIX
    QSKIP("no /dev/full here");
#endif
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    using namespace TestSupport;
    QVERIFY(createDatabase(databasePath(), QStringLiteral("A")));
    QVERIFY(insertRecords(databasePath(), {{"A", "面包", "1", "2024-01-01", "", "1"}, {"A", "牛奶", "2", "2024-01-02", "", "2"}}));
    QDir(backupsPath()).removeRecursively();
    Lines::writeFile(backupsPath(), QByteArray()); // a file in the folder's place: the backup fails, and says so at start
    const QString conf = QCoreApplication::applicationDirPath() + QStringLiteral("/QtLog4Qt.conf");
    Lines::writeFile(conf,
                     "log4j.rootLogger=DEBUG, full, console\n"
                     "log4j.appender.full=org.apache.log4j.FileAppender\n"
                     "log4j.appender.full.file=/dev/full\n"
                     "log4j.appender.full.layout=org.apache.log4j.PatternLayout\n"
                     "log4j.appender.console=org.apache.log4j.ConsoleAppender\n"
                     "log4j.appender.console.layout=org.apache.log4j.PatternLayout\n"
                     "log4j.appender.console.layout.conversionPattern=%m%n\n");

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childEnv), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), QStringList());
    const bool finished = p.waitForFinished(60000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QFile::remove(conf);
    QFile::remove(backupsPath());
    QVERIFY2(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(err));
#ifndef TOBRELL_REAL_LOG4QT // Log4Qt itself reports every event
    QCOMPARE(err.count(QStringLiteral("Unable to write to file '/dev/full' for appender 'full'")), 1);
#endif
    QVERIFY2(out.contains(QLatin1String("Error: backup failed.")) && out.contains(QStringLiteral("删除之后的个数 1")),
             qPrintable(out));
    QCOMPARE(storedRows(databasePath()).size(), 1);
}

// One program per book. While a program has it open, a second start shows one notice,
// ends with 0 and touches nothing; a lock left by a killed program, or none to be had in a
// read-only folder, stops no one.
void TestStartup::secondStartLeavesTheBookAlone_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QByteArray>("lockText"); // a lock file left where no program holds it
    QTest::newRow("another program has the book") << "running" << true << QByteArray();
    QTest::newRow("the last one was killed") << "killed" << false << QByteArray();
    QTest::newRow("the last one is still closing") << "closing" << false << QByteArray();
    QTest::newRow("an empty lock, as after a power cut") << "lock left" << false << QByteArray("");
    QTest::newRow("a garbled lock") << "lock left" << false << QByteArray("\xff\xfe garbage\n");
    QTest::newRow("another computer's lock") << "lock left" << false << QByteArray("4242\nTobrell\nanother-pc\n");
#ifdef Q_OS_LINUX // a read-only folder takes new files on Windows
    QTest::newRow("read-only folder") << "read-only folder" << false << QByteArray();
#endif
}

void TestStartup::secondStartLeavesTheBookAlone()
{
    QFETCH(QString, before);
    QFETCH(bool, refused);
    QFETCH(QByteArray, lockText);
    if (!QFile::exists(builtProgram()))
        QSKIP("Tobrell executable not built");
    // The program and this test side by side in one folder, on one book.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/账本-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString book = dir.filePath(QStringLiteral("Tobrell.sqlite3"));
    const QString lockFile = BookLock::lockPath(dir.path());
    const QString child = dir.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QVERIFY(copyExecutable(builtProgram(), dir.filePath(exeName)));
    QVERIFY(copyExecutable(QCoreApplication::applicationFilePath(), child));
    QVERIFY(TestSupport::createDatabase(book));
    QVERIFY(TestSupport::insertRecords(book, {{"餐饮", "米饭", "12.5", "2024-01-02", "", "1"}}));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(env);
    auto stopFirst = qScopeGuard([&first] {
        first.kill();
        first.waitForFinished(5000);
    });
    if (before == QLatin1String("read-only folder")) {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        env.insert(QString::fromLatin1(withoutOverride), QStringLiteral("1"));
    } else if (before == QLatin1String("lock left")) {
        Lines::writeFile(lockFile, lockText);
    } else if (before == QLatin1String("closing")) {
        env.insert(QString::fromLatin1(childEnv), QString::fromLatin1(holdChild)); // the second's is set below
        first.setProcessEnvironment(env);
        first.start(child, QStringList());
        QVERIFY(first.waitForReadyRead(60000));
        QCOMPARE(first.readLine().trimmed(), QByteArray("held"));
    } else {
        first.start(dir.filePath(exeName), QStringList());
        QVERIFY(first.waitForStarted());
        // Ready once it has copied the book, its last step at start.
        QTRY_COMPARE_WITH_TIMEOUT(QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files).size(), 1, 60000);
        QVERIFY(QFile::exists(lockFile));
        QVERIFY2(first.state() == QProcess::Running, first.readAllStandardError().constData());
        if (before == QLatin1String("killed")) {
            first.kill();
            QVERIFY(first.waitForFinished(5000));
            QVERIFY(QFile::exists(lockFile)); // left behind, as after a crash
        }
    }
    const QByteArray bookBefore = TestSupport::readFile(book);
    const QByteArray lockBefore = TestSupport::readFile(lockFile);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);

    QProcess second;
    env.insert(QString::fromLatin1(childEnv), QString::fromLatin1(startChild));
    second.setProcessEnvironment(env);
    second.start(child, QStringList());
    const bool finished = second.waitForFinished(120000);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString err = QString::fromLocal8Bit(second.readAllStandardError());
    QVERIFY2(finished && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0, qPrintable(err));
    const QStringList out = Lines::split(second.readAllStandardOutput());
    if (refused) {
        QCOMPARE(out.size(), 1);
        QVERIFY2(out.first().startsWith(QStringLiteral("box [信息] ")), qPrintable(out.first()));
        QCOMPARE(TestSupport::readFile(book), bookBefore);
        QCOMPARE(TestSupport::readFile(lockFile), lockBefore);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), filesBefore);
        QCOMPARE(first.state(), QProcess::Running);
    } else {
        QCOMPARE(out, QStringList{QStringLiteral("window")});
        QVERIFY(!QFile::exists(lockFile)); // freed on the way out
    }
}

// Qt's standard buttons in Chinese like every text of the program, Cancel still the default.
void TestStartup::qtButtonsReadChinese_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("defaultButton");
    QTest::newRow("warning") << false << QStringList{QStringLiteral("确定")} << QString();
    QTest::newRow("question") << true << QStringList{QStringLiteral("确定"), QStringLiteral("取消")} << QStringLiteral("取消");
}

void TestStartup::qtButtonsReadChinese()
{
    QFETCH(bool, question);
    QFETCH(QStringList, buttons);
    QFETCH(QString, defaultButton);
    static const bool loaded = Startup::loadQtTranslation(qApp);
    QVERIFY(loaded);
    QStringList seen;
    QString seenDefault;
    // The real box, read and closed from its own event loop once it shows.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        for (QAbstractButton *b : box->buttons())
            seen << b->text();
        if (question && box->defaultButton())
            seenDefault = box->defaultButton()->text();
        box->done(QMessageBox::Cancel);
    });
    poll.start();
    if (question)
        Dialogs::confirm(nullptr, QStringLiteral("确定要删除吗？"));
    else
        Dialogs::warn(nullptr, QStringLiteral("名称不能为空"));
    seen.sort();
    buttons.sort();
    QCOMPARE(seen, buttons);
    QCOMPARE(seenDefault, defaultButton);
}

int main(int argc, char **argv)
{
    if (qgetenv(childEnv) == startChild)
        return startAsProgram(argc, argv);
    if (qgetenv(childEnv) == holdChild) {
        QCoreApplication app(argc, argv);
        const BookLock lock(QCoreApplication::applicationDirPath());
        QTextStream(stdout) << (lock.state() == BookLock::Held ? "held" : "not held") << Qt::endl;
        QThread::msleep(1500);
        return 0;
    }
    if (qEnvironmentVariableIsSet(childEnv))
        return runAsProgram(argc, argv);
    QApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
