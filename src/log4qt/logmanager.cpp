#include "log4qt/logmanager.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <log4cxx/logger.h>

namespace Log4Qt {

namespace {

QtMessageHandler previousHandler = nullptr;
bool handling = false;

void qtMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    static const log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger("Qt");
    const std::string text = message.toStdString(); // UTF-8, as log4cxx keeps its strings
    switch (type) {
    case QtDebugMsg: LOG4CXX_DEBUG(logger, text); break;
    case QtInfoMsg: LOG4CXX_INFO(logger, text); break;
    case QtWarningMsg: LOG4CXX_WARN(logger, text); break;
    case QtCriticalMsg: LOG4CXX_ERROR(logger, text); break;
    case QtFatalMsg:
        LOG4CXX_FATAL(logger, text);
        abort();
    }
}

} // namespace

void LogManager::setHandleQtMessages(bool handleQtMessages)
{
    if (handleQtMessages == handling)
        return;
    handling = handleQtMessages;
    if (handling)
        previousHandler = qInstallMessageHandler(qtMessageHandler);
    else
        qInstallMessageHandler(previousHandler);
}

bool LogManager::handleQtMessages()
{
    return handling;
}

} // namespace Log4Qt
