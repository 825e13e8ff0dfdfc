#ifndef LOG4QT_IMPL_LAYOUTS_H
#define LOG4QT_IMPL_LAYOUTS_H

#include "impl/event.h"
#include "impl/options.h"
#include "impl/patternformatter.h"

#include <memory>

namespace Log4Qt {
namespace Impl {

// Log4Qt's layouts. Property names are matched in any letter case.
class Layout
{
public:
    virtual ~Layout() = default;
    virtual QString format(const Event &event) const = 0;
    virtual PropertyResult setProperty(const QString &lowerName, const QString &value);
    virtual void activate() {}
    QString header() const { return m_header; }
    QString footer() const { return m_footer; }

private:
    QString m_header;
    QString m_footer;
};

// "LEVEL - message"
class SimpleLayout : public Layout
{
public:
    QString format(const Event &event) const override;
};

class PatternLayout : public Layout
{
public:
    PatternLayout();
    QString format(const Event &event) const override;
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    void activate() override;

private:
    QString m_pattern;
    PatternFormatter m_formatter;
};

// "%d{dateFormat} [%t] %-5p %c %x - %m%n", parts switched off by its options.
class TTCCLayout : public Layout
{
public:
    QString format(const Event &event) const override;
    PropertyResult setProperty(const QString &lowerName, const QString &value) override;
    void activate() override;
    QString pattern() const;

private:
    QString m_dateFormat = QStringLiteral("RELATIVE");
    bool m_threadPrinting = true;
    bool m_categoryPrefixing = true;
    bool m_contextPrinting = true;
    PatternFormatter m_formatter;
};

} // namespace Impl
} // namespace Log4Qt

#endif
