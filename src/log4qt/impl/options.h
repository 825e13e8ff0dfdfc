#ifndef LOG4QT_IMPL_OPTIONS_H
#define LOG4QT_IMPL_OPTIONS_H

#include <QString>

#include <log4cxx/level.h>

namespace Log4Qt {
namespace Impl {

// Outcome of setting one property of an appender, layout or filter.
enum class PropertyResult { Applied, Unknown, BadValue };

// Log4Qt's value conversions; false in *ok on a value they cannot read.
bool toBool(const QString &value, bool *ok);
int toInt(const QString &value, bool *ok);
qint64 toFileSize(const QString &value, bool *ok);
// ALL TRACE DEBUG INFO WARN ERROR FATAL OFF in any letter case; NULL and
// INHERITED give a null level (inherit from the parent logger).
log4cxx::LevelPtr toLevel(const QString &value, bool *ok);

} // namespace Impl
} // namespace Log4Qt

#endif
