#ifndef MONEYREADER_H
#define MONEYREADER_H

#include "store/tablemoney.h"

#include <QList>
#include <QSqlDatabase>

// Reads every row of "select type,name,price,date,memo,MyID from tablemoneydb" straight
// from the SQLite connection under Qt's driver, converting each value exactly as the driver
// and QVariant do; equal texts share one string. Appends to records and returns true when
// every row was read. False (records untouched) when Qt's driver does not run this SQLite or
// anything went wrong: the caller then reads through QSqlQuery, which reports the error.
bool readMoneyRowsDirectly(const QSqlDatabase &db, QList<TableMoney> &records);

#endif // MONEYREADER_H
