#include "store/pricerule.h"

#include <QStringList>

namespace PriceRule {

bool decimalsOk(const QString &trimmedPrice)
{
    if (!trimmedPrice.contains(QLatin1Char('.')))
        return true;
    const QStringList parts = trimmedPrice.split(QLatin1Char('.'), Qt::SkipEmptyParts, Qt::CaseSensitive);
    // "12." leaves a single part: nothing follows the point.
    if (parts.size() < 2)
        return false;
    return parts.at(1).size() <= 2;
}

EntryCheck checkEntry(const QString &name, const QString &price)
{
    if (name.trimmed().isEmpty())
        return EntryCheck::Empty;
    const QString trimmed = price.trimmed();
    if (trimmed.isEmpty())
        return EntryCheck::Empty;
    // Judged on the trimmed text: a stored " -5" must not slip past as positive.
    if (trimmed.startsWith(QLatin1Char('-')))
        return EntryCheck::Negative;
    if (!decimalsOk(trimmed))
        return EntryCheck::BadDecimals;
    return EntryCheck::Ok;
}

} // namespace PriceRule
