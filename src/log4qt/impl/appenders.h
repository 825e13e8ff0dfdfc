#ifndef LOG4QT_IMPL_APPENDERS_H
#define LOG4QT_IMPL_APPENDERS_H

#include "impl/layouts.h"
#include "impl/options.h"

#include <QDateTime>
#include <QFile>

#include <log4cxx/appenderskeleton.h>

#include <cstdio>
#include <memory>
#include <mutex>

class QTextCodec;

namespace Log4Qt {
namespace Impl {

// Log4Qt's appenders as log4cxx appenders: log4cxx routes the events (levels,
// additivity, thresholds, filters), these format and write them with Qt, so the
// text is UTF-8 unless an encoding is given, whatever the process locale.
class Appender : public log4cxx::AppenderSkeleton
{
public:
    explicit Appender(const QString &className);
    ~Appender() override;

    QString className() const { return m_className; }
    // Properties in any letter case; threshold, layout and filters are set by the configurator.
    virtual PropertyResult setProperty(const QString &lowerName, const QString &value);
    // Opens the destination; false (after an internal error) when it cannot be used.
    virtual bool activate() { return true; }
    void setLayoutObject(std::shared_ptr<Layout> layout) { m_layout = std::move(layout); }
    bool hasLayout() const { return m_layout != nullptr; }
    bool requiresLayout() const override { return true; }
    void close() override;

    // Closes every appender still open, at process exit.
    static void closeAll();

protected:
    void append(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool) override;
    virtual void write(const Event &event, const QString &text) = 0;
    virtual void closeDestination() {}
    QByteArray encode(const QString &text) const;
    std::shared_ptr<Layout> m_layout;
    bool m_immediateFlush = true;
    std::recursive_mutex m_mutex;
    bool m_closed = false;

private:
    QString m_className;
    QTextCodec *m_codec = nullptr;
};

class NullAppender : public Appender
{
public:
    using Appender::Appender;
    bool requiresLayout() const override { return false; }

protected:
    void write(const Event &, const QString &) override {}
};

class ConsoleAppender : public Appender
{
public:
    using Appender::Appender;
    ~ConsoleAppender() override { close(); }
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    bool activate() override;
    void setToStderr(bool toStderr) { m_stream = toStderr ? stderr : stdout; }

protected:
    void write(const Event &event, const QString &text) override;
    void closeDestination() override;

private:
    FILE *m_stream = stdout;
    bool m_opened = false;
};

class FileAppender : public Appender
{
public:
    FileAppender(const QString &className, const QString &baseDir);
    ~FileAppender() override { close(); }
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    bool activate() override;

protected:
    void write(const Event &event, const QString &text) override;
    void closeDestination() override;
    bool openFile(const QString &path, bool append);
    void closeFile();
    QString m_fileName; // absolute
    bool m_appendFile = false;
    bool m_appendGiven = false;
    QFile m_file;
    QString m_baseDir;
};

class RollingFileAppender : public FileAppender
{
public:
    using FileAppender::FileAppender;
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;

protected:
    void write(const Event &event, const QString &text) override;

private:
    void rollOver();
    qint64 m_maxFileSize = 10 * 1024 * 1024;
    int m_maxBackupIndex = 1;
};

// The file keeps its name; at the end of each period it is renamed to
// name + the period's start formatted with datePattern.
class DailyRollingFileAppender : public FileAppender
{
public:
    enum Frequency { Minutely, Hourly, HalfDaily, Daily, Monthly, Yearly, None };
    DailyRollingFileAppender(const QString &className, const QString &baseDir);
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    bool activate() override;
    static Frequency frequencyOf(const QString &datePattern);
    static QDateTime periodStart(Frequency frequency, const QDateTime &time);
    static QDateTime nextPeriodStart(Frequency frequency, const QDateTime &start);

protected:
    void write(const Event &event, const QString &text) override;

private:
    QString m_datePattern = QStringLiteral("'.'yyyy-MM-dd");
    Frequency m_frequency = Daily;
    QDateTime m_periodStart;
    QDateTime m_nextRollOver;
};

// One file per day: file "app.log" with datePattern "_yyyy_MM_dd" writes
// "app_2024_05_01.log"; files older than keepDays days are deleted.
class DailyFileAppender : public FileAppender
{
public:
    DailyFileAppender(const QString &className, const QString &baseDir);
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    bool activate() override;
    QString fileNameFor(const QDate &date) const;

protected:
    void write(const Event &event, const QString &text) override;

private:
    bool openForDay(const QDate &day);
    void removeOldFiles(const QDate &today);
    QString m_datePattern = QStringLiteral("_yyyy_MM_dd");
    int m_keepDays = 0;
    QDate m_day;
};

// The system log (syslog).
class SystemLogAppender : public Appender
{
public:
    using Appender::Appender;
    ~SystemLogAppender() override { close(); }
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    bool activate() override;

protected:
    void write(const Event &event, const QString &text) override;
    void closeDestination() override;

private:
    QByteArray m_serviceName;
    bool m_opened = false;
};

} // namespace Impl
} // namespace Log4Qt

#endif
