#include "log4qt/logmanager.h"

#include "impl/configurator.h"

#include <QString>
#include <QtGlobal>

#include <log4cxx/logger.h>

#include <atomic>
#include <cstdlib>

namespace Log4Qt {

namespace {

QtMessageHandler previousHandler = nullptr;
std::atomic<bool> handling{false};

void qtMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const log4cxx::LoggerPtr logger = Impl::repository()->getLogger("Qt");
    log4cxx::LevelPtr level;
    switch (type) {
    case QtDebugMsg: level = log4cxx::Level::getDebug(); break;
    case QtInfoMsg: level = log4cxx::Level::getInfo(); break;
    case QtWarningMsg: level = log4cxx::Level::getWarn(); break;
    case QtCriticalMsg: level = log4cxx::Level::getError(); break;
    case QtFatalMsg: level = log4cxx::Level::getFatal(); break;
    }
    if (logger->isEnabledFor(level)) {
        // Handed over as log4cxx's own UTF-8 text: no locale conversion can touch it.
        const std::string text = qFormatLogMessage(type, context, message).toStdString();
        const log4cxx::spi::LocationInfo location =
            context.file ? log4cxx::spi::LocationInfo(context.file, log4cxx::spi::LocationInfo::calcShortFileName(context.file),
                                                      context.function ? context.function : log4cxx::spi::LocationInfo::NA_METHOD,
                                                      context.line)
                         : log4cxx::spi::LocationInfo::getLocationUnavailable();
        logger->forcedLogLS(level, text, location);
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void LogManager::setHandleQtMessages(bool handleQtMessages)
{
    Impl::repository();
    if (handleQtMessages == handling)
        return;
    handling = handleQtMessages;
    if (handleQtMessages)
        previousHandler = qInstallMessageHandler(qtMessageHandler);
    else
        qInstallMessageHandler(previousHandler);
}

bool LogManager::handleQtMessages()
{
    return handling;
}

} // namespace Log4Qt
