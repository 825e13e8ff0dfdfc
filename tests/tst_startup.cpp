#include "mainwindow/mainwindow.h"
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
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/../../Tobrell");
    if (!QFile::exists(exe))
        QSKIP("Tobrell executable not built");

    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/账本-XXXXXX"));
    QVERIFY(dir.isValid());
    QVERIFY(QFile::copy(exe, dir.filePath(QStringLiteral("Tobrell"))));
    QFile::setPermissions(dir.filePath(QStringLiteral("Tobrell")), QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    if (withDatabase)
        QVERIFY(TestSupport::createDatabase(dir.filePath(QStringLiteral("Tobrell.sqlite3"))));
    if (withConf) {
        QFile conf(dir.filePath(QStringLiteral("QtLog4Qt.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("log4j.rootLogger=DEBUG, f\n"
                   "log4j.appender.f=org.apache.log4j.FileAppender\n"
                   "log4j.appender.f.File=" + dir.filePath(QStringLiteral("run.log")).toUtf8() + "\n"
                   "log4j.appender.f.layout=org.apache.log4j.PatternLayout\n"
                   "log4j.appender.f.layout.ConversionPattern=%p %c %m%n\n");
    }

    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(dir.filePath(QStringLiteral("Tobrell")), QStringList());
    QVERIFY(p.waitForStarted());
    // Still running after a moment: it reached its event loop instead of aborting.
    QVERIFY2(!p.waitForFinished(1500), p.readAllStandardError().constData());
    p.terminate();
    QVERIFY(p.waitForFinished(5000));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Tobrell.sqlite3"))));
    if (withConf)
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("run.log"))));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
