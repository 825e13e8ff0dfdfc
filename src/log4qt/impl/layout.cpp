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

// Log4Qt's name of the logger: "::" where log4cxx has '.'.
QString loggerName(const log4cxx::spi::LoggingEventPtr &event)
{
    return fromLS(event->getLoggerName()).replace(QLatin1Char('.'), QLatin1String("::"));
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
    // Never destroyed: the last line at exit is written after static objects are gone.
    static auto *c = new std::function<QDateTime()>;
    return *c;
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
        m_pattern = optionText(value);
    else if (option == "Header")
        m_header = optionText(value);
    else if (option == "Footer")
        m_footer = optionText(value);
    else if (option == "Suffix")
        m_suffix = fromLS(value);
    else if (option == "Xml")
        m_xml = true;
}

// Log4Qt's reading of a pattern: %%, %n, or % [-...][min][.max] and a conversion, %c and %d
// with an {option}. An unknown conversion stays text as written, and so does an unclosed
// option with the rest of the pattern; after a '.' every character but a digit is reported.
void QtLayout::activateOptions(log4cxx::helpers::Pool &)
{
    reportBeforeHeld([this] { parse(); });
}

void QtLayout::parse()
{
    m_parts.clear();
    QString literal, written; // written: the conversion as it stands so far
    Part part;
    enum { Text, Escape, Min, Dot, Max } state = Text;
    const QString &p = m_pattern;
    bool unfinished = false;
    for (int i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        const int digit = c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : -1;
        if (state == Text) {
            if (c == QLatin1Char('%') && i + 1 < p.size()) {
                state = Escape;
                part = Part();
                written = c;
            } else {
                unfinished = c == QLatin1Char('%'); // a lone '%' at the end
                literal += c;
            }
        } else if (state == Escape && (c == QLatin1Char('%') || c == QLatin1Char('n'))) {
            literal += c == QLatin1Char('n') ? QLatin1Char('\n') : c;
            state = Text;
        } else if (state == Escape && c == QLatin1Char('-')) {
            part.leftAlign = true;
            written += c;
            if (i + 1 == p.size())
                literal += c; // a trailing "%-" leaves only the '-'
        } else if (digit >= 0 || state == Dot || (c == QLatin1Char('.') && state != Max)) {
            written += c;
            if (digit < 0 && state == Dot)
                reportError("PatternFormatter", QStringLiteral("Found character '%1' where digit was expected").arg(c));
            else if (digit < 0)
                state = Dot;
            else { // a digit: of the minimum up to the '.', then of the maximum
                int &width = state == Escape || state == Min ? part.minWidth : part.maxWidth;
                width = qMin((state == Min || state == Max ? width * 10 : 0) + digit, 1 << 20);
                state = &width == &part.minWidth ? Min : Max;
            }
        } else {
            state = Text;
            if (!QStringLiteral("cCdFlLmMprtxX\x01").contains(c)) {
                report(log4cxx::Level::getWarn(), "PatternFormatter",
                       QStringLiteral("Invalid conversion character '%1' at %2 in pattern '%3'").arg(c).arg(i).arg(p));
                literal += written + c;
                continue;
            }
            part.conversion = c;
            if ((c == QLatin1Char('c') || c == QLatin1Char('d')) && p.midRef(i + 1, 1) == QLatin1String("{")) {
                const int close = p.indexOf(QLatin1Char('}'), i);
                if (close < 0) {
                    literal += written + p.mid(i);
                    unfinished = true;
                    break;
                }
                part.text = p.mid(i + 2, close - i - 2);
                i = close;
            }
            bool ok = true;
            if (part.conversion == QLatin1Char('c') && !part.text.isEmpty() && part.text.toInt(&ok) < 0)
                reportError("PatternFormatter", QStringLiteral("Option %1 isn't a positive integer").arg(part.text));
            if (!ok)
                reportError("PatternFormatter", QStringLiteral("Option '%1' cannot be converted into an integer").arg(part.text));
            if (!literal.isEmpty())
                m_parts.append(Part{QChar(), literal});
            literal.clear();
            m_parts.append(part);
        }
    }
    if (state != Text && state != Escape)
        literal += written;
    if (unfinished || state != Text)
        report(log4cxx::Level::getWarn(), "PatternFormatter", QStringLiteral("Unexpected end of pattern '%1'").arg(p));
    if (!literal.isEmpty())
        m_parts.append(Part{QChar(), literal});
}

void QtLayout::format(log4cxx::LogString &output, const log4cxx::spi::LoggingEventPtr &event, log4cxx::helpers::Pool &) const
{
    if (m_xml) {
        output += toLS(QStringLiteral("<log4j:event logger=\"%1\" timestamp=\"%2\" level=\"%3\" thread=\"%4\">"
                                      "<log4j:message><![CDATA[%5]]></log4j:message></log4j:event>")
                           .arg(loggerName(event)).arg(event->getTimeStamp() / 1000)
                           .arg(fromLS(event->getLevel()->toString()), threadName(), fromLS(event->getMessage())));
        return;
    }
    QString out;
    for (const Part &part : m_parts) {
        if (part.conversion.isNull()) {
            out += part.text;
            continue;
        }
        // Cut or padded, never both.
        QString value = convert(part, event);
        if (part.maxWidth >= 0 && value.size() > part.maxWidth)
            value = value.right(part.maxWidth);
        else if (value.size() < part.minWidth)
            value = part.leftAlign ? value.leftJustified(part.minWidth) : value.rightJustified(part.minWidth);
        out += value;
    }
    output += toLS(out + m_suffix);
}

QString QtLayout::convert(const Part &part, const log4cxx::spi::LoggingEventPtr &event) const
{
    const log4cxx::spi::LocationInfo &location = event->getLocationInformation();
    switch (part.conversion.unicode()) {
    case 1: return loggerName(event); // the layouts that print the logger, not the category
    case 'c': {
        log4cxx::LogString category;
        const QString name = fromLS(event->getProperty("category", category) ? category : event->getLoggerName());
        const int precision = part.text.toInt();
        if (precision <= 0) // the usual %c: no list of pieces for each event
            return name;
        const QStringList pieces = name.split(QStringLiteral("::"));
        return precision < pieces.size() ? pieces.mid(pieces.size() - precision).join(QStringLiteral("::")) : name;
    }
    case 'd': return dateText(part.text, event);
    case 'F': return QString::fromUtf8(location.getFileName());
    case 'L': return QString::number(location.getLineNumber());
    case 'M':
    case 'l': {
        // The function as the compiler names it; Log4Qt prints no class for %C.
        log4cxx::LogString function;
        event->getProperty("function", function);
        return part.conversion == QLatin1Char('M') ? fromLS(function) : QStringLiteral("%1:%2 - %3")
            .arg(QString::fromUtf8(location.getFileName())).arg(location.getLineNumber()).arg(fromLS(function));
    }
    case 'm': return fromLS(event->getMessage());
    case 'p': return fromLS(event->getLevel()->toString());
    case 'r': return dateText(QStringLiteral("RELATIVE"), event);
    case 't': return threadName();
    }
    return QString(); // %x and %X: no context is ever pushed; %C: Log4Qt prints no class
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
