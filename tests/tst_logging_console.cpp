// What a Log4Qt property file makes the program print: run as a child process
// (this executable with --log-child) so the real stdout and stderr are captured.
#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include "lines.h"

#include <QtTest>

namespace {

QString fromUtf8(const char *s) { return QString::fromUtf8(s); }

// The child: configure from $TOBRELL_LOG_CONF, hand Qt's messages over, write four of them.
// Exit code 0 when configure() reported success, 3 otherwise.
int runChild(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString conf = QFile::decodeName(qgetenv("TOBRELL_LOG_CONF"));
    const bool ok = Log4Qt::PropertyConfigurator::configure(conf);
    if (qEnvironmentVariableIsEmpty("TOBRELL_LOG_NO_HANDLER"))
        Log4Qt::LogManager::setHandleQtMessages(true);
    qDebug("debug 中文消息");
    qInfo("info line");
    qWarning("warn line");
    qCritical("error line");
    return ok ? 0 : 3;
}

struct ChildResult
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

ChildResult runChildProcess(const QString &confPath, bool installHandler = true, const QString &workDir = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "C");
    env.insert("LC_ALL", "C");
    env.remove("QT_MESSAGE_PATTERN");
    env.insert("TOBRELL_LOG_CONF", QString::fromUtf8(QFile::encodeName(confPath)));
    if (!installHandler)
        env.insert("TOBRELL_LOG_NO_HANDLER", "1");
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QCoreApplication::applicationFilePath(), {"--log-child"});
    ChildResult r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = Lines::split(p.readAllStandardOutput());
    r.err = Lines::split(p.readAllStandardError());
    return r;
}

} // namespace

class TestLoggingConsole : public QObject
{
    Q_OBJECT
private slots:
    void console_data();
    void console();
    void shippedConfiguration();
    void chineseConfigurationFolder();
    void relativeFileBesideConfiguration();
};

void TestLoggingConsole::console_data()
{
    QTest::addColumn<QByteArray>("conf"); // null: no file
    QTest::addColumn<bool>("installHandler");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");

    const QByteArray console = "log4j.rootLogger=DEBUG, C\n"
                               "log4j.appender.C=org.apache.log4j.ConsoleAppender\n"
                               "log4j.appender.C.layout=org.apache.log4j.PatternLayout\n"
                               "log4j.appender.C.layout.ConversionPattern=%p %c %m%n\n";
    const QStringList all = {fromUtf8("DEBUG Qt debug 中文消息"), "INFO Qt info line", "WARN Qt warn line", "ERROR Qt error line"};
    const auto add = [](const char *name, const QByteArray &conf, bool handler, int code, const QStringList &out, const QStringList &err) {
        QTest::newRow(name) << conf << handler << code << out << err;
    };

    add("stdout by default, Chinese intact under LANG=C", console, true, 0, all, {});
    add("target STDERR_TARGET", console + "log4j.appender.C.target=STDERR_TARGET\n", true, 0, {}, all);
    add("target STDOUT_TARGET", console + "log4j.appender.C.Target=STDOUT_TARGET\n", true, 0, all, {});
    add("ColorConsoleAppender maps to the console",
        QByteArray(console).replace("org.apache.log4j.ConsoleAppender", "Log4Qt::ColorConsoleAppender"), true, 0, all, {});
    add("DebugAppender writes to stderr",
        QByteArray(console).replace("org.apache.log4j.ConsoleAppender", "Log4Qt::DebugAppender"), true, 0, {}, all);
    add("missing file: one error line, nothing else", QByteArray(), true, 3, {},
        {"re:\\d+ \\[main\\] ERROR Log4Qt::PropertyConfigurator - Unable to open property file '.*QtLog4Qt\\.conf' \\(.*\\)"});
    add("empty file: silence", QByteArray(""), true, 0, {}, {});
    add("garbage: silence", QByteArray("\xff\xfe\x00\x01 ::: ==\n\x80\x81 log4j\n", 20), true, 0, {}, {});
    add("unknown class: error, the rest applies", console + "log4j.rootLogger=DEBUG, C, X\nlog4j.appender.X=Log4Qt::FancyAppender\n", true, 3,
        all, {"re:.* ERROR Log4Qt::PropertyConfigurator - Unable to create appender of class 'Log4Qt::FancyAppender' for appender 'X'"});
    add("bad level: error, appenders still attached", console + "log4j.rootLogger=VERBOSE, C\n", true, 3, all,
        {"re:.* ERROR Log4Qt::PropertyConfigurator - Invalid level value 'VERBOSE' for logger 'root'"});
    add("SignalAppender reported as not available", console + "log4j.rootLogger=DEBUG, C, S\nlog4j.appender.S=Log4Qt::SignalAppender\n",
        true, 3, all, {"re:.* ERROR .* 'Log4Qt::SignalAppender' of appender 'S' is not available in this build"});
    add("log4j.Debug shows the layer's own messages", console + "log4j.Debug=DEBUG\nlog4j.rootLogger=ERROR, C\n", true, 0,
        {"ERROR Qt error line"},
        {"re:\\d+ \\[main\\] DEBUG Log4Qt::PropertyConfigurator - Created appender 'C' of class 'org.apache.log4j.ConsoleAppender'",
         "re:.* DEBUG Log4Qt::PropertyConfigurator - Adding appender 'C' to logger 'root'"});
    add("log4j.handleQtMessages", console + "log4j.handleQtMessages=true\n", false, 0, all, {});
    add("without handleQtMessages Qt prints as usual", console, false, 0, {},
        {fromUtf8("debug 中文消息"), "info line", "warn line", "error line"});
    add("log4j.qtLogging.messagePattern", console + "log4j.qtLogging.messagePattern=%{type}: %{message}\n", true, 0,
        {fromUtf8("DEBUG Qt debug: debug 中文消息"), "INFO Qt info: info line", "WARN Qt warning: warn line",
         "ERROR Qt critical: error line"},
        {});
    add("log4j.qtLogging.filterRules", console + "log4j.qtLogging.filterRules=*.debug=false;default.info=false\n", true, 0,
        all.mid(2), {});
    add("two appenders, one threshold",
        console + "log4j.rootLogger=INFO, C, E\nlog4j.appender.E=Log4Qt::ConsoleAppender\nlog4j.appender.E.target=STDERR_TARGET\n"
                  "log4j.appender.E.threshold=ERROR\nlog4j.appender.E.layout=Log4Qt::SimpleLayout\n",
        true, 0, all.mid(1), {"ERROR - error line"});
    add("console header and footer", console + "log4j.appender.C.layout.header=--- 开始 ---\nlog4j.appender.C.layout.footer=--- 结束 ---\n"
                                               "log4j.rootLogger=WARN, C\n",
        true, 0, {fromUtf8("--- 开始 ---"), "WARN Qt warn line", "ERROR Qt error line", fromUtf8("--- 结束 ---")}, {});
}

