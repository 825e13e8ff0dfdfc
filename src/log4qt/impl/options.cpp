#include "impl/options.h"

#include <QRegularExpression>

namespace Log4Qt {
namespace Impl {

bool toBool(const QString &value, bool *ok)
{
    const QString v = value.trimmed().toLower();
    *ok = true;
    if (v == QLatin1String("true") || v == QLatin1String("enabled") || v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("disabled") || v == QLatin1String("0"))
        return false;
    *ok = false;
    return false;
}

int toInt(const QString &value, bool *ok)
{
    return value.trimmed().toInt(ok);
}

qint64 toFileSize(const QString &value, bool *ok)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d+)\\s*(KB|MB|GB)?\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(value);
    *ok = m.hasMatch();
    if (!*ok)
        return 0;
    qint64 size = m.captured(1).toLongLong(ok);
    const QString unit = m.captured(2).toUpper();
    if (unit == QLatin1String("KB"))
        size *= 1024;
    else if (unit == QLatin1String("MB"))
        size *= 1024 * 1024;
    else if (unit == QLatin1String("GB"))
        size *= 1024LL * 1024 * 1024;
    return size;
}

log4cxx::LevelPtr toLevel(const QString &value, bool *ok)
{
    const QString v = value.trimmed().toUpper();
    *ok = true;
    if (v == QLatin1String("ALL")) return log4cxx::Level::getAll();
    if (v == QLatin1String("TRACE")) return log4cxx::Level::getTrace();
    if (v == QLatin1String("DEBUG")) return log4cxx::Level::getDebug();
    if (v == QLatin1String("INFO")) return log4cxx::Level::getInfo();
    if (v == QLatin1String("WARN")) return log4cxx::Level::getWarn();
    if (v == QLatin1String("ERROR")) return log4cxx::Level::getError();
    if (v == QLatin1String("FATAL")) return log4cxx::Level::getFatal();
    if (v == QLatin1String("OFF")) return log4cxx::Level::getOff();
    if (v == QLatin1String("NULL") || v == QLatin1String("INHERITED")) return log4cxx::LevelPtr();
    *ok = false;
    return log4cxx::LevelPtr();
}

} // namespace Impl
} // namespace Log4Qt
