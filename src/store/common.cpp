#include "store/common.h"

Common::Common(QObject *parent)
    : QObject(parent)
{
}

QStringList Common::splitByComma(const QString &text)
{
    // Empty parts are dropped so that stray separators never make a nameless category.
    return text.split(QLatin1Char(','), Qt::SkipEmptyParts, Qt::CaseSensitive);
}

QString Common::joinByComma(const QStringList &list)
{
    return list.join(QLatin1Char(','));
}
