#include "store/renamemap.h"

#include <QSet>

QHash<QString, QString> renameMapping(const QMap<int, QStringList> &history)
{
    QHash<QString, QString> mapping;
    QSet<QString> seen;
    for (auto it = history.cbegin(); it != history.cend(); ++it) {
        const QStringList &chain = it.value();
        if (chain.isEmpty())
            continue;
        const QString from = chain.first().trimmed();
        const QString to = chain.last().trimmed();
        if (seen.contains(from))
            continue;
        seen.insert(from);
        if (from != to)
            mapping.insert(from, to);
    }
    return mapping;
}
