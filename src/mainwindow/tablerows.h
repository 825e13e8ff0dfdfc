#ifndef TABLEROWS_H
#define TABLEROWS_H

#include "store/expensebook.h"

#include <QList>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;
class QObject;
class QStandardItem;
class QStandardItemModel;
class QStyledItemDelegate;

// The table's rows and the book's records, kept in step one row at a time: a command that
// changes a few records touches only their rows instead of rebuilding the table.
class TableRows
{
public:
    using Change = RecordChange;

    static QStringList headerLabels();
    static QString cellText(const TableMoney &record, int column);
    static QList<QStandardItem *> rowItems(const TableMoney &record);
    // Fills an empty model with one row per record, in list order.
    static void fillRows(QStandardItemModel *model, const QList<TableMoney> &records);
    // The view's delegate: fitted columns lay out each distinct text once.
    static QStyledItemDelegate *newTextSizeCache(QObject *parent);

    void attach(QStandardItemModel *model) { tableModel = model; }
    // Row i of the model shows record i of the book, in date order; false after anything
    // reordered the records behind the table's back, until the next full refresh.
    void setInListOrder(bool inOrder) { listInTableOrder = inOrder; }
    // Whether a change of a few records may touch only their rows: the model is the one
    // shown and still mirrors the book's records row by row. Asked before they change.
    bool mirrorsList(const QAbstractItemModel *shown, int records) const;
    // The result is the rows a full refresh would build.
    void apply(const QVector<Change> &changes);

    // Tests set this to rebuild the whole table after every change, as the reference.
    bool rebuildOnChange = false;

private:
    QStandardItemModel *tableModel = nullptr;
    bool listInTableOrder = false;
};

#endif // TABLEROWS_H
