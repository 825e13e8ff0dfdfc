#include "impl/layouts.h"

namespace Log4Qt {
namespace Impl {

PropertyResult Layout::setProperty(const QString &lowerName, const QString &value)
{
    if (lowerName == QLatin1String("header")) {
        m_header = value;
        return PropertyResult::Applied;
    }
    if (lowerName == QLatin1String("footer")) {
        m_footer = value;
        return PropertyResult::Applied;
    }
    return PropertyResult::Unknown;
}

QString SimpleLayout::format(const Event &event) const
{
    return event.level + QStringLiteral(" - ") + event.message + QLatin1Char('\n');
}

PatternLayout::PatternLayout() : m_pattern(QStringLiteral("%m%n"))
{
}

QString PatternLayout::format(const Event &event) const
{
    return m_formatter.format(event);
}

PropertyResult PatternLayout::setProperty(const QString &lowerName, const QString &value)
{
    if (lowerName == QLatin1String("conversionpattern")) {
        // Log4Qt's two named patterns.
        if (value == QLatin1String("DEFAULT_CONVERSION_PATTERN"))
            m_pattern = QStringLiteral("%m%n");
        else if (value == QLatin1String("TTCC_CONVERSION_PATTERN"))
            m_pattern = QStringLiteral("%r [%t] %p %c %x - %m%n");
        else
            m_pattern = value;
        return PropertyResult::Applied;
    }
    return Layout::setProperty(lowerName, value);
}

void PatternLayout::activate()
{
    m_formatter.setPattern(m_pattern);
}

QString TTCCLayout::format(const Event &event) const
{
    return m_formatter.format(event);
}

PropertyResult TTCCLayout::setProperty(const QString &lowerName, const QString &value)
{
    bool ok = true;
    if (lowerName == QLatin1String("dateformat"))
        m_dateFormat = value.trimmed();
    else if (lowerName == QLatin1String("threadprinting"))
        m_threadPrinting = toBool(value, &ok);
    else if (lowerName == QLatin1String("categoryprefixing"))
        m_categoryPrefixing = toBool(value, &ok);
    else if (lowerName == QLatin1String("contextprinting"))
        m_contextPrinting = toBool(value, &ok);
    else
        return Layout::setProperty(lowerName, value);
    return ok ? PropertyResult::Applied : PropertyResult::BadValue;
}

QString TTCCLayout::pattern() const
{
    QString pattern;
    const QString date = expandDateFormat(m_dateFormat);
    if (date == QLatin1String("RELATIVE"))
        pattern += QStringLiteral("%r ");
    else if (date != QLatin1String("NONE") && !date.isEmpty())
        pattern += QStringLiteral("%d{") + date + QStringLiteral("} ");
    if (m_threadPrinting)
        pattern += QStringLiteral("[%t] ");
    pattern += QStringLiteral("%-5p ");
    if (m_categoryPrefixing)
        pattern += QStringLiteral("%c ");
    if (m_contextPrinting)
        pattern += QStringLiteral("%x ");
    pattern += QStringLiteral("- %m%n");
    return pattern;
}

void TTCCLayout::activate()
{
    m_formatter.setPattern(pattern());
}

} // namespace Impl
} // namespace Log4Qt
