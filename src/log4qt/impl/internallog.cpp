#include "impl/internallog.h"

#include "impl/event.h"

#include <QByteArray>

#include <atomic>
#include <cstdio>

namespace Log4Qt {
namespace Impl {

namespace {
std::atomic<int> threshold{static_cast<int>(Severity::Warn)};
std::atomic<int> errors{0};

const char *severityName(Severity s)
{
    switch (s) {
    case Severity::Trace: return "TRACE";
    case Severity::Debug: return "DEBUG";
    case Severity::Info: return "INFO";
    case Severity::Warn: return "WARN";
    case Severity::Error: return "ERROR";
    case Severity::Fatal: return "FATAL";
    case Severity::Off: break;
    }
    return "OFF";
}
} // namespace

void setInternalThreshold(Severity severity) { threshold = static_cast<int>(severity); }
Severity internalThreshold() { return static_cast<Severity>(threshold.load()); }

void internalLog(Severity severity, const char *source, const QString &message)
{
    if (severity >= Severity::Error)
        ++errors;
    if (static_cast<int>(severity) < threshold.load())
        return;
    const QString line = QStringLiteral("%1 [%2] %3 %4 - %5\n")
                             .arg(millisecondsSinceStart())
                             .arg(currentThreadName())
                             .arg(QString::fromLatin1(severityName(severity)), -5)
                             .arg(QString::fromLatin1(source), message);
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

int internalErrorCount() { return errors.load(); }

} // namespace Impl
} // namespace Log4Qt
