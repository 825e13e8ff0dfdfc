#include "log4qt/propertyconfigurator.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>

#include <log4cxx/helpers/properties.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/propertyconfigurator.h>

#include <cstdio>

namespace Log4Qt {

namespace {

// Java property-file syntax: key=value or key:value or key value, # and ! comments,
// a trailing backslash continues the line, \uXXXX and the usual escapes.
QString unescape(const QString &in)
{
    QString out;
    out.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        QChar c = in.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= in.size()) {
            out += c;
            continue;
        }
        const QChar n = in.at(++i);
        switch (n.unicode()) {
        case 't': out += QLatin1Char('\t'); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 'f': out += QLatin1Char('\f'); break;
        case 'u':
            if (i + 4 < in.size()) {
                bool ok = false;
                const ushort code = in.mid(i + 1, 4).toUShort(&ok, 16);
                if (ok) {
                    out += QChar(code);
                    i += 4;
                    break;
                }
            }
            out += n;
            break;
        default: out += n; break;
        }
    }
    return out;
}

} // namespace

QList<QPair<QString, QString>> parseProperties(const QByteArray &content)
{
    QList<QPair<QString, QString>> result;
    const QString text = QString::fromUtf8(content);
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    QString logical;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (logical.isEmpty()) {
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char('!')))
                continue;
            line = trimmed;
        } else {
            line = line.trimmed();
        }
        // An odd number of trailing backslashes continues the line.
        int backslashes = 0;
        for (int k = line.size() - 1; k >= 0 && line.at(k) == QLatin1Char('\\'); --k)
            ++backslashes;
        if (backslashes % 2 == 1) {
            logical += line.left(line.size() - 1);
            if (i + 1 < lines.size())
                continue;
        } else {
            logical += line;
        }
        // Split key and value at the first unescaped '=', ':' or blank.
        int sep = -1;
        for (int k = 0; k < logical.size(); ++k) {
            const QChar c = logical.at(k);
            if (c == QLatin1Char('\\')) {
                ++k;
                continue;
            }
            if (c == QLatin1Char('=') || c == QLatin1Char(':') || c.isSpace()) {
                sep = k;
                break;
            }
        }
        QString key, value;
        if (sep < 0) {
            key = logical;
        } else {
            key = logical.left(sep);
            int v = sep;
            while (v < logical.size() && logical.at(v).isSpace())
                ++v;
            if (v < logical.size() && (logical.at(v) == QLatin1Char('=') || logical.at(v) == QLatin1Char(':')))
                ++v;
            while (v < logical.size() && logical.at(v).isSpace())
                ++v;
            value = logical.mid(v);
        }
        result.append(qMakePair(unescape(key), unescape(value)));
        logical.clear();
    }
    return result;
}

bool PropertyConfigurator::configure(const QString &configFilename)
{
    QFile file(configFilename);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Log4Qt: ERROR Unable to open property file '%s': %s\n",
                     configFilename.toLocal8Bit().constData(),
                     file.errorString().toLocal8Bit().constData());
        return false;
    }
    // Log4Qt reads its files as UTF-8; log4cxx would take them as Latin-1, so we parse them ourselves.
    const auto entries = parseProperties(file.readAll());

    QMap<QString, QString> props;
    for (const auto &entry : entries)
        props.insert(entry.first, entry.second);

    // Files and the console get UTF-8, whatever the process locale.
    static const QRegularExpression appenderKey(QStringLiteral("^log4j\\.appender\\.([^.]+)$"));
    const QStringList keys = props.keys();
    for (const QString &key : keys) {
        const auto match = appenderKey.match(key);
        if (match.hasMatch()) {
            const QString encodingKey = key + QStringLiteral(".Encoding");
            bool given = false;
            for (const QString &k : keys)
                given = given || k.compare(encodingKey, Qt::CaseInsensitive) == 0;
            if (!given)
                props.insert(encodingKey, QStringLiteral("UTF-8"));
        }
    }

    log4cxx::helpers::Properties properties;
    for (auto it = props.cbegin(); it != props.cend(); ++it)
        properties.setProperty(it.key().toStdString(), it.value().toStdString());
    log4cxx::LogManager::resetConfiguration();
    const auto status = log4cxx::PropertyConfigurator::configure(properties);
    return status == log4cxx::spi::ConfigurationStatus::Configured;
}

} // namespace Log4Qt
