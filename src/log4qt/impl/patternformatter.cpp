#include "impl/patternformatter.h"

#include "impl/internallog.h"

#include <QLocale>

namespace Log4Qt {
namespace Impl {

namespace {
const char *const source = "Log4Qt::PatternFormatter";
const QString conversions = QStringLiteral("cdFlLmMnprtxX");

QString fromLogString(const std::string &s)
{
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
} // namespace

QString expandDateFormat(const QString &format)
{
    const QString upper = format.trimmed().toUpper();
    if (upper == QLatin1String("ISO8601"))
        return QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    if (upper == QLatin1String("ABSOLUTE"))
        return QStringLiteral("HH:mm:ss.zzz");
    if (upper == QLatin1String("DATE"))
        return QStringLiteral("dd MMM yyyy HH:mm:ss.zzz");
    if (upper == QLatin1String("RELATIVE") || upper == QLatin1String("NONE"))
        return upper;
    return format;
}

QString formatDate(const QString &format, const QDateTime &time, qint64 relativeMs)
{
    const QString expanded = expandDateFormat(format);
    if (expanded == QLatin1String("NONE"))
        return QString();
    if (expanded == QLatin1String("RELATIVE"))
        return QString::number(relativeMs);
    // The C locale keeps month and day names the same on every machine.
    return QLocale::c().toString(time, expanded);
}

void PatternFormatter::setPattern(const QString &pattern)
{
    m_parts.clear();
    QString literal;
    auto flushLiteral = [&] {
        if (!literal.isEmpty()) {
            Part p;
            p.text = literal;
            m_parts.append(p);
            literal.clear();
        }
    };
    int i = 0;
    const int n = pattern.size();
    while (i < n) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            literal += c;
            ++i;
            continue;
        }
        const int start = i++;
        if (i < n && pattern.at(i) == QLatin1Char('%')) {
            literal += QLatin1Char('%');
            ++i;
            continue;
        }
        Part part;
        if (i < n && pattern.at(i) == QLatin1Char('-')) {
            part.leftAlign = true;
            ++i;
        }
        QString digits;
        while (i < n && pattern.at(i).isDigit())
            digits += pattern.at(i++);
        part.minWidth = digits.toInt();
        if (i < n && pattern.at(i) == QLatin1Char('.')) {
            ++i;
            QString maxDigits;
            while (i < n && pattern.at(i).isDigit())
                maxDigits += pattern.at(i++);
            part.maxWidth = maxDigits.isEmpty() ? -1 : maxDigits.toInt();
        }
        if (i >= n || !conversions.contains(pattern.at(i))) {
            internalError(source, QStringLiteral("Found character '%1' at position %2 of pattern '%3', which is not a known conversion character")
                                      .arg(i < n ? QString(pattern.at(i)) : QStringLiteral("end of pattern"))
                                      .arg(i)
                                      .arg(pattern));
            literal += pattern.mid(start, i + 1 - start);
            ++i;
            continue;
        }
        part.conversion = pattern.at(i++);
        if (i < n && pattern.at(i) == QLatin1Char('{')) {
            const int close = pattern.indexOf(QLatin1Char('}'), i);
            if (close < 0) {
                internalError(source, QStringLiteral("Option '%1' of pattern '%2' has no closing bracket").arg(pattern.mid(i), pattern));
                part.text = pattern.mid(i + 1);
                i = n;
            } else {
                part.text = pattern.mid(i + 1, close - i - 1);
                i = close + 1;
            }
        }
        if (part.conversion == QLatin1Char('c') && !part.text.isEmpty()) {
            bool ok = false;
            const int precision = part.text.toInt(&ok);
            if (!ok || precision <= 0)
                internalError(source, QStringLiteral("Option '%1' for the logger name in pattern '%2' is not a positive number").arg(part.text, pattern));
        }
        flushLiteral();
        m_parts.append(part);
    }
    flushLiteral();
}

QString PatternFormatter::format(const Event &event) const
{
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
    return out;
}

QString PatternFormatter::convert(const Part &part, const Event &event) const
{
    const auto &location = event.source->getLocationInformation();
    const bool hasLocation = location.getLineNumber() >= 0 && location.getFileName()
                             && qstrcmp(location.getFileName(), log4cxx::spi::LocationInfo::NA) != 0;
    switch (part.conversion.unicode()) {
    case 'c': {
        const int precision = part.text.toInt();
        if (precision <= 0)
            return event.logger;
        QStringList pieces = QString(event.logger).replace(QLatin1String("::"), QLatin1String(".")).split(QLatin1Char('.'));
        if (pieces.size() <= precision)
            return event.logger;
        return pieces.mid(pieces.size() - precision).join(QLatin1Char('.'));
    }
    case 'd':
        return formatDate(part.text.isEmpty() ? QStringLiteral("ISO8601") : part.text, event.time, event.relativeMs);
    case 'F':
        return hasLocation ? QString::fromUtf8(location.getFileName()) : QString();
    case 'L':
        return hasLocation ? QString::number(location.getLineNumber()) : QString();
    case 'M':
        return hasLocation ? fromLogString(location.getMethodName()) : QString();
    case 'l':
        return hasLocation ? QStringLiteral("%1(%2:%3)")
                                 .arg(fromLogString(location.getMethodName()), QString::fromUtf8(location.getFileName()))
                                 .arg(location.getLineNumber())
                           : QString();
    case 'm': return event.message;
    case 'n': return QStringLiteral("\n");
    case 'p': return event.level;
    case 'r': return QString::number(event.relativeMs);
    case 't': return event.thread;
    case 'x': return event.ndc;
    case 'X': {
        std::string value;
        if (event.source->getMDC(part.text.toStdString(), value))
            return fromLogString(value);
        return QString();
    }
    }
    return QString();
}

} // namespace Impl
} // namespace Log4Qt
