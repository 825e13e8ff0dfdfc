#include "app/startup.h"
#include "mainwindow/mainwindow.h"
#include "store/booklock.h"

#include <QApplication>
#include <QCoreApplication>

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

int main(int argc, char *argv[])
{
    // Widgets paint without OpenGL; on X11, Qt would otherwise load and set up the whole GL
    // stack before the first window, a good part of an empty book's start. A choice made in
    // the environment stands.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication a(argc, argv);
    Startup::enterProgramFolder();
    Startup::loadQtTranslation(&a);
    // Before logging is set up: a second start writes nothing, not even to the log.
    const BookLock lock(QCoreApplication::applicationDirPath());
    if (!Startup::mayOpenBook(lock))
        return 0;
    const QString confPath = QCoreApplication::applicationDirPath() + QStringLiteral("//") + QStringLiteral("QtLog4Qt.conf");
    Log4Qt::PropertyConfigurator::configure(confPath);
    Log4Qt::LogManager::setHandleQtMessages(true);
    MainWindow w;
    w.show();
    return a.exec();
}
