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
#ifdef Q_OS_WIN
    const QString conf = qEnvironmentVariable("TOBRELL_LOG_CONF");
#else
    const QString conf = QFile::decodeName(qgetenv("TOBRELL_LOG_CONF"));
#endif
    const bool ok = Log4Qt::PropertyConfigurator::configure(conf);
    if (qEnvironmentVariableIsEmpty("TOBRELL_LOG_NO_HANDLER"))
        Log4Qt::LogManager::setHandleQtMessages(true);
    Lines::emitMessages();
    return ok ? 0 : 3;
}

struct ChildResult
{
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

ChildResult runChildProcess(const QString &confPath, bool installHandler = true, const QString &workDir = QString(),
                            const QString &locale = QStringLiteral("C"))
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_MESSAGE_PATTERN");
    // Windows takes its code page from the system, not from the environment.
#ifdef Q_OS_WIN
    Q_UNUSED(locale)
    env.insert("TOBRELL_LOG_CONF", confPath);
#else
    env.insert("LANG", locale);
    env.insert("LC_ALL", locale);
    env.insert("TOBRELL_LOG_CONF", QString::fromUtf8(QFile::encodeName(confPath)));
#endif
    if (!installHandler)
        env.insert("TOBRELL_LOG_NO_HANDLER", "1");
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QCoreApplication::applicationFilePath(), {"--log-child"});
    ChildResult r;
    // Generous: a child under Wine on a loaded machine can take many seconds to start.
    if (!p.waitForFinished(120000)) {
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
    const QStringList messages = {fromUtf8("DEBUG Qt default debug 中文消息"), "INFO Qt default info line", "WARN Qt default warn line",
                                  "ERROR Qt default error line"};
    // Log4Qt's last line at a normal exit, with the root at DEBUG.
    const QStringList all = messages + QStringList{"DEBUG ::LoggerRepository Shutting down Hierarchy"};
    const QString ownError = QStringLiteral("re:\\d+ \\[0x[0-9a-f]{16}\\] ERROR  ?Log4Qt::");
    const auto add = [](const char *name, const QByteArray &conf, bool handler, int code, const QStringList &out, const QStringList &err) {
        QTest::newRow(name) << conf << handler << code << out << err;
    };

    add("stdout by default, Chinese intact under LANG=C", console, true, 0, all, {});
    add("target STDERR_TARGET", console + "log4j.appender.C.target=STDERR_TARGET\n", true, 0, {}, all);
    add("target STDOUT_TARGET", console + "log4j.appender.C.Target=STDOUT_TARGET\n", true, 0, all, {});
    const QByteArray color = QByteArray(console).replace("org.apache.log4j.ConsoleAppender", "Log4Qt::ColorConsoleAppender");
    const QByteArray debugger = QByteArray(console).replace("org.apache.log4j.ConsoleAppender", "org.apache.log4j.varia.DebugAppender");
#ifdef Q_OS_WIN
    // It writes to the console window itself, so nothing reaches a pipe.
    add("ColorConsoleAppender: Windows only", color, true, 0, {}, {});
    add("DebugAppender writes to the debugger", debugger, true, 0, {}, {});
#else
    add("ColorConsoleAppender: Windows only", color, true, 3, {},
        {ownError + "PropertyConfigurator - Unable to create appender of class 'Log4Qt::ColorConsoleAppender' named 'C'.*"});
    QStringList debugOutput;
    for (const QString &line : all)
        debugOutput << line << QString();
    add("DebugAppender writes to stderr, a blank line after each event", debugger, true, 0, {}, debugOutput);
#endif
    add("missing file: one error line, nothing else", QByteArray(), true, 3, {},
        {ownError + "PropertyConfigurator - Unable to open property file '.*QtLog4Qt\\.conf'.*"});
    add("empty file: silence", QByteArray(""), true, 0, {}, {});
    add("garbage: silence", QByteArray("\xff\xfe\x00\x01 ::: ==\n\x80\x81 log4j\n", 20), true, 0, {}, {});
    // Log4Qt's own messages go through the hierarchy too: to the appenders attached by then.
    const QString unknownClass = "Unable to create appender of class 'Log4Qt::FancyAppender' named 'X'.*";
    add("unknown class: error, the rest applies", console + "log4j.rootLogger=DEBUG, C, X\nlog4j.appender.X=Log4Qt::FancyAppender\n", true, 3,
        QStringList{"re:ERROR Log4Qt::PropertyConfigurator " + unknownClass} + all, {ownError + "PropertyConfigurator - " + unknownClass});
    add("bad level: error, appenders still attached", console + "log4j.rootLogger=VERBOSE, C\n", true, 3, all,
        {ownError + "OptionConverter - Invalid option string 'VERBOSE' for a level.*"});
    add("SignalAppender needs a layout", console + "log4j.rootLogger=DEBUG, C, S\nlog4j.appender.S=Log4Qt::SignalAppender\n",
        true, 3, QStringList{"re:ERROR Log4Qt::PropertyConfigurator Missing layout definition for appender 'log4j\\.appender\\.S'.*"} + all,
        {ownError + "PropertyConfigurator - Missing layout definition for appender 'log4j\\.appender\\.S'.*"});
    add("log4j.Debug=WARN shows warnings too", console + "log4j.Debug=WARN\nlog4j.rootLogger=ERROR, X\nlog4j.appender.X=Log4Qt::FancyAppender\n",
        true, 3, {},
        {"re:\\d+ \\[0x[0-9a-f]{16}\\] WARN  Log4Qt::Factory - Request for the creation of Appender with class 'Log4Qt::FancyAppender', which is not registered",
         ownError + "PropertyConfigurator - " + unknownClass});
    add("log4j.handleQtMessages", console + "log4j.handleQtMessages=true\n", false, 0, all, {});
    add("without handleQtMessages Qt prints as usual", console, false, 0, all.mid(4),
        {fromUtf8("debug 中文消息"), "info line", "warn line", "error line"});
    add("log4j.qtLogging.messagePattern: Log4Qt takes the bare message",
        console + "log4j.qtLogging.messagePattern=%{type}: %{message}\n", true, 0, all, {});
    add("log4j.qtLogging.filterRules", console + "log4j.qtLogging.filterRules=*.debug=false\n", true, 0, all.mid(1), {});
    add("log4j.qtLogging.filterRules: one rule per line, ';' is no separator",
        console + "log4j.qtLogging.filterRules=*.debug=false;default.info=false\n", true, 0, all,
        {"qt.core.logging: Ignoring malformed logging rule: '*.debug=false;default.info=false'"});
    add("two appenders, one threshold",
        console + "log4j.rootLogger=INFO, C, E\nlog4j.appender.E=Log4Qt::ConsoleAppender\nlog4j.appender.E.target=STDERR_TARGET\n"
                  "log4j.appender.E.threshold=ERROR\nlog4j.appender.E.layout=Log4Qt::SimpleLayout\n",
        true, 0, messages.mid(1), {"ERROR - error line"});
    // Log4Qt reads its property file in the locale's encoding: the system code page on Windows.
    add("console header, no footer at exit",
        console + Lines::encode(fromUtf8("log4j.appender.C.layout.header=--- 开始 ---\nlog4j.appender.C.layout.footer=--- 结束 ---\n"))
            + "log4j.rootLogger=WARN, C\n",
        true, 0, {fromUtf8("--- 开始 ---"), "WARN Qt default warn line", "ERROR Qt default error line"}, {});
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
    // Started from its own folder, as the program is: Log4Qt takes a relative name from there.
    const ChildResult r = runChildProcess(dir.filePath("QtLog4Qt.conf"), true, dir.path());
    QCOMPARE(r.exitCode, 0);
    const QString stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}";
    // On Unix, Log4Qt's shutdown line comes too late for a date.
    const QStringList expected = {"re:" + stamp + fromUtf8(" DEBUG \\[Qt default\\] debug 中文消息"),
                                  "re:" + stamp + " INFO  \\[Qt default\\] info line", "re:" + stamp + " WARN  \\[Qt default\\] warn line",
                                  "re:" + stamp + " ERROR \\[Qt default\\] error line",
                                  "re:(" + stamp + ")? DEBUG \\[::LoggerRepository\\] Shutting down Hierarchy"};
    Lines::compare(r.out, expected);
    Lines::compare(r.err, {});
    Lines::compare(Lines::read(dir.filePath("Tobrell.log")), expected);
    // A second start adds to the log instead of replacing it.
    QCOMPARE(runChildProcess(dir.filePath("QtLog4Qt.conf"), true, dir.path()).exitCode, 0);
    QCOMPARE(Lines::read(dir.filePath("Tobrell.log")).size(), 10);
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
    // log4cxx names files in the locale's charset: a Chinese path needs a locale that has the characters.
    const ChildResult r = runChildProcess(folder + "//QtLog4Qt.conf", true, folder, QStringLiteral("C.UTF-8"));
    QCOMPARE(r.exitCode, 0);
    QFile log(folder + "/Tobrell.log");
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    const QString first = fromUtf8("DEBUG [Qt default] debug 中文消息");
    QCOMPARE(Lines::split(bytes).value(0), first);
    // In the locale's encoding: UTF-8 here, the system code page on Windows (GBK on a Chinese one).
    QVERIFY2(bytes.startsWith(Lines::encode(first)), bytes.toHex().constData());
}

void TestLoggingConsole::relativeFileBesideConfiguration()
{
#ifdef TOBRELL_REAL_LOG4QT
    QSKIP("Log4Qt itself takes a relative file name from the working directory");
#endif
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
