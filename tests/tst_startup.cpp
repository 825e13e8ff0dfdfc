#include "mainwindow/mainwindow.h"
#include "support/lines.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

// The program as a whole: it starts beside its files, opens its window and ends cleanly.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void closingTheWindowEndsTheLoopWithZero();
    void executableStartsAndQuits_data();
    void executableStartsAndQuits();
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
    if (withConf) {
        QFile conf(dir.filePath(QStringLiteral("QtLog4Qt.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("log4j.rootLogger=DEBUG, f\n"
                   "log4j.appender.f=org.apache.log4j.FileAppender\n"
                   "log4j.appender.f.File=" + Lines::encode(dir.filePath(QStringLiteral("run.log"))) + "\n"
                   "log4j.appender.f.layout=org.apache.log4j.PatternLayout\n"
                   "log4j.appender.f.layout.ConversionPattern=%p %c %m%n\n");
    }

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

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
