#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QCoreApplication>

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    const QString confPath = QCoreApplication::applicationDirPath() + QStringLiteral("//") + QStringLiteral("QtLog4Qt.conf");
    Log4Qt::PropertyConfigurator::configure(confPath);
    Log4Qt::LogManager::setHandleQtMessages(true);
    MainWindow w;
    w.show();
    return a.exec();
}
