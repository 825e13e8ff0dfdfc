#ifndef LOG4QT_IMPL_INTERNALLOG_H
#define LOG4QT_IMPL_INTERNALLOG_H

#include <QString>

namespace Log4Qt {
namespace Impl {

// The layer's own messages: one TTCC-style line each on stderr, like Log4Qt's
// internal logger. Errors are counted so configure() can report failure.
enum class Severity { Trace = 0, Debug, Info, Warn, Error, Fatal, Off };

void setInternalThreshold(Severity severity);
Severity internalThreshold();
void internalLog(Severity severity, const char *source, const QString &message);
inline void internalError(const char *source, const QString &message) { internalLog(Severity::Error, source, message); }
inline void internalWarn(const char *source, const QString &message) { internalLog(Severity::Warn, source, message); }
inline void internalDebug(const char *source, const QString &message) { internalLog(Severity::Debug, source, message); }
int internalErrorCount();

} // namespace Impl
} // namespace Log4Qt

#endif
