#include "impl/appenders.h"

#include "impl/event.h"
#include "impl/internallog.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QCoreApplication>
#include <QTextCodec>

#include <set>

#include <syslog.h>

namespace Log4Qt {
namespace Impl {

namespace {

// Never destroyed: appenders may outlive every other static at process exit.
std::mutex &registryMutex()
{
    static auto *m = new std::mutex;
    return *m;
}

std::set<Appender *> &registry()
{
    static auto *r = new std::set<Appender *>;
    return *r;
}

const char *sourceOf(const QString &className)
{
    Q_UNUSED(className)
    return "Log4Qt::Appender";
}

// Moves src to dst; where dst already exists src's content is appended to it, so no log is lost.
bool moveOrAppend(const QString &src, const QString &dst)
{
    if (!QFile::exists(dst))
        return QFile::rename(src, dst);
    QFile in(src);
    QFile out(dst);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (out.write(in.readAll()) < 0)
        return false;
    out.close();
    in.close();
    return QFile::remove(src);
}

QString formatWith(const QString &pattern, const QDateTime &time)
{
    return QLocale::c().toString(time, pattern);
}

} // namespace

// ---------------------------------------------------------------- Appender

Appender::Appender(const QString &className) : m_className(className)
{
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().insert(this);
}

Appender::~Appender()
{
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        registry().erase(this);
    }
    // Derived parts are gone by now; whatever the destination needed was done in close().
}

void Appender::closeAll()
{
    std::set<Appender *> open;
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        open = registry();
    }
    for (Appender *appender : open)
        appender->close();
}

PropertyResult Appender::setProperty(const QString &lowerName, const QString &value)
{
    bool ok = true;
    if (lowerName == QLatin1String("threshold")) {
        const log4cxx::LevelPtr level = toLevel(value, &ok);
        if (!ok || !level)
            return PropertyResult::BadValue;
        setThreshold(level);
    } else if (lowerName == QLatin1String("immediateflush")) {
        m_immediateFlush = toBool(value, &ok);
    } else if (lowerName == QLatin1String("encoding")) {
        QTextCodec *codec = QTextCodec::codecForName(value.trimmed().toLatin1());
        if (!codec)
            return PropertyResult::BadValue;
        m_codec = codec;
    } else {
        return PropertyResult::Unknown;
    }
    return ok ? PropertyResult::Applied : PropertyResult::BadValue;
}

QByteArray Appender::encode(const QString &text) const
{
    return m_codec ? m_codec->fromUnicode(text) : text.toUtf8();
}

void Appender::append(const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_closed)
        return;
    const Event e = makeEvent(event);
    write(e, m_layout ? m_layout->format(e) : e.message + QLatin1Char('\n'));
}

void Appender::close()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_closed)
        return;
    m_closed = true;
    closeDestination();
}

// ---------------------------------------------------------------- ConsoleAppender

PropertyResult ConsoleAppender::setProperty(const QString &lowerName, const QString &value)
{
    if (lowerName == QLatin1String("target")) {
        const QString v = value.trimmed().toUpper();
        if (v == QLatin1String("STDOUT_TARGET") || v == QLatin1String("SYSTEM.OUT"))
            m_stream = stdout;
        else if (v == QLatin1String("STDERR_TARGET") || v == QLatin1String("SYSTEM.ERR"))
            m_stream = stderr;
        else
            return PropertyResult::BadValue;
        return PropertyResult::Applied;
    }
    return Appender::setProperty(lowerName, value);
}

bool ConsoleAppender::activate()
{
    m_opened = true;
    if (m_layout && !m_layout->header().isEmpty()) {
        const QByteArray bytes = encode(m_layout->header() + QLatin1Char('\n'));
        std::fwrite(bytes.constData(), 1, bytes.size(), m_stream);
        std::fflush(m_stream);
    }
    return true;
}

void ConsoleAppender::write(const Event &, const QString &text)
{
    const QByteArray bytes = encode(text);
    std::fwrite(bytes.constData(), 1, bytes.size(), m_stream);
    if (m_immediateFlush)
        std::fflush(m_stream);
}

void ConsoleAppender::closeDestination()
{
    if (m_opened && m_layout && !m_layout->footer().isEmpty()) {
        const QByteArray bytes = encode(m_layout->footer() + QLatin1Char('\n'));
        std::fwrite(bytes.constData(), 1, bytes.size(), m_stream);
    }
    std::fflush(m_stream);
    m_opened = false;
}

