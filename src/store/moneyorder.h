#ifndef MONEYORDER_H
#define MONEYORDER_H

#include "store/tablemoney.h"

// Display order: oldest date first (dates compared as text, code unit by code unit),
// the same date by rising key.
bool dateOrderLess(const TableMoney &a, const TableMoney &b);
// Key order: highest key first, so the next free key is the first one plus one.
bool keyOrderLess(const TableMoney &a, const TableMoney &b);

#include <QList>

// Where record goes in a list in date order: before the first record it comes before.
int dateOrderPlace(const QList<TableMoney> &list, const TableMoney &record);
bool inDateOrder(const QList<TableMoney> &list);

// Puts list into date order (mode 0) or key order (mode 1); true when any record moved.
bool sortRecords(QList<TableMoney> &list, int mode);

#endif // MONEYORDER_H
