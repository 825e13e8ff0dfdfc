#ifndef LOG4QT_IMPL_INTERNAL_H
#define LOG4QT_IMPL_INTERNAL_H

// log4cxx first: its LogLog declares a function named like Qt's emit macro.
#include <log4cxx/appenderskeleton.h>
#include <log4cxx/fileappender.h>
#include <log4cxx/helpers/writer.h>
#include <log4cxx/layout.h>
#include <log4cxx/rolling/rollingfileappender.h>
#include <log4cxx/spi/filter.h>
#include <log4cxx/spi/loggerrepository.h>
#include <log4cxx/spi/loggingevent.h>

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class QFile;

// The parts of Log4Qt that log4cxx does not have, registered with log4cxx so
// that its configurator creates them by these class names.
namespace Log4Qt {
namespace Impl {

namespace helpers = log4cxx::helpers; // for log4cxx's class macros

log4cxx::spi::LoggerRepositoryPtr repository();

// An event on the logger given; layouts print the category in its place.
void dispatch(const log4cxx::LoggerPtr &logger, const QString &category, const log4cxx::LevelPtr &level,
              const QString &message, int line = -1, const char *file = "", const char *function = "");

// Log4Qt reports on its own loggers "Log4Qt::<source>", through the hierarchy.
void report(const log4cxx::LevelPtr &level, const char *source, const QString &message);
void reportError(const char *source, const QString &message);
int errorCount();
// Holds reports back until released: Log4Qt reads an appender's own keys after its layout,
// whose reports, made by work, therefore come first.
void holdReports(bool hold);
void reportBeforeHeld(const std::function<void()> &work);

// The locale's codec, in which Log4Qt reads its file and writes every appender.
log4cxx::LogString localeEncoding();

// The time of an event, and "now" for the daily files; a test may fix the clock.
QDateTime eventTime(const log4cxx::spi::LoggingEventPtr &event);
QDateTime now();
void setClockForTesting(std::function<QDateTime()> clock);

inline QString fromLS(const log4cxx::LogString &s) { return QString::fromStdString(s); }
inline log4cxx::LogString toLS(const QString &s) { return s.toStdString(); }
// log4cxx drops an option whose value is empty; an empty text travels as "\5".
inline QString optionText(const log4cxx::LogString &s) { return s == "\5" ? QString() : fromLS(s); }

// Log4Qt's pattern language: Qt date syntax, "::" as the name separator,
// "0x" and the QThread's address for unnamed threads. Also carries the
// simple and TTCC layouts, which are patterns of it.
class QtLayout : public log4cxx::Layout
{
public:
    DECLARE_LOG4CXX_OBJECT(QtLayout)
    BEGIN_LOG4CXX_CAST_MAP()
    LOG4CXX_CAST_ENTRY(QtLayout)
    LOG4CXX_CAST_ENTRY_CHAIN(log4cxx::Layout)
    END_LOG4CXX_CAST_MAP()

    void setOption(const log4cxx::LogString &option, const log4cxx::LogString &value) override;
    void activateOptions(log4cxx::helpers::Pool &) override;
    void format(log4cxx::LogString &output, const log4cxx::spi::LoggingEventPtr &event,
                log4cxx::helpers::Pool &) const override;
    void appendHeader(log4cxx::LogString &output, log4cxx::helpers::Pool &) override;
    void appendFooter(log4cxx::LogString &output, log4cxx::helpers::Pool &) override;
    bool ignoresThrowable() const override { return true; }

private:
    struct Part
    {
        QChar conversion; // null for literal text
        QString text;     // the literal text, or the conversion's {option}
        int minWidth = 0;
        int maxWidth = -1;
        bool leftAlign = false;
    };
    void parse();
    QString convert(const Part &part, const log4cxx::spi::LoggingEventPtr &event) const;

    QString m_pattern = QStringLiteral("%m%n");
    QString m_header, m_footer, m_suffix;
    QVector<Part> m_parts;
    bool m_xml = false;
};

// Takes no layout and writes nothing: Log4Qt's NullAppender, and the appenders
// that only pass events to a program's own objects.
class NullAppender : public log4cxx::AppenderSkeleton
{
public:
    DECLARE_LOG4CXX_OBJECT(NullAppender)
    BEGIN_LOG4CXX_CAST_MAP()
    LOG4CXX_CAST_ENTRY(NullAppender)
    LOG4CXX_CAST_ENTRY_CHAIN(log4cxx::AppenderSkeleton)
    END_LOG4CXX_CAST_MAP()