// ---------------------------------------------------------------- FileAppender

FileAppender::FileAppender(const QString &className, const QString &baseDir)
    : Appender(className), m_baseDir(baseDir)
{
}

PropertyResult FileAppender::setProperty(const QString &lowerName, const QString &value)
{
    bool ok = true;
    if (lowerName == QLatin1String("file")) {
        const QString name = value.trimmed();
        m_fileName = name.isEmpty() ? QString() : QDir::cleanPath(QDir(m_baseDir).absoluteFilePath(name));
    } else if (lowerName == QLatin1String("appendfile") || lowerName == QLatin1String("append")) {
        m_appendFile = toBool(value, &ok);
        m_appendGiven = true;
    } else if (lowerName == QLatin1String("bufferedio") || lowerName == QLatin1String("buffersize")) {
        // Writes go through QFile's own buffer either way.
    } else {
        return Appender::setProperty(lowerName, value);
    }
    return ok ? PropertyResult::Applied : PropertyResult::BadValue;
}

bool FileAppender::activate()
{
    if (m_fileName.isEmpty()) {
        internalError(sourceOf(className()), QStringLiteral("No file name given for appender '%1'")
                                                 .arg(QString::fromStdString(getName())));
        return false;
    }
    return openFile(m_fileName, m_appendFile);
}

bool FileAppender::openFile(const QString &path, bool append)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        internalError(sourceOf(className()), QStringLiteral("Unable to create directory '%1' for appender '%2'")
                                                 .arg(info.absolutePath(), QString::fromStdString(getName())));
        return false;
    }
    m_file.setFileName(path);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate);
    if (!m_file.open(mode)) {
        internalError(sourceOf(className()), QStringLiteral("Unable to open file '%1' for appender '%2' (%3)")
                                                 .arg(path, QString::fromStdString(getName()), m_file.errorString()));
        return false;
    }
    if (m_layout && !m_layout->header().isEmpty()) {
        m_file.write(encode(m_layout->header() + QLatin1Char('\n')));
        m_file.flush();
    }
    return true;
}

void FileAppender::closeFile()
{
    if (!m_file.isOpen())
        return;
    if (m_layout && !m_layout->footer().isEmpty())
        m_file.write(encode(m_layout->footer() + QLatin1Char('\n')));
    m_file.close();
}

void FileAppender::write(const Event &, const QString &text)
{
    if (!m_file.isOpen())
        return;
    m_file.write(encode(text));
    if (m_immediateFlush)
        m_file.flush();
}

void FileAppender::closeDestination()
{
    closeFile();
}

// ---------------------------------------------------------------- RollingFileAppender

PropertyResult RollingFileAppender::setProperty(const QString &lowerName, const QString &value)
{
    bool ok = true;
    if (lowerName == QLatin1String("maxfilesize") || lowerName == QLatin1String("maximumfilesize")) {
        const qint64 size = toFileSize(value, &ok);
        if (ok && size > 0)
            m_maxFileSize = size;
        else
            ok = false;
    } else if (lowerName == QLatin1String("maxbackupindex")) {
        const int index = toInt(value, &ok);
        if (ok && index >= 0)
            m_maxBackupIndex = index;
        else
            ok = false;
    } else {
        return FileAppender::setProperty(lowerName, value);
    }
    return ok ? PropertyResult::Applied : PropertyResult::BadValue;
}

void RollingFileAppender::write(const Event &event, const QString &text)
{
    FileAppender::write(event, text);
    if (m_file.isOpen() && m_file.size() > m_maxFileSize)
        rollOver();
}

void RollingFileAppender::rollOver()
{
    closeFile();
    if (m_maxBackupIndex > 0) {
        QFile::remove(m_fileName + QLatin1Char('.') + QString::number(m_maxBackupIndex));
        for (int i = m_maxBackupIndex - 1; i >= 1; --i) {
            const QString from = m_fileName + QLatin1Char('.') + QString::number(i);
            if (QFile::exists(from))
                QFile::rename(from, m_fileName + QLatin1Char('.') + QString::number(i + 1));
        }
        if (!QFile::rename(m_fileName, m_fileName + QStringLiteral(".1")))
            internalError(sourceOf(className()), QStringLiteral("Unable to rename '%1' for roll-over").arg(m_fileName));
    }
    openFile(m_fileName, false);
}

