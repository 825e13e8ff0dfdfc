#ifndef LOG4QT_IMPL_PATTERNFORMATTER_H
#define LOG4QT_IMPL_PATTERNFORMATTER_H

#include "impl/event.h"

#include <QString>
#include <QVector>

namespace Log4Qt {
namespace Impl {

// Log4Qt's named date formats expanded to Qt date syntax; RELATIVE and NONE stay as they are.
QString expandDateFormat(const QString &format);
// A date in Log4Qt's syntax: Qt's (hh is the 24-hour hour unless AP is given,
// zzz milliseconds) plus the named formats.
QString formatDate(const QString &format, const QDateTime &time, qint64 relativeMs);

// Log4Qt's conversion patterns: %c{n} %d{format} %F %l %L %m %M %n %p %r %t %x %X{key} %%,
// each with optional [-][min][.max] modifiers.
class PatternFormatter
{
public:
    // Errors go to the internal log; the pattern is used as far as it could be read.
    void setPattern(const QString &pattern);
    QString format(const Event &event) const;

private:
    struct Part
    {
        QChar conversion; // null for literal text
        QString text;     // literal text or the {option}
        int minWidth = 0;
        int maxWidth = -1;
        bool leftAlign = false;
    };
    QString convert(const Part &part, const Event &event) const;
    QVector<Part> m_parts;
};

} // namespace Impl
} // namespace Log4Qt

#endif