    void append(const log4cxx::spi::LoggingEventPtr &, log4cxx::helpers::Pool &) override {}
    void close() override {}
    bool requiresLayout() const override { return false; }
};

// A new file name when the date, formatted in Qt's syntax, changes: Log4Qt's
// DailyRollingFileAppender (the running file is renamed to file + date) and
// DailyFileAppender (each day writes file_date.ext; keepDays removes old ones).
class QtDailyFileAppender : public log4cxx::FileAppender
{
public:
    DECLARE_LOG4CXX_OBJECT(QtDailyFileAppender)
    BEGIN_LOG4CXX_CAST_MAP()
    LOG4CXX_CAST_ENTRY(QtDailyFileAppender)
    LOG4CXX_CAST_ENTRY_CHAIN(log4cxx::FileAppender)
    END_LOG4CXX_CAST_MAP()

    void setOption(const log4cxx::LogString &option, const log4cxx::LogString &value) override;
    void activateOptions(log4cxx::helpers::Pool &pool) override;

protected:
    void subAppend(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool) override;

private:
    QString stamp(const QDateTime &time) const;
    QString fileFor(const QString &date) const;
    void removeOldFiles() const;

    bool m_renaming = true; // rolling: the file keeps its name and the old one is renamed
    QString m_baseFile, m_datePattern = QStringLiteral("'.'yyyy-MM-dd"), m_date;
    int m_keepDays = 0;
};

// Log4Qt's size-based rolling: after the event that takes the file past the size
// (Log4Qt's 64-bit arithmetic included), not before the next one.
class QtRollingFileAppender : public log4cxx::rolling::RollingFileAppender
{
public:
    DECLARE_LOG4CXX_OBJECT(QtRollingFileAppender)
    BEGIN_LOG4CXX_CAST_MAP()
    LOG4CXX_CAST_ENTRY(QtRollingFileAppender)
    LOG4CXX_CAST_ENTRY_CHAIN(log4cxx::rolling::RollingFileAppender)
    END_LOG4CXX_CAST_MAP()

    QtRollingFileAppender() { setMaximumFileSize(size_t(-1)); } // never before an event
    void setOption(const log4cxx::LogString &option, const log4cxx::LogString &value) override;
    void activateOptions(log4cxx::helpers::Pool &pool) override
    {
        if (!getFile().empty()) // without a name log4cxx would open one of its own
            log4cxx::rolling::RollingFileAppender::activateOptions(pool);
    }

protected:
    void subAppend(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool) override;

private:
    qint64 m_maxSize = 10 * 1024 * 1024;
};

// Log4Qt's binary files: each message as Qt serialises a string (little-endian), the
// layout unused. Written at once, where Log4Qt's default buffering loses them at exit.
class QtBinaryFileAppender : public log4cxx::FileAppender
{
public:
    DECLARE_LOG4CXX_OBJECT(QtBinaryFileAppender)
    BEGIN_LOG4CXX_CAST_MAP()
    LOG4CXX_CAST_ENTRY(QtBinaryFileAppender)
    LOG4CXX_CAST_ENTRY_CHAIN(log4cxx::FileAppender)
    END_LOG4CXX_CAST_MAP()

    QtBinaryFileAppender();
    ~QtBinaryFileAppender() override;
    void activateOptions(log4cxx::helpers::Pool &pool) override;
    void append(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool) override;
    bool requiresLayout() const override { return false; }

private:
    std::unique_ptr<QFile> m_file;
};

// Refuses every event, reporting each: an appender Log4Qt could not open.
log4cxx::spi::FilterPtr refusingFilter(const char *source, const QString &message);

// Console output in the locale's codec, as Log4Qt's text streams write it;
// log4cxx's own console writer follows the C library's locale instead.
log4cxx::helpers::WriterPtr consoleWriter(bool toStderr);

} // namespace Impl
} // namespace Log4Qt

#endif
