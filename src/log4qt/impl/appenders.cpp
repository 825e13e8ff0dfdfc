#include "impl/internal.h"

#include <log4cxx/helpers/stringhelper.h>

#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <atomic>
#include <cstdio>
#include <stdexcept>

using Log4Qt::Impl::NullAppender;
using Log4Qt::Impl::QtDailyFileAppender;
using Log4Qt::Impl::QtRollingFileAppender;
using Log4Qt::Impl::QtBinaryFileAppender;
IMPLEMENT_LOG4CXX_OBJECT(NullAppender)
IMPLEMENT_LOG4CXX_OBJECT(QtDailyFileAppender)
IMPLEMENT_LOG4CXX_OBJECT(QtRollingFileAppender)
IMPLEMENT_LOG4CXX_OBJECT(QtBinaryFileAppender)

namespace Log4Qt {
namespace Impl {

namespace {

class ConsoleWriter : public log4cxx::helpers::Writer
{
public:
    explicit ConsoleWriter(FILE *stream) : m_stream(stream) {}
    void close(log4cxx::helpers::Pool &) override {}
    void flush(log4cxx::helpers::Pool &) override { std::fflush(m_stream); }
    void write(const log4cxx::LogString &text, log4cxx::helpers::Pool &) override
    {
        // (Qt's codecs may be gone by the last line at exit, if Qt first met them after us.)
        const QTextCodec *codec = QTextCodec::codecForLocale();
        const QByteArray bytes = codec ? codec->fromUnicode(fromLS(text)) : fromLS(text).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream);
    }

private:
    FILE *m_stream;
};

class RefusingFilter : public log4cxx::spi::Filter
{
public:
    RefusingFilter(const char *source, const QString &message) : m_source(source), m_message(message) {}
    void activateOptions(log4cxx::helpers::Pool &) override {}
    void setOption(const log4cxx::LogString &, const log4cxx::LogString &) override {}
    // The report passes the other appenders, and this one again, which then refuses without a word.
    FilterDecision decide(const log4cxx::spi::LoggingEventPtr &) const override
    {
        if (!m_busy.exchange(true)) {
            reportError(m_source, m_message);
            m_busy = false;
        }
        return DENY;
    }

private:
    mutable std::atomic<bool> m_busy{false};
    const char *m_source;
    QString m_message;
};

// Whether the pattern changes within a month: Log4Qt's periods run from a minute to a month.
bool namesPeriod(const QString &pattern)
{
    const QDateTime t(QDate(2001, 1, 1), QTime(0, 0));
    for (const QDateTime &later : {t.addSecs(60), t.addSecs(3600), t.addSecs(12 * 3600), t.addDays(1), t.addDays(7), t.addMonths(1)})
        if (later.toString(pattern) != t.toString(pattern))
            return true;
    return false;
}

} // namespace


void QtDailyFileAppender::setOption(const log4cxx::LogString &option, const log4cxx::LogString &value)
{
    if (option == "DatePattern")
        m_datePattern = optionText(value);
    else if (option == "KeepDays")
        m_keepDays = fromLS(value).toInt();
    else if (option == "DailyFile")
        m_renaming = false;
    else
        log4cxx::FileAppender::setOption(option, value);
}

// A daily file names its day only: Log4Qt leaves time letters in its pattern as they stand.
QString QtDailyFileAppender::stamp(const QDateTime &time) const
{
    return m_renaming ? time.toString(m_datePattern) : time.date().toString(m_datePattern);
}

QString QtDailyFileAppender::fileFor(const QString &date) const
{
    if (m_renaming)
        return m_baseFile;
    const QFileInfo info(m_baseFile);
    // Log4Qt splits at the first dot and keeps the dot without a suffix too ("app" -> "app_date.").
    return info.path() + QLatin1Char('/') + info.baseName() + date + QLatin1Char('.') + info.completeSuffix();
}

void QtDailyFileAppender::activateOptions(log4cxx::helpers::Pool &pool)
{
    m_baseFile = fromLS(getFile());
    if (m_renaming && !namesPeriod(m_datePattern)) {
        reportError("DailyRollingFileAppender", QStringLiteral("The pattern '%1' does not specify a frequency for appender '%2'")
                                                    .arg(m_datePattern, fromLS(getName())));
        addFilter(refusingFilter("DailyRollingFileAppender",
                                 QStringLiteral("Use of appender '%1' without having a valid date pattern set").arg(fromLS(getName()))));
        return;
    }
    m_date = stamp(now());
    if (!m_baseFile.isEmpty())
        setFile(toLS(fileFor(m_date)));
    removeOldFiles();
    log4cxx::FileAppender::activateOptions(pool);
}

void QtDailyFileAppender::subAppend(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool)
{
    // (At exit Qt can no longer read the time, which names no new file: the last line stays.)
    const QString date = stamp(eventTime(event));
    if (date != m_date && !date.isEmpty() && !m_baseFile.isEmpty()) {
        closeWriter();
        const QString previous = m_date;
        m_date = date; // first: the report below passes this appender too
        if (m_renaming && !QFile::rename(m_baseFile, m_baseFile + previous))
            reportError("DailyRollingFileAppender", QStringLiteral("Unable to rename file '%1'").arg(m_baseFile));
        removeOldFiles();
        setFileInternal(toLS(fileFor(date)), getAppend(), getBufferedIO(), getBufferSize(), pool);
    }
    log4cxx::FileAppender::subAppend(event, pool);
}

void QtRollingFileAppender::setOption(const log4cxx::LogString &option, const log4cxx::LogString &value)
{
    if (option == "MaxFileSize")
        m_maxSize = fromLS(value).toLongLong();
    else
        log4cxx::rolling::RollingFileAppender::setOption(option, value);
}

void QtRollingFileAppender::subAppend(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &pool)
{
    log4cxx::rolling::RollingFileAppender::subAppend(event, pool);
    if (qint64(getFileLength()) > m_maxSize)
        rollover(pool);
}

QtBinaryFileAppender::QtBinaryFileAppender() = default;
QtBinaryFileAppender::~QtBinaryFileAppender() = default;

void QtBinaryFileAppender::activateOptions(log4cxx::helpers::Pool &)
{
    if (getFile().empty())
        return;
    const QString name = fromLS(getFile());
    QDir().mkpath(QFileInfo(name).path());
    m_file = std::make_unique<QFile>(name);
    m_file->open(QIODevice::WriteOnly | (getAppend() ? QIODevice::Append : QIODevice::Truncate));
}

void QtBinaryFileAppender::append(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &)
{
    QDataStream out(m_file.get());
    out.setByteOrder(QDataStream::LittleEndian);
    out << fromLS(event->getMessage());
    // Reported as log4cxx's own appenders report theirs, where events are handed to them.
    if (!m_file->flush() || out.status() != QDataStream::Ok)
        throw std::runtime_error(m_file->errorString().toStdString());
}

log4cxx::spi::FilterPtr refusingFilter(const char *source, const QString &message)
{
    return std::make_shared<RefusingFilter>(source, message);
}

log4cxx::helpers::WriterPtr consoleWriter(bool toStderr)
{
    return std::make_shared<ConsoleWriter>(toStderr ? stderr : stdout);
}

// Files of this name whose date lies more than keepDays before today.
void QtDailyFileAppender::removeOldFiles() const
{
    if (m_renaming || m_keepDays <= 0 || m_baseFile.isEmpty())
        return;
    const QFileInfo info(m_baseFile);
    const QDate oldest = now().date().addDays(-m_keepDays);
    const QString suffix = QLatin1Char('.') + info.completeSuffix();
    for (const QFileInfo &file : QDir(info.path()).entryInfoList({info.baseName() + QLatin1Char('*') + suffix}, QDir::Files)) {
        const QString date = file.fileName().mid(info.baseName().size());
        const QDate day = QDate::fromString(date.left(date.size() - suffix.size()), m_datePattern);
        if (day.isValid() && day < oldest)
            QFile::remove(file.filePath());
    }
}

} // namespace Impl
} // namespace Log4Qt
