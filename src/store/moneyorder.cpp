#include "store/moneyorder.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <numeric>
#include <vector>

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

bool inDateOrder(const QList<TableMoney> &list)
{
    return std::is_sorted(list.cbegin(), list.cend(), dateOrderLess);
}

namespace {
// One record's place in an order as a number, the record's index breaking ties.
struct SortKey
{
    quint64 key;
    int index;
    bool operator<(const SortKey &o) const { return key != o.key ? key < o.key : index < o.index; }
};

quint32 keyBits(qint32 MyID)
{
    return quint32(MyID) ^ 0x80000000u; // rising with MyID
}

// Date order as numbers: the rank of the date among the distinct dates (in text order),
// then the key. Equal dates read from the book share one string, so a run of records of
// one date needs a single lookup.
QVector<SortKey> dateKeys(const QList<TableMoney> &list)
{
    QHash<QString, int> idOfDate;
    QVector<QString> dates;
    QVector<int> ids(list.size());
    const QChar *lastData = nullptr;
    int lastSize = -1;
    int lastId = -1;
    for (int i = 0; i < list.size(); ++i) {
        const QString &date = list.at(i).date;
        if (date.constData() != lastData || date.size() != lastSize) {
            auto it = idOfDate.constFind(date);
            if (it == idOfDate.constEnd()) {
                it = idOfDate.insert(date, dates.size());
                dates.append(date);
            }
            lastData = date.constData();
            lastSize = date.size();
            lastId = it.value();
        }
        ids[i] = lastId;
    }
    QVector<int> byText(dates.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&dates](int a, int b) { return dates.at(a) < dates.at(b); });
    QVector<quint64> rank(dates.size());
    for (int r = 0; r < byText.size(); ++r)
        rank[byText.at(r)] = quint64(r) << 32;

    QVector<SortKey> keys(list.size());
    for (int i = 0; i < list.size(); ++i)
        keys[i] = {rank.at(ids.at(i)) | keyBits(list.at(i).MyID), i};
    return keys;
}

// Key order: highest key first.
QVector<SortKey> keyOrderKeys(const QList<TableMoney> &list)
{
    QVector<SortKey> keys(list.size());
    for (int i = 0; i < list.size(); ++i)
        keys[i] = {quint64(0xffffffffu - keyBits(list.at(i).MyID)), i};
    return keys;
}

// Puts the list into the order of the sorted keys by swapping its element pointers along
// each cycle of the permutation: no record is copied.
void permute(QList<TableMoney> &list, const QVector<SortKey> &sorted)
{
    std::vector<bool> placed(size_t(list.size()), false);
    for (int start = 0; start < list.size(); ++start) {
        int at = start;
        while (!placed[size_t(at)]) {
            placed[size_t(at)] = true;
            const int from = sorted.at(at).index;
            if (from == start)
                break;
            list.swapItemsAt(at, from);
            at = from;
        }
    }
}
} // namespace

// Both orders are total (the record's place breaks ties between equal keys, which a book
// with unique keys never has), so the result is the one any correct sort gives. The order
// is worked out on numbers and the records move by pointer, with no copy of any record.
bool sortRecords(QList<TableMoney> &list, int mode)
{
    QVector<SortKey> keys = mode == 1 ? keyOrderKeys(list) : dateKeys(list);
    if (std::is_sorted(keys.cbegin(), keys.cend()))
        return false;
    std::sort(keys.begin(), keys.end());
    permute(list, keys);
    return true;
}
