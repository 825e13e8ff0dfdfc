#include "impl/internal.h"

#include <log4cxx/spi/loggingevent.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QThread>

using Log4Qt::Impl::QtLayout;
IMPLEMENT_LOG4CXX_OBJECT(QtLayout)

namespace Log4Qt {
namespace Impl {

namespace {

QString threadName()
{
    // Formatted in the logging thread: appenders here write synchronously.
    const QThread *thread = QThread::currentThread();
    return !thread->objectName().isEmpty() ? thread->objectName()
                                           : QStringLiteral("0x%1").arg(quintptr(thread), 16, 16, QLatin1Char('0'));
}

QString dateText(const QString &format, const log4cxx::spi::LoggingEventPtr &event)
{
    if (format == QLatin1String("NONE"))
        return QString();
    if (format == QLatin1String("RELATIVE"))
        return QString::number((event->getTimeStamp() - log4cxx::spi::LoggingEvent::getStartTime()) / 1000);
    QString qtFormat = format;
    if (format.isEmpty() || format == QLatin1String("ISO8601"))
        qtFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    else if (format == QLatin1String("ABSOLUTE"))
        qtFormat = QStringLiteral("HH:mm:ss.zzz");
    else if (format == QLatin1String("DATE"))
        qtFormat = QStringLiteral("dd MM yyyy HH:mm:ss.zzz");
    return eventTime(event).toString(qtFormat);
}

std::function<QDateTime()> &clock()
{
    static std::function<QDateTime()> c;
    return c;
}

} // namespace

QDateTime eventTime(const log4cxx::spi::LoggingEventPtr &event)
{
    return clock() ? clock()() : QDateTime::fromMSecsSinceEpoch(event->getTimeStamp() / 1000);
}

QDateTime now()
{
    return clock() ? clock()() : QDateTime::currentDateTime();
}

void setClockForTesting(std::function<QDateTime()> c)
{
    clock() = std::move(c);
}

void QtLayout::setOption(const log4cxx::LogString &option, const log4cxx::LogString &value)
{
    if (option == "ConversionPattern")
        m_pattern = fromLS(value);
    else if (option == "Header")
        m_header = fromLS(value);
    else if (option == "Footer")
        m_footer = fromLS(value);
    else if (option == "Suffix")
        m_suffix = fromLS(value);
    else if (option == "Xml")
        m_xml = true;
}

// %%, or % [-][min][.max] and a conversion, %c and %d with an {option}. Anything else
// stays text, an unclosed option with the rest of the pattern; only a bad %c{n} is reported.
void QtLayout::activateOptions(log4cxx::helpers::Pool &)
{
    static const QRegularExpression token(QStringLiteral("%%|%(-?)(\\d*)(?:\\.(\\d*))?(?:([cd])(\\{[^}]*\\}|\\{.*)?|([FlLmMnprtxX\\x01]))"),
                                          QRegularExpression::DotMatchesEverythingOption);
    m_parts.clear();
    const auto addText = [this](const QString &text) {
        if (!m_parts.isEmpty() && m_parts.last().conversion.isNull())
            m_parts.last().text += text;
        else if (!text.isEmpty())
            m_parts.append(Part{QChar(), text});
    };
    int done = 0;
    for (QRegularExpressionMatchIterator it = token.globalMatch(m_pattern); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        addText(m_pattern.mid(done, m.capturedStart() - done));
        done = m.capturedEnd();
        const QString option = m.captured(5);
        if (m.captured(0) == QLatin1String("%%") || (!option.isEmpty() && !option.endsWith(QLatin1Char('}')))) {
            addText(m.captured(0) == QLatin1String("%%") ? QStringLiteral("%") : m.captured(0));
            continue;
        }
        Part part{(m.captured(4) + m.captured(6)).at(0), option.mid(1, option.size() - 2), m.captured(2).toInt(),
                  m.captured(3).isEmpty() ? -1 : m.captured(3).toInt(), !m.captured(1).isEmpty()};
        bool ok = true;
        if (part.conversion == QLatin1Char('c') && !option.isEmpty())
            part.text.toInt(&ok);
        if (!ok)
            reportError("PatternFormatter", QStringLiteral("Option '%1' cannot be converted into an integer").arg(part.text));
        m_parts.append(part);
    }
    addText(m_pattern.mid(done));
}

void QtLayout::format(log4cxx::LogString &output, const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &) const
{
    if (m_xml) {
        output += toLS(QStringLiteral("<log4j:event logger=\"%1\" timestamp=\"%2\" level=\"%3\" thread=\"%4\">"
                                      "<log4j:message><![CDATA[%5]]></log4j:message></log4j:event>")
                           .arg(fromLS(event->getLoggerName())).arg(event->getTimeStamp() / 1000)
                           .arg(fromLS(event->getLevel()->toString()), threadName(), fromLS(event->getMessage())));
        return;
    }
    QString out;
    for (const Part &part : m_parts) {
        if (part.conversion.isNull()) {
            out += part.text;
            continue;
        }
        QString value = convert(part, event);
        if (part.maxWidth >= 0 && value.size() > part.maxWidth)
            value = value.right(part.maxWidth);
        if (value.size() < part.minWidth)
            value = part.leftAlign ? value.leftJustified(part.minWidth) : value.rightJustified(part.minWidth);
        out += value;
    }
    output += toLS(out + m_suffix);
}

QString QtLayout::convert(const Part &part, const log4cxx::spi::LoggingEventPtr &event) const
{
    const log4cxx::spi::LocationInfo &location = event->getLocationInformation();
    switch (part.conversion.unicode()) {
    case 1: return fromLS(event->getLoggerName()); // the layouts that print the logger, not the category
    case 'c': {
        log4cxx::LogString category;
        const QString name = fromLS(event->getProperty("category", category) ? category : event->getLoggerName());
        const int precision = part.text.toInt();
        const QStringList pieces = name.split(QStringLiteral("::"));
        return precision > 0 && precision < pieces.size() ? pieces.mid(pieces.size() - precision).join(QStringLiteral("::")) : name;
    }
    case 'd': return dateText(part.text, event);
    case 'F': return QString::fromUtf8(location.getFileName());
    case 'L': return QString::number(location.getLineNumber());
    case 'M': return fromLS(location.getMethodName());
    case 'l':
        return QStringLiteral("%1:%2 - %3").arg(QString::fromUtf8(location.getFileName())).arg(location.getLineNumber())
            .arg(fromLS(location.getMethodName()));
    case 'm': return fromLS(event->getMessage());
    case 'n': return QStringLiteral("\n");
    case 'p': return fromLS(event->getLevel()->toString());
    case 'r': return dateText(QStringLiteral("RELATIVE"), event);
    case 't': return threadName();
    }
    return QString(); // %x and %X: no context is ever pushed
}

void QtLayout::appendHeader(log4cxx::LogString &output, log4cxx::helpers::Pool &)
{
    if (!m_header.isEmpty())
        output += toLS(m_header + QLatin1Char('\n'));
}

void QtLayout::appendFooter(log4cxx::LogString &output, log4cxx::helpers::Pool &)
{
    if (!m_footer.isEmpty())
        output += toLS(m_footer + QLatin1Char('\n'));
}

} // namespace Impl
} // namespace Log4Qt
