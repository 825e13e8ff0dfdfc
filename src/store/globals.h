#ifndef GLOBALS_H
#define GLOBALS_H

#include "store/tablemoney.h"
#include "store/tablesetting.h"

#include <QList>
#include <QMutex>

// Process-wide lists, created before main and freed by the main window's destructor.
extern QList<TableMoney> *moneyList;
extern QMutex *moneyMutex;
extern QList<TableMoney *> *sortList;
extern QList<TableSetting *> *settingList;

// Empties and frees the lists in their fixed order; safe to call more than once.
void freeProcessLists();
// Creates them again where they were freed (tests build several main windows in one process).
void ensureProcessLists();

#endif // GLOBALS_H
