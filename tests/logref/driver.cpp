// Writes what the program writes through Log4Qt's two calls, plus every level,
// a category, a named thread and enough lines to roll a small file over.
// Built once against the layer and once against an installed Log4Qt.
// Usage: logdriver CONF [REPLACEMENT]: with REPLACEMENT, the file CONF is
// overwritten with it halfway and the event loop runs a while, for watched files.
#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

Q_LOGGING_CATEGORY(dbCategory, "tobrell.db")

static void batch(const char *tag)
{
    qDebug("error:db file is not exists");
    qDebug() << "删除之前的个数" << 3;
    qInfo("%s info line", tag);
    qWarning("%s warn line", tag);
    qCritical("%s error line", tag);
    qCDebug(dbCategory, "%s category line", tag);
    QThread worker;
    worker.setObjectName(QStringLiteral("worker"));
    QObject::connect(&worker, &QThread::started, [&worker] {
        qDebug("from the worker");
        worker.quit();
    });
    worker.start();
    worker.wait();
    for (int i = 0; i < 30; ++i)
        qDebug("%s line %02d of the rolling test", tag, i);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString conf = QFile::decodeName(argv[1]);
    Log4Qt::PropertyConfigurator::configure(conf);
    Log4Qt::LogManager::setHandleQtMessages(true);
    batch("first");
    if (argc > 2) {
        QFile next(QFile::decodeName(argv[2]));
        QFile target(conf);
        if (next.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly | QIODevice::Truncate))
            target.write(next.readAll());
        target.close();
        QTimer::singleShot(qEnvironmentVariableIntValue("TOBRELL_DRIVER_WAIT") > 0 ? qEnvironmentVariableIntValue("TOBRELL_DRIVER_WAIT") : 2500, &app, &QCoreApplication::quit);
        app.exec();
        batch("second");
    }
    return 0;
}
