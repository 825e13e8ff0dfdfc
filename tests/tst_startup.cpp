#include "mainwindow/mainwindow.h"
#include "support/commanddriver.h"
#include "support/lines.h"

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include <QApplication>
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
void TestStartup::executableStartsAndQuits_data()
{
    QTest::addColumn<bool>("withConf");
    QTest::addColumn<bool>("withDatabase");
    QTest::newRow("bare folder") << false << false;
    QTest::newRow("database only") << false << true;
    QTest::newRow("both files") << true << true;
}

void TestStartup::executableStartsAndQuits()
{
    QFETCH(bool, withConf);
    QFETCH(bool, withDatabase);
#ifdef Q_OS_WIN
    const QString exeName = QStringLiteral("Tobrell.exe");
#else
    const QString exeName = QStringLiteral("Tobrell");
#endif
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/../../") + exeName;
    if (!QFile::exists(exe))
        QSKIP("Tobrell executable not built");

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/账本-XXXXXX"));
    QVERIFY(dir.isValid());
    QVERIFY(QFile::copy(exe, dir.filePath(exeName)));
    QFile::setPermissions(dir.filePath(exeName), QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    if (withDatabase) {
        QVERIFY(TestSupport::createDatabase(dir.filePath(QStringLiteral("Tobrell.sqlite3"))));
        QVERIFY(TestSupport::insertRecords(dir.filePath(QStringLiteral("Tobrell.sqlite3")),
                                           {{"餐饮", "米饭", "12.5", "2024-01-02", "", "1"}}));
    }
    if (withConf)
        Lines::writeFile(dir.filePath(QStringLiteral("QtLog4Qt.conf")),
                         "log4j.rootLogger=DEBUG, f\n"
                         "log4j.appender.f=org.apache.log4j.FileAppender\n"
                         "log4j.appender.f.File=" + Lines::encode(dir.filePath(QStringLiteral("run.log"))) + "\n"
                         "log4j.appender.f.layout=org.apache.log4j.PatternLayout\n"
                         "log4j.appender.f.layout.ConversionPattern=%p %c %m%n\n");

    QProcess p;
    p.setWorkingDirectory(dir.path());
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
}

namespace {

const char childEnv[] = "TOBRELL_STARTUP_CHILD";

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

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(childEnv))
        return runAsProgram(argc, argv);
    QApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
