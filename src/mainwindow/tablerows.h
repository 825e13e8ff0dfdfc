#ifndef TABLEROWS_H
#define TABLEROWS_H

#include "store/tablemoney.h"

#include <QList>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;
class QObject;
class QStandardItem;
class QStandardItemModel;
class QStyledItemDelegate;

// The table's rows and moneyList, kept in step one row at a time: a command that changes
// a few records touches only their rows instead of rebuilding the table.
class TableRows
{
public:
    // One row a command changed, in the order it changed moneyList.
    struct Change
    {
        enum Kind { Insert, Remove, Replace };
        Kind kind;
        int row;
        TableMoney record; // Insert and Replace
    };

    static QStringList headerLabels();
    static QString cellText(const TableMoney &record, int column);
    static QList<QStandardItem *> rowItems(const TableMoney &record);
    // Fills an empty model with one row per record, in list order.
    static void fillRows(QStandardItemModel *model, const QList<TableMoney> &records);
    // The view's delegate: fitted columns lay out each distinct text once.
    static QStyledItemDelegate *newTextSizeCache(QObject *parent);

    void attach(QStandardItemModel *model) { tableModel = model; }
    // Row i of the model shows moneyList element i, in date order; false after anything
    // reordered the list behind the table's back, until the next full refresh.
    void setInListOrder(bool inOrder) { listInTableOrder = inOrder; }
    // Whether a change of a few records may touch only their rows: the model is the one
    // shown and still mirrors moneyList row by row. Asked before moneyList changes.
    bool mirrorsList(const QAbstractItemModel *shown) const;
    // The result is the rows a full refresh would build.
    void apply(const QVector<Change> &changes);

    // Tests set this to rebuild the whole table after every change, as the reference.
    bool rebuildOnChange = false;

private:
    QStandardItemModel *tableModel = nullptr;
    bool listInTableOrder = false;
};

#endif // TABLEROWS_H