void TestLoggingConsole::console()
{
    QFETCH(QByteArray, conf);
    QFETCH(bool, installHandler);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);

    QTemporaryDir dir;
    const QString path = dir.filePath("QtLog4Qt.conf");
    if (!conf.isNull())
        Lines::writeFile(path, conf);
    const ChildResult r = runChildProcess(path, installHandler);
    QCOMPARE(r.exitCode, exitCode);
    Lines::compare(r.out, out);
    Lines::compare(r.err, err);
}

void TestLoggingConsole::shippedConfiguration()
{
    const QString sourceDir = qEnvironmentVariable("TOBRELL_SOURCE_DIR");
    if (sourceDir.isEmpty())
        QSKIP("TOBRELL_SOURCE_DIR not set");
    QTemporaryDir dir;
    QVERIFY(QFile::copy(sourceDir + "/resources/QtLog4Qt.conf", dir.filePath("QtLog4Qt.conf")));
    const ChildResult r = runChildProcess(dir.filePath("QtLog4Qt.conf"));
    QCOMPARE(r.exitCode, 0);
    const QString stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}";
    const QStringList expected = {"re:" + stamp + fromUtf8(" DEBUG \\[Qt\\] debug 中文消息"), "re:" + stamp + " INFO  \\[Qt\\] info line",
                                  "re:" + stamp + " WARN  \\[Qt\\] warn line", "re:" + stamp + " ERROR \\[Qt\\] error line"};
    Lines::compare(r.out, expected);
    Lines::compare(r.err, {});
    QFile log(dir.filePath("Tobrell.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    Lines::compare(Lines::split(log.readAll()), expected);
    log.close();
    // A second start adds to the log instead of replacing it.
    QCOMPARE(runChildProcess(dir.filePath("QtLog4Qt.conf")).exitCode, 0);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(Lines::split(log.readAll()).size(), 8);
}

void TestLoggingConsole::chineseConfigurationFolder()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(fromUtf8("家庭/支出"));
    Lines::writeFile(folder + "/QtLog4Qt.conf",
              "log4j.rootLogger=DEBUG, F\n"
              "log4j.appender.F=org.apache.log4j.FileAppender\n"
              "log4j.appender.F.file=Tobrell.log\n"
              "log4j.appender.F.layout=org.apache.log4j.PatternLayout\n"
              "log4j.appender.F.layout.ConversionPattern=%p [%c] %m%n\n");
    const ChildResult r = runChildProcess(folder + "//QtLog4Qt.conf");
    QCOMPARE(r.exitCode, 0);
    QFile log(folder + "/Tobrell.log");
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(Lines::split(log.readAll()).value(0), fromUtf8("DEBUG [Qt] debug 中文消息"));
}

void TestLoggingConsole::relativeFileBesideConfiguration()
{
    QTemporaryDir confDir;
    QTemporaryDir workDir;
    Lines::writeFile(confDir.filePath("QtLog4Qt.conf"),
              "log4j.rootLogger=ERROR, F\n"
              "log4j.appender.F=org.apache.log4j.FileAppender\n"
              "log4j.appender.F.file=logs/rel.log\n"
              "log4j.appender.F.layout=org.apache.log4j.SimpleLayout\n");
    QCOMPARE(runChildProcess(confDir.filePath("QtLog4Qt.conf"), true, workDir.path()).exitCode, 0);
    QVERIFY(QFile::exists(confDir.filePath("logs/rel.log")));
    QVERIFY(!QFile::exists(workDir.filePath("logs/rel.log")));
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--log-child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestLoggingConsole test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logging_console.moc"