// ---------------------------------------------------------------- DailyRollingFileAppender

DailyRollingFileAppender::DailyRollingFileAppender(const QString &className, const QString &baseDir)
    : FileAppender(className, baseDir)
{
}

PropertyResult DailyRollingFileAppender::setProperty(const QString &lowerName, const QString &value)
{
    if (lowerName == QLatin1String("datepattern")) {
        m_datePattern = value;
        return PropertyResult::Applied;
    }
    return FileAppender::setProperty(lowerName, value);
}

DailyRollingFileAppender::Frequency DailyRollingFileAppender::frequencyOf(const QString &datePattern)
{
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0));
    for (int f = Minutely; f <= Yearly; ++f) {
        const auto frequency = static_cast<Frequency>(f);
        if (formatWith(datePattern, reference) != formatWith(datePattern, nextPeriodStart(frequency, reference)))
            return frequency;
    }
    return None;
}

QDateTime DailyRollingFileAppender::periodStart(Frequency frequency, const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    switch (frequency) {
    case Minutely: return QDateTime(d, QTime(t.hour(), t.minute()));
    case Hourly: return QDateTime(d, QTime(t.hour(), 0));
    case HalfDaily: return QDateTime(d, QTime(t.hour() < 12 ? 0 : 12, 0));
    case Daily: return QDateTime(d, QTime(0, 0));
    case Monthly: return QDateTime(QDate(d.year(), d.month(), 1), QTime(0, 0));
    case Yearly: return QDateTime(QDate(d.year(), 1, 1), QTime(0, 0));
    case None: break;
    }
    return time;
}

QDateTime DailyRollingFileAppender::nextPeriodStart(Frequency frequency, const QDateTime &start)
{
    switch (frequency) {
    case Minutely: return start.addSecs(60);
    case Hourly: return start.addSecs(3600);
    case HalfDaily: return start.addSecs(12 * 3600);
    case Daily: return QDateTime(start.date().addDays(1), QTime(0, 0));
    case Monthly: return QDateTime(start.date().addMonths(1), QTime(0, 0));
    case Yearly: return QDateTime(start.date().addYears(1), QTime(0, 0));
    case None: break;
    }
    return start;
}

bool DailyRollingFileAppender::activate()
{
    m_frequency = frequencyOf(m_datePattern);
    if (m_frequency == None) {
        internalError("Log4Qt::DailyRollingFileAppender",
                      QStringLiteral("The pattern '%1' does not specify a frequency for appender '%2'")
                          .arg(m_datePattern, QString::fromStdString(getName())));
        return false;
    }
    if (m_fileName.isEmpty())
        return FileAppender::activate();
    const QDateTime now = currentDateTime();
    m_periodStart = periodStart(m_frequency, now);
    m_nextRollOver = nextPeriodStart(m_frequency, m_periodStart);
    // A file left from an earlier period goes to that period's name first, so
    // starting the program neither extends nor truncates an old period's log.
    const QFileInfo existing(m_fileName);
    if (existing.exists() && existing.size() > 0) {
        const QDateTime modified = existing.lastModified();
        if (modified < m_periodStart) {
            const QString target = m_fileName + formatWith(m_datePattern, periodStart(m_frequency, modified));
            if (!moveOrAppend(m_fileName, target))
                internalError("Log4Qt::DailyRollingFileAppender",
                              QStringLiteral("Unable to move '%1' to '%2'").arg(m_fileName, target));
        }
    }
    return FileAppender::activate();
}

void DailyRollingFileAppender::write(const Event &event, const QString &text)
{
    const QDateTime now = currentDateTime();
    if (now >= m_nextRollOver && m_file.isOpen()) {
        const QString suffix = formatWith(m_datePattern, m_periodStart);
        m_periodStart = periodStart(m_frequency, now);
        m_nextRollOver = nextPeriodStart(m_frequency, m_periodStart);
        if (suffix != formatWith(m_datePattern, m_periodStart)) {
            closeFile();
            const QString target = m_fileName + suffix;
            if (!moveOrAppend(m_fileName, target))
                internalError("Log4Qt::DailyRollingFileAppender",
                              QStringLiteral("Unable to move '%1' to '%2'").arg(m_fileName, target));
            openFile(m_fileName, true);
        }
    }
    FileAppender::write(event, text);
}

