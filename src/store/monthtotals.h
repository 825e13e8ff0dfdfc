#ifndef MONTHTOTALS_H
#define MONTHTOTALS_H

#include "store/tablemoney.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

// Parses a stored purchase date exactly as QDate::fromString(text, "yyyy-MM-dd")
// would, but without its parser for the common ten-character form.
QDate parseStoredDate(const QString &text);

// Sums the prices per month of the records dated from start to end (both
// inclusive). The key is the first seven characters of the date text, so the
// map's order is calendar order. Records whose date does not parse are left
// out; prices that do not convert to a finite number count as 0.
QMap<QString, double> monthTotals(const QList<TableMoney> &records, const QDate &start, const QDate &end);

#endif // MONTHTOTALS_H
