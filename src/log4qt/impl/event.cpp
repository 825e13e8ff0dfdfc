#include "impl/event.h"

#include <QCoreApplication>
#include <QThread>

#include <log4cxx/helpers/date.h>

#include <mutex>

namespace Log4Qt {
namespace Impl {

namespace {
std::mutex clockMutex;
std::function<QDateTime()> &clockFunction()
{
    static std::function<QDateTime()> clock;
    return clock;
}

QString fromLogString(const log4cxx::LogString &s)
{
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
} // namespace

QDateTime currentDateTime()
{
    std::lock_guard<std::mutex> lock(clockMutex);
    const auto &clock = clockFunction();
    return clock ? clock() : QDateTime::currentDateTime();
}

void setClockForTesting(std::function<QDateTime()> clock)
{
    std::lock_guard<std::mutex> lock(clockMutex);
    clockFunction() = std::move(clock);
}

qint64 millisecondsSinceStart()
{
    const log4cxx::log4cxx_time_t now = log4cxx::helpers::Date::currentTime();
    return (now - log4cxx::spi::LoggingEvent::getStartTime()) / 1000;
}

QString currentThreadName()
{
    QThread *thread = QThread::currentThread();
    if (thread && !thread->objectName().isEmpty())
        return thread->objectName();
    const QCoreApplication *app = QCoreApplication::instance();
    if (app && thread == app->thread())
        return QStringLiteral("main");
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(QThread::currentThreadId()), 0, 16);
}

Event makeEvent(const log4cxx::spi::LoggingEventPtr &event)
{
    Event e;
    e.source = event;
    {
        std::lock_guard<std::mutex> lock(clockMutex);
        const auto &clock = clockFunction();
        e.time = clock ? clock() : QDateTime::fromMSecsSinceEpoch(event->getTimeStamp() / 1000);
    }
    e.relativeMs = (event->getTimeStamp() - log4cxx::spi::LoggingEvent::getStartTime()) / 1000;
    log4cxx::LogString level;
    event->getLevel()->toString(level);
    e.level = fromLogString(level);
    e.logger = fromLogString(event->getLoggerName());
    e.message = fromLogString(event->getRenderedMessage());
    e.thread = currentThreadName();
    log4cxx::LogString ndc;
    if (event->getNDC(ndc))
        e.ndc = fromLogString(ndc);
    return e;
}

} // namespace Impl
} // namespace Log4Qt