// ---------------------------------------------------------------- DailyFileAppender

DailyFileAppender::DailyFileAppender(const QString &className, const QString &baseDir)
    : FileAppender(className, baseDir)
{
    // Restarting within a day must not wipe that day's file.
    m_appendFile = true;
}

PropertyResult DailyFileAppender::setProperty(const QString &lowerName, const QString &value)
{
    bool ok = true;
    if (lowerName == QLatin1String("datepattern")) {
        m_datePattern = value;
    } else if (lowerName == QLatin1String("keepdays")) {
        m_keepDays = toInt(value, &ok);
        ok = ok && m_keepDays >= 0;
    } else {
        return FileAppender::setProperty(lowerName, value);
    }
    return ok ? PropertyResult::Applied : PropertyResult::BadValue;
}

QString DailyFileAppender::fileNameFor(const QDate &date) const
{
    const QFileInfo info(m_fileName);
    QString name = info.absolutePath() + QLatin1Char('/') + info.completeBaseName()
                   + QLocale::c().toString(date, m_datePattern);
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return name;
}

bool DailyFileAppender::activate()
{
    if (m_fileName.isEmpty())
        return FileAppender::activate();
    if (QLocale::c().toString(QDate(2001, 1, 1), m_datePattern) == QLocale::c().toString(QDate(2001, 1, 2), m_datePattern)) {
        internalError("Log4Qt::DailyFileAppender",
                      QStringLiteral("The pattern '%1' does not name a day for appender '%2'")
                          .arg(m_datePattern, QString::fromStdString(getName())));
        return false;
    }
    const QDate today = currentDateTime().date();
    if (!openForDay(today))
        return false;
    removeOldFiles(today);
    return true;
}

bool DailyFileAppender::openForDay(const QDate &day)
{
    m_day = day;
    return openFile(fileNameFor(day), m_appendFile);
}

void DailyFileAppender::removeOldFiles(const QDate &today)
{
    if (m_keepDays <= 0)
        return;
    const QFileInfo info(m_fileName);
    const QString prefix = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QDate oldestKept = today.addDays(-m_keepDays);
    QDir dir(info.absolutePath());
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString &name : names) {
        if (!name.startsWith(prefix) || !name.endsWith(suffix) || name.size() <= prefix.size() + suffix.size())
            continue;
        const QString datePart = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
        const QDate date = QLocale::c().toDate(datePart, m_datePattern);
        if (date.isValid() && date < oldestKept && !dir.remove(name))
            internalWarn("Log4Qt::DailyFileAppender", QStringLiteral("Unable to remove old log file '%1'").arg(dir.filePath(name)));
    }
}

void DailyFileAppender::write(const Event &event, const QString &text)
{
    const QDate today = currentDateTime().date();
    if (today != m_day && m_file.isOpen()) {
        closeFile();
        openForDay(today);
        removeOldFiles(today);
    }
    FileAppender::write(event, text);
}

// ---------------------------------------------------------------- SystemLogAppender

PropertyResult SystemLogAppender::setProperty(const QString &lowerName, const QString &value)
{
    if (lowerName == QLatin1String("servicename")) {
        m_serviceName = value.toUtf8();
        return PropertyResult::Applied;
    }
    return Appender::setProperty(lowerName, value);
}

bool SystemLogAppender::activate()
{
    if (m_serviceName.isEmpty())
        m_serviceName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
    openlog(m_serviceName.constData(), LOG_PID, LOG_USER);
    m_opened = true;
    return true;
}

void SystemLogAppender::write(const Event &event, const QString &text)
{
    int priority = LOG_DEBUG;
    if (event.level == QLatin1String("FATAL"))
        priority = LOG_CRIT;
    else if (event.level == QLatin1String("ERROR"))
        priority = LOG_ERR;
    else if (event.level == QLatin1String("WARN"))
        priority = LOG_WARNING;
    else if (event.level == QLatin1String("INFO"))
        priority = LOG_INFO;
    syslog(priority, "%s", text.trimmed().toUtf8().constData());
}

void SystemLogAppender::closeDestination()
{
    if (m_opened)
        closelog();
    m_opened = false;
}

} // namespace Impl
} // namespace Log4Qt
