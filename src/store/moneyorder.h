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
// True when the process-wide moneyList is in date order. Takes moneyMutex itself.
bool moneyInDateOrder();

// Reorders the process-wide moneyList through sortList: mode 0 date order (result 0),
// mode 1 key order (result the next free MyID, 1 for an empty book).
// Takes moneyMutex itself; the caller must not hold it.
// reordered, when given, tells whether any record moved.
int sortMoneyRecords(int mode, bool *reordered = nullptr);

#endif // MONEYORDER_H
