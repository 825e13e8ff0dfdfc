// log4cxx first: its LogLog declares a function named like Qt's emit macro.
#include "impl/internal.h"

#include <log4cxx/consoleappender.h>
#include <log4cxx/fileappender.h>
#include <log4cxx/filter/levelrangefilter.h>
#include <log4cxx/helpers/loglog.h>
#include <log4cxx/hierarchy.h>
#include <log4cxx/logger.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/spi/defaultrepositoryselector.h>
#include <log4cxx/writerappender.h>

#include "log4qt/logmanager.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

namespace Log4Qt {

namespace Impl {

namespace {

log4cxx::AppenderPtr internalConsole(const char *target, const log4cxx::LevelPtr &min, const log4cxx::LevelPtr &max)
{
    auto layout = std::make_shared<QtLayout>();
    layout->setOption("ConversionPattern", "%r [%t] %-5p %c - %m%n");
    auto appender = std::make_shared<log4cxx::ConsoleAppender>(layout, target);
    appender->setWriter(consoleWriter(std::string(target) == "System.err"));
    auto range = std::make_shared<log4cxx::filter::LevelRangeFilter>();
    range->setLevelMin(min);
    range->setLevelMax(max);
    range->setAcceptOnMatch(true);
    appender->addFilter(range);
    log4cxx::helpers::Pool pool;
    layout->activateOptions(pool);
    return appender;
}

// The appenders whose failed write has been reported: once each, as long as the process runs.
std::mutex failedMutex;
std::set<std::weak_ptr<log4cxx::Appender>, std::owner_less<std::weak_ptr<log4cxx::Appender>>> failed;

// log4cxx throws where a write fails (a full disk, an I/O error, a file that vanished). Log4Qt
// reports the failure and goes on; so does the layer, once for each appender. The report
// passes this appender too, which then fails without a word.
void guarded(const log4cxx::AppenderPtr &appender, const std::function<void()> &write)
{
    try {
        write();
    } catch (const std::exception &e) {
        {
            const std::lock_guard<std::mutex> lock(failedMutex);
            if (!failed.insert(appender).second)
                return;
        }
        // "IO Exception : status code = 28(No space left on device)": the reason alone. (No
        // regular expression: at exit Qt's thread storage, which it needs, may be gone.)
        std::string reason = e.what();
        const size_t status = reason.find("status code = ");
        const size_t open = reason.find('(', status);
        if (status != std::string::npos && open != std::string::npos && reason.back() == ')')
            reason = reason.substr(open + 1, reason.size() - open - 2);
        const QString name = fromLS(appender->getName());
        if (const auto file = log4cxx::cast<log4cxx::FileAppender>(appender))
            reportError(log4cxx::cast<QtBinaryFileAppender>(appender) ? "BinaryFileAppender" : "FileAppender",
                        QStringLiteral("Unable to write to file '%1' for appender '%2': %3").arg(fromLS(file->getFile()), name, QString::fromStdString(reason)));
        else
            reportError("AppenderSkeleton", QStringLiteral("Unable to write for appender '%1': %2").arg(name, QString::fromStdString(reason)));
    }
}

} // namespace

void dispatch(const log4cxx::LoggerPtr &logger, const QString &category, const log4cxx::LevelPtr &level,
              const QString &message, int line, const char *file, const char *function)
{
    if (!logger->isEnabledFor(level))
        return;
    auto event = std::make_shared<log4cxx::spi::LoggingEvent>(logger->getName(), level, toLS(message),
                                                              log4cxx::spi::LocationInfo(file, file, function, line));
    event->setProperty("category", toLS(category));
    if (*function) // Qt passes none in a release build: no property to make for each event
        event->setProperty("function", function);
    log4cxx::helpers::Pool pool;
    // As Logger::callAppenders, but one appender that cannot write stops neither the others nor the program.
    for (log4cxx::LoggerPtr at = logger; at; at = at->getAdditivity() ? at->getParent() : nullptr)
        for (const log4cxx::AppenderPtr &appender : at->getAllAppenders())
            guarded(appender, [&] { appender->doAppend(event, pool); });
}

// Log4Qt's own messages: below WARN on stdout, the rest on stderr, and on to
// the root's appenders like any other logger's.
void setUpInternalLogger(const log4cxx::spi::LoggerRepositoryPtr &repo)
{
    const log4cxx::LoggerPtr internal = repo->getLogger("Log4Qt");
    internal->removeAllAppenders();
    internal->setLevel(log4cxx::Level::getError());
    internal->addAppender(internalConsole("System.out", log4cxx::Level::getAll(), log4cxx::Level::getInfo()));
    internal->addAppender(internalConsole("System.err", log4cxx::Level::getWarn(), log4cxx::Level::getOff()));
}

log4cxx::spi::LoggerRepositoryPtr repository()
{
    // Our own repository, marked configured, so log4cxx never looks for a file
    // of its own, and quiet, since Log4Qt says nothing about loggers without
    // appenders. Never freed: at exit it must outlive log4cxx's own memory pools.
    static std::once_flag once;
    static log4cxx::spi::LoggerRepositoryPtr *repo = nullptr;
    std::call_once(once, [] {
        log4cxx::helpers::LogLog::setQuietMode(true);
        repo = new log4cxx::spi::LoggerRepositoryPtr(log4cxx::Hierarchy::create());
        (*repo)->setConfigured(true);
        static int guard = 0;
        log4cxx::LogManager::setRepositorySelector(std::make_shared<log4cxx::spi::DefaultRepositorySelector>(*repo), &guard);
        QtLayout::registerClass();
        NullAppender::registerClass();
        QtDailyFileAppender::registerClass();
        QtRollingFileAppender::registerClass();
        QtBinaryFileAppender::registerClass();
        setUpInternalLogger(*repo);
        // Log4Qt's last line at a normal exit; its appenders stay open, without footers. What
        // immediateFlush=false still holds is written then (Log4Qt loses it).
        std::atexit([] {
            dispatch((*repo)->getLogger("::LoggerRepository"), QStringLiteral("::LoggerRepository"), log4cxx::Level::getDebug(),
                     QStringLiteral("Shutting down Hierarchy"));
            log4cxx::LoggerList loggers = (*repo)->getCurrentLoggers();
            loggers.push_back((*repo)->getRootLogger());
            log4cxx::helpers::Pool pool;
            for (const log4cxx::LoggerPtr &logger : loggers)
                for (const log4cxx::AppenderPtr &appender : logger->getAllAppenders())
                    if (const auto writer = log4cxx::cast<log4cxx::WriterAppender>(appender))
                        if (writer->getWriter())
                            guarded(appender, [&] { writer->getWriter()->flush(pool); });
        });
    });
    (*repo)->setConfigured(true); // a reset elsewhere clears it
    return *repo;
}

namespace {
// Only the configuring thread holds its reports; another thread's (a refusing appender's) go out at once.
thread_local bool holding = false;
thread_local std::vector<std::tuple<log4cxx::LevelPtr, const char *, QString>> held;
} // namespace

void holdReports(bool hold)
{
    holding = hold;
    if (hold)
        return;
    const auto all = std::move(held);
    held.clear();
    for (const auto &r : all)
        report(std::get<0>(r), std::get<1>(r), std::get<2>(r));
}

void reportBeforeHeld(const std::function<void()> &work)
{
    holding = false;
    work();
    holdReports(false);
}

void report(const log4cxx::LevelPtr &level, const char *source, const QString &message)
{
    if (holding) {
        held.emplace_back(level, source, message);
        return;
    }
    dispatch(repository()->getLogger(std::string("Log4Qt.") + source), QStringLiteral("Log4Qt::") + QLatin1String(source),
             level, message);
}

std::atomic<int> errors{0};

// An error counts against configure() only where it is logged: not under log4j.Debug=OFF
// or log4j.threshold=OFF, as with Log4Qt.
void reportError(const char *source, const QString &message)
{
    if (repository()->getLogger(std::string("Log4Qt.") + source)->isEnabledFor(log4cxx::Level::getError()))
        ++errors;
    report(log4cxx::Level::getError(), source, message);
}

int errorCount()
{
    return errors;
}

} // namespace Impl

namespace {

QtMessageHandler previousHandler = nullptr;
bool handling = false;

// Every Qt message goes to the logger "Qt"; its events are named "Qt <category>".
void qtMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const log4cxx::LoggerPtr logger = Impl::repository()->getLogger("Qt");
    log4cxx::LevelPtr level = log4cxx::Level::getDebug();
    switch (type) {
    case QtDebugMsg: break;
    case QtInfoMsg: level = log4cxx::Level::getInfo(); break;
    case QtWarningMsg: level = log4cxx::Level::getWarn(); break;
    case QtCriticalMsg: level = log4cxx::Level::getError(); break;
    case QtFatalMsg: level = log4cxx::Level::getFatal(); break;
    }
    Impl::dispatch(logger, QStringLiteral("Qt ") + QLatin1String(context.category ? context.category : "default"), level,
                   message, context.line, context.file ? context.file : "", context.function ? context.function : "");
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
