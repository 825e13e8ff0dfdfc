#ifndef LOG4QT_IMPL_PROPERTIES_H
#define LOG4QT_IMPL_PROPERTIES_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace Log4Qt {
namespace Impl {

// Java property-file syntax, decoded as UTF-8 the way Log4Qt reads its files.
QList<QPair<QString, QString>> parseProperties(const QByteArray &content);

// The file's keys, last definition wins; values expand ${name} from the same file.
class Properties
{
public:
    explicit Properties(const QList<QPair<QString, QString>> &entries = {});

    bool contains(const QString &key) const { return m_values.contains(key); }
    // Raw value with ${name} substituted; a null string when the key is absent.
    QString value(const QString &key) const;
    QStringList keys() const { return m_values.keys(); }
    // Keys that start with prefix, in sorted order.
    QStringList keysWithPrefix(const QString &prefix) const;

private:
    QString substitute(const QString &value, int depth) const;
    QMap<QString, QString> m_values;
};

} // namespace Impl
} // namespace Log4Qt

#endif
