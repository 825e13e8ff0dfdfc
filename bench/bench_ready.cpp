#include "bench_ready.h"
#include "bench_measure.h"

#include "mainwindow/mainwindow.h"

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

const char *const ReadyFresh = "ready: fresh process to first paint (ms)";
const char *const ReadyAnonMemory = "anonymous memory when ready (MB)";
const char *const ReadyLargeConfiguration = "ready: a 1 MB logging file, more (ms)";
const char *const ReadyBackup = "start-up backup, done after ready (ms)";

namespace {

// Reports once the first paint of the table is done and the events queued until then
// (the flush to the screen among them) are processed; then, once the window has taken its
// start-up backup, how long that took after ready.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, this, [this] {
                std::printf("READY\nFIGURE\t%s\t%.2f\n", ReadyAnonMemory, processMemoryMb("RssAnon"));
                std::fflush(stdout);
                sinceReady.start();
                finishOnceBackedUp();
            });
        }
        return QObject::eventFilter(watched, event);
    }

    void backupDone()
    {
        backedUp = sinceReady.isValid() ? sinceReady.nsecsElapsed() / 1e6 : 0.0;
        finishOnceBackedUp();
    }

private:
    void finishOnceBackedUp()
    {
        if (!sinceReady.isValid() || backedUp < 0)
            return;
        std::printf("FIGURE\t%s\t%.2f\n", ReadyBackup, backedUp);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    bool seen = false;
    QElapsedTimer sinceReady;
    double backedUp = -1;
};

} // namespace

int runUntilReady(int argc, char *argv[])
{
    // As main.cpp, with a watch on the table.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication a(argc, argv);
    const QString configuration = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("QtLog4Qt.conf");
    Log4Qt::PropertyConfigurator::configure(QCoreApplication::applicationDirPath() + QStringLiteral("//") + configuration);
    Log4Qt::LogManager::setHandleQtMessages(true);
    MainWindow w;
    FirstPaint watch;
    w.findChild<QTableView *>(QStringLiteral("tableViewMain"))->viewport()->installEventFilter(&watch);
    QObject::connect(&w, &MainWindow::startUpBackupDone, &watch, &FirstPaint::backupDone);
    w.show();
    return a.exec();
}

QMap<QString, double> timeToReady(int runs, const QProcessEnvironment &environment, const QString &configuration)
{
    std::vector<double> ready;
    QMap<QString, std::vector<double>> reported;
    for (int i = 0; i < runs; ++i) {
        // Every start copies the book, as for a family whose book changed since the last.
        QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/backups")).removeRecursively();
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        QStringList arguments{QStringLiteral("--ready")};
        if (!configuration.isEmpty())
            arguments << configuration;
        child.start(QCoreApplication::applicationFilePath(), arguments);
        QByteArray output;
        while (!output.contains("READY\n") && child.waitForReadyRead(-1))
            output += child.readAllStandardOutput();
        const double ms = timer.nsecsElapsed() / 1e6;
        child.waitForFinished(-1);
        output += child.readAllStandardOutput();
        if (!output.contains("READY\n"))
            return {};
        ready.push_back(ms);
        for (const QByteArray &line : output.split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            if (parts.size() == 3 && parts.at(0) == "FIGURE")
                reported[QString::fromUtf8(parts.at(1))].push_back(parts.at(2).toDouble());
        }
    }
    QMap<QString, double> figures;
    std::sort(ready.begin(), ready.end());
    figures[ReadyFresh] = ready[ready.size() / 2];
    for (auto it = reported.begin(); it != reported.end(); ++it) {
        std::sort(it.value().begin(), it.value().end());
        figures[it.key()] = it.value()[it.value().size() / 2];
    }
    return figures;
}

bool writeLargeConfiguration(const QString &shipped, const QString &path)
{
    QFile in(shipped);
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray loggers;
    for (int i = 0; i < 10000; ++i)
        loggers += QStringLiteral("log4j.logger.tobrell.module%1=INFO\n").arg(i, 5, 10, QLatin1Char('0')).toLatin1();
    const QByteArray text = in.readAll();
    const QByteArray comment = "# " + QByteArray(qMax(0, 1024 * 1024 - text.size() - loggers.size() - 3), 'x') + '\n';
    return out.write(text + comment + loggers) > 0;
}

} // namespace Bench
