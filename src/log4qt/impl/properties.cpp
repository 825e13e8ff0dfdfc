#include "impl/properties.h"

#include "impl/internallog.h"

#include <QRegularExpression>

namespace Log4Qt {
namespace Impl {

namespace {

QString unescape(const QString &in)
{
    QString out;
    out.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        const QChar c = in.at(i);
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
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
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

Properties::Properties(const QList<QPair<QString, QString>> &entries)
{
    for (const auto &entry : entries)
        m_values.insert(entry.first, entry.second);
}

QString Properties::value(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return QString();
    return substitute(it.value(), 0);
}

QStringList Properties::keysWithPrefix(const QString &prefix) const
{
    QStringList out;
    for (auto it = m_values.lowerBound(prefix); it != m_values.constEnd() && it.key().startsWith(prefix); ++it)
        out << it.key();
    return out;
}

QString Properties::substitute(const QString &value, int depth) const
{
    // Undefined names expand to nothing; a cycle stops after a few rounds.
    QString result = QLatin1String("");
    int i = 0;
    while (i < value.size()) {
        const int begin = value.indexOf(QLatin1String("${"), i);
        if (begin < 0) {
            result += value.mid(i);
            break;
        }
        result += value.mid(i, begin - i);
        const int end = value.indexOf(QLatin1Char('}'), begin + 2);
        if (end < 0) {
            internalError("Log4Qt::OptionConverter",
                          QStringLiteral("Missing closing bracket for opening bracket at %1. Invalid substitution in value %2.")
                              .arg(begin).arg(value));
            return result;
        }
        const QString name = value.mid(begin + 2, end - begin - 2);
        const auto it = m_values.constFind(name);
        if (it != m_values.constEnd()) {
            if (depth < 16)
                result += substitute(it.value(), depth + 1);
            else
                internalError("Log4Qt::OptionConverter",
                              QStringLiteral("Substitution of '%1' refers to itself").arg(name));
        }
        i = end + 1;
    }
    return result;
}

} // namespace Impl
} // namespace Log4Qt
