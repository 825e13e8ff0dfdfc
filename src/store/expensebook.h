#ifndef EXPENSEBOOK_H
#define EXPENSEBOOK_H

#include "store/tablemoney.h"
#include "store/tablesetting.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class ExpenseStatements;

// One record a change touched, at its place in the list, in the order it was changed.
struct RecordChange
{
    enum Kind { Insert, Remove, Replace };
    Kind kind;
    int row;
    TableMoney record; // Insert and Replace
};

// The outcome of one change: saved, or why not. Memory changes only when the book did.
struct BookChange
{
    bool saved = false;
    QString error; // why not; logged after "Error: failed to save change."
    QVector<RecordChange> rows;
    // False when the list changed beyond these rows (the caller rebuilds what it shows).
    bool rowsComplete = true;
};

// What loading found.
struct BookLoad
{
    bool opened = false;
    bool recordsRead = false; // the expense rows were read, completely or in part
};

// The family's book: the connection to Tobrell.sqlite3, its change statements, and the
// lists that hold it in memory (moneyList under moneyMutex, sortList, settingList), with
// every rule about them. One per process: it uses Qt's default connection.
class ExpenseBook
{
public:
    ExpenseBook();
    // Empties the lists in their fixed order; the settings records stay with their parent.
    ~ExpenseBook();
    ExpenseBook(const ExpenseBook &) = delete;
    ExpenseBook &operator=(const ExpenseBook &) = delete;

    // Reads folder//Tobrell.sqlite3 into memory, each settings row as a record owned by
    // settingOwner; recordsRead runs once the expense rows are in (also when only some
    // could be read). A book read in part takes no change; one whose settings table failed
    // takes no category list. Only a book read completely is due a start-up backup.
    BookLoad load(const QString &folder, QObject *settingOwner, const std::function<void()> &recordsRead = {});
    // The start-up backup: the book as it was read, copied into folder/backups and named
    // after now (by default the moment of the copy). Taken once, by the first call after
    // load or by the first change, whichever comes first; nothing when no backup is due.
    // True when the copy showed the book damaged; later calls answer the same.
    bool takeStartUpBackup(const QDateTime &now = QDateTime());
    bool startUpBackupPending() const { return backupPending; }

    int count() const;
    bool isRecordRow(int row) const;
    TableMoney recordAt(int row) const;
    QList<TableMoney> records() const;
    // Runs read on moneyList under its lock.
    template<typename Read> void readRecords(Read read) const
    {
        QMutexLocker lock(&moneyMutex);
        read(qAsConst(moneyList));
    }
    // The value of the last setting named name; false (value untouched) when there is none.
    bool findSetting(const QString &name, QString *value) const;
    QList<TableSetting *> settings() const { return settingList; }

    // Mode 0: date order, result 0. Mode 1: key order, result the next free MyID (1 when
    // empty). reordered, when given, tells whether any record moved.
    int sort(int mode, bool *reordered = nullptr);
    bool inDateOrder() const;
    // Copies left in sortList; sorting moves the records themselves and leaves none.
    int sortListSize() const { return sortList.size(); }
    // Price totals per month ("yyyy-MM") of the records dated from start to end.
    QMap<QString, double> monthTotals(const QDate &start, const QDate &end) const;

    // The record gets the next key (one past the largest) and goes to its place in date order.
    BookChange add(TableMoney record);
    // Every record keyed record.MyID takes its five texts.
    BookChange change(const TableMoney &record);
    // Every record keyed MyID goes; the counts before and after are logged.
    BookChange remove(qint32 MyID);
    // Stores the category list and relabels the records of every renamed category (history
    // as the settings form keeps it), in one transaction. A row inserted for a book without
    // one becomes a settings record owned by settingOwner.
    BookChange saveCategoryList(const QString &settingname, const QString &settingvalue,
                                const QMap<int, QStringList> &history, QObject *settingOwner);

private:
    BookChange failed(const QString &error) const;

    QSqlDatabase db;
    // Declared after db, so it goes first.
    std::unique_ptr<ExpenseStatements> statements;

    QString backupFolder;
    bool backupPending = false;
    bool backupDamaged = false;

    mutable QMutex moneyMutex;
    QList<TableMoney> moneyList;
    QList<TableMoney *> sortList;
    QList<TableSetting *> settingList;
};

#endif // EXPENSEBOOK_H
