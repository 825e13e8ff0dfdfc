#include "store/categoryrules.h"

#include "store/common.h"

namespace CategoryRules {

QStringList names(const QString &value)
{
    Common common(nullptr);
    return common.splitByComma(value);
}

NameCheck checkName(const QString &value, const QString &name)
{
    if (name.contains(QLatin1Char(','), Qt::CaseSensitive))
        return NameCheck::Comma;
    if (names(value).contains(name.trimmed(), Qt::CaseSensitive))
        return NameCheck::Duplicate;
    return NameCheck::Ok;
}

QString appendName(const QString &value, const QString &name)
{
    return value + QLatin1Char(',') + name.trimmed() + QLatin1Char(',');
}

QString renameName(const QString &value, const QString &oldName, const QString &newName)
{
    QStringList parts = names(value);
    for (QString &part : parts) {
        if (part == oldName)
            part = newName;
    }
    Common common(nullptr);
    return common.joinByComma(parts);
}

QString removeName(const QString &value, const QString &name)
{
    QString result;
    for (const QString &part : names(value)) {
        if (part != name)
            result += part + QLatin1Char(',');
    }
    return result;
}

bool swapNames(QString &value, int from, int to)
{
    QStringList parts = names(value);
    if (from < 0 || to < 0 || from >= parts.size() || to >= parts.size())
        return false;
    parts.swapItemsAt(from, to);
    Common common(nullptr);
    value = common.joinByComma(parts);
    return true;
}

void recordRename(QMap<int, QStringList> &history, int &nextKey,
                  const QString &oldName, const QString &newName)
{
    int match = -1;
    bool found = false;
    for (auto it = history.cbegin(); it != history.cend(); ++it) {
        if (!it.value().isEmpty() && it.value().last().trimmed() == oldName) {
            match = it.key();
            found = true;
        }
    }
    if (found) {
        history[match].append(newName);
        return;
    }
    history.insert(nextKey, QStringList{oldName, newName});
    ++nextKey;
}

} // namespace CategoryRules
