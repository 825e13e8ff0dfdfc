#include "store/globals.h"

#include <QtGlobal>

QList<TableMoney> *moneyList = nullptr;
QMutex *moneyMutex = nullptr;
QList<TableMoney *> *sortList = nullptr;
QList<TableSetting *> *settingList = nullptr;

void ensureProcessLists()
{
    if (!moneyList)
        moneyList = new QList<TableMoney>;
    if (!moneyMutex)
        moneyMutex = new QMutex;
    if (!sortList)
        sortList = new QList<TableMoney *>;
    if (!settingList)
        settingList = new QList<TableSetting *>;
}

void freeProcessLists()
{
    if (moneyMutex && moneyList) {
        moneyMutex->lock();
        moneyList->clear();
        moneyMutex->unlock();
    }
    if (sortList) {
        qDeleteAll(*sortList);
        sortList->clear();
    }
    if (settingList)
        settingList->clear(); // the records themselves are children of the main window

    delete moneyList;
    moneyList = nullptr;
    delete sortList;
    sortList = nullptr;
    delete settingList;
    settingList = nullptr;
    delete moneyMutex;
    moneyMutex = nullptr;
}

namespace {
// Runs before main: creates the lists.
struct ProcessStart
{
    ProcessStart() { ensureProcessLists(); }
} processStart;
} // namespace
