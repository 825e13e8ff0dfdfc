#ifndef PRICERULE_H
#define PRICERULE_H

#include <QString>

// Checks the entry form makes before it hands a record on.
namespace PriceRule {

enum class EntryCheck {
    Ok,
    Empty,         // name or price missing
    Negative,      // price starts with "-"
    BadDecimals    // no digit after the point, or more than two
};

// A price has no point, or one or two characters after its first point.
bool decimalsOk(const QString &trimmedPrice);

// Name first, then price; the first failure wins.
EntryCheck checkEntry(const QString &name, const QString &price);

} // namespace PriceRule

#endif // PRICERULE_H
