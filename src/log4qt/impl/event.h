#ifndef LOG4QT_IMPL_EVENT_H
#define LOG4QT_IMPL_EVENT_H

#include <QDateTime>
#include <QString>

#include <log4cxx/spi/loggingevent.h>

#include <functional>

namespace Log4Qt {
namespace Impl {

// Wall clock of the layer: event times and roll-over decisions. Tests replace it.
QDateTime currentDateTime();
void setClockForTesting(std::function<QDateTime()> clock);

// Milliseconds since the program started (Log4Qt's RELATIVE time).
qint64 millisecondsSinceStart();

// Name of the calling thread: its QObject name, "main" for the application's
// main thread, otherwise its id.
QString currentThreadName();

// What the layouts see of a log4cxx event, already as Qt text.
struct Event
{
    QDateTime time;
    qint64 relativeMs = 0;
    QString level;
    QString logger;
    QString message;
    QString thread;
    QString ndc;
    log4cxx::spi::LoggingEventPtr source;
};

Event makeEvent(const log4cxx::spi::LoggingEventPtr &event);

} // namespace Impl
} // namespace Log4Qt

#endif
