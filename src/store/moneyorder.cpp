#include "store/moneyorder.h"

#include "store/globals.h"

#include <QMutexLocker>

#include <algorithm>

bool dateOrderLess(const TableMoney &a, const TableMoney &b)
{
    const int byDate = QString::compare(a.date, b.date, Qt::CaseSensitive);
    return byDate != 0 ? byDate < 0 : a.MyID < b.MyID;
}

bool keyOrderLess(const TableMoney &a, const TableMoney &b)
{
    return a.MyID > b.MyID;
}

int dateOrderPlace(const QList<TableMoney> &list, const TableMoney &record)
{
    return int(std::lower_bound(list.cbegin(), list.cend(), record, dateOrderLess) - list.cbegin());
}

bool moneyInDateOrder()
{
    QMutexLocker lock(moneyMutex);
    return std::is_sorted(moneyList->cbegin(), moneyList->cend(), dateOrderLess);
}

namespace {
// Between two refreshes the list is mostly in order already (a command appends or changes
// a record or two), so sort only the tail after the longest ordered prefix and merge.
// The orders are total, so the result is the one a full sort gives.
template <typename Less>
bool sortRecords(QList<TableMoney *> &list, Less less)
{
    const auto byValue = [less](const TableMoney *a, const TableMoney *b) { return less(*a, *b); };
    const auto tail = std::is_sorted_until(list.begin(), list.end(), byValue);
    if (tail == list.end())
        return false;
    std::sort(tail, list.end(), byValue);
    std::inplace_merge(list.begin(), tail, list.end(), byValue);
    return true;
}
} // namespace

int sortMoneyRecords(int mode, bool *reordered)
{
    if (reordered)
        *reordered = false;
    moneyMutex->lock();
    const bool empty = moneyList->isEmpty();
    moneyMutex->unlock();
    if (empty)
        return mode == 1 ? 1 : 0;

    moneyMutex->lock();
    // The copies of the previous sort are no longer read by anyone: overwrite them in
    // place and free only those the list no longer needs (a refresh stays allocation-free).
    const int count = moneyList->size();
    while (sortList->size() > count)
        delete sortList->takeLast();
    for (int i = 0; i < count; ++i) {
        if (i < sortList->size())
            *(*sortList)[i] = moneyList->at(i);
        else
            sortList->append(new TableMoney(moneyList->at(i)));
    }

    const bool moved = mode == 1 ? sortRecords(*sortList, keyOrderLess) : sortRecords(*sortList, dateOrderLess);
    if (reordered)
        *reordered = moved;

    // Refilled element by element: same content as emptying and appending, without
    // giving back and taking again one allocation per record.
    for (int i = 0; moved && i < count; ++i)
        (*moneyList)[i] = *sortList->at(i);
    moneyMutex->unlock();

    if (mode != 1)
        return 0;
    moneyMutex->lock();
    const int next = moneyList->first().MyID + 1;
    moneyMutex->unlock();
    return next;
}
