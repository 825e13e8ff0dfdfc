#include "store/expensebook.h"

#include "store/backup.h"
#include "store/moneyorder.h"
#include "store/moneyreader.h"
#include "store/monthtotals.h"
#include "store/renamemap.h"
#include "store/statements.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <limits>

namespace {
// Two books would share Qt's default connection.
const ExpenseBook *theBook = nullptr;

// A change replaces the five texts; the key stays.
void takeTexts(TableMoney &record, const TableMoney &from)
{
    record.type = from.type;
    record.name = from.name;
    record.price = from.price;
    record.date = from.date;
    record.memo = from.memo;
}
} // namespace

ExpenseBook::ExpenseBook()
{
    Q_ASSERT(!theBook);
    theBook = this;
}

ExpenseBook::~ExpenseBook()
{
    moneyMutex.lock();
    moneyList.clear();
    moneyMutex.unlock();
    qDeleteAll(sortList);
    sortList.clear();
    settingList.clear(); // the records themselves belong to their owner
    theBook = nullptr;
}

BookLoad ExpenseBook::load(const QString &folder, QObject *settingOwner, const std::function<void()> &recordsRead)
{
    BookLoad loaded;
    const QString path = folder + QStringLiteral("//Tobrell.sqlite3");
    if (!QFile::exists(path))
        qDebug().noquote() << "error:db file is not exists";

    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    db.setUserName(QStringLiteral("user"));
    db.setPassword(QStringLiteral("vomtek"));
    statements.reset(new ExpenseStatements(db));
    if (!db.open()) {
        qDebug().noquote() << "Error: Failed to connect database." << sqlErrorText(db.lastError());
        return loaded;
    }
    loaded.opened = true;

    // Changes are written only to a book that was read completely: a book read in part
    // (damaged, locked, missing a column) is shown as far as it could be read, but never
    // written, so nothing in it is overwritten from an incomplete copy. When only the
    // settings table failed, the whole expense rows still take changes; the category
    // list, which could overwrite what was not read, does not.
    QStringList readErrors;
    QStringList settingReadErrors;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QList<TableMoney> direct;
    if (readMoneyRowsDirectly(db, direct)) {
        moneyMutex.lock();
        moneyList.append(direct);
        moneyMutex.unlock();
        direct.clear();
        loaded.recordsRead = true;
        if (recordsRead)
            recordsRead();
    } else if (query.exec(QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb"))) {
        // A household's book repeats its texts (ten categories, a few thousand dates, the
        // same shops and prices): equal texts share one string, which keeps a large book
        // small in memory and quick to load.
        QSet<QString> texts;
        const auto text = [&texts](const QVariant &value) {
            const QString read = value.toString();
            return *texts.insert(read);
        };
        while (query.next()) {
            TableMoney record;
            record.type = text(query.value(0));
            record.name = text(query.value(1));
            record.price = text(query.value(2));
            record.date = text(query.value(3));
            record.memo = text(query.value(4));
            record.MyID = query.value(5).toInt();
            moneyMutex.lock();
            moneyList.append(record);
            moneyMutex.unlock();
        }
        // next() also ends on an error, e.g. a damaged page halfway through.
        if (query.lastError().isValid()) {
            readErrors << sqlErrorText(query.lastError());
            qDebug().noquote() << readErrors.last();
        }
        loaded.recordsRead = true;
        if (recordsRead)
            recordsRead();
    } else {
        readErrors << sqlErrorText(query.lastError());
        qDebug().noquote() << readErrors.last();
    }

    if (query.exec(QStringLiteral("select settingname,settingvalue from tablesetting"))) {
        while (query.next()) {
            auto *setting = new TableSetting(settingOwner);
            setting->settingname = query.value(0).toString();
            setting->settingvalue = query.value(1).toString();
            settingList.append(setting);
        }
        if (query.lastError().isValid()) {
            settingReadErrors << sqlErrorText(query.lastError());
            qDebug().noquote() << settingReadErrors.last();
        }
    } else {
        settingReadErrors << sqlErrorText(query.lastError());
        qDebug().noquote() << settingReadErrors.last();
    }
    query.finish();

    if (!readErrors.isEmpty())
        statements->refuseChanges(QStringLiteral("the book could not be read completely at start-up (%1); "
                                                 "it is left as it is")
                                      .arg((readErrors + settingReadErrors).join(QStringLiteral("; "))));
    else if (!settingReadErrors.isEmpty())
        statements->refuseSettingChanges(QStringLiteral("the settings table could not be read at start-up (%1); "
                                                        "it is left as it is")
                                             .arg(settingReadErrors.join(QStringLiteral("; "))));
    else {
        // A book read in part is never copied, nor a damaged one, so rotation cannot push
        // out the good copies.
        backupFolder = folder;
        backupPending = true;
    }
    return loaded;
}

bool ExpenseBook::takeStartUpBackup(const QDateTime &now)
{
    if (!backupPending)
        return backupDamaged;
    backupPending = false;
    const BackupResult backup = backupBook(db, db.databaseName(), backupFolder + QStringLiteral("/backups"),
                                           now.isValid() ? now : QDateTime::currentDateTime());
    backupDamaged = backup.outcome == BackupResult::Damaged;
    return backupDamaged;
}

int ExpenseBook::count() const
{
    QMutexLocker lock(&moneyMutex);
    return moneyList.size();
}

bool ExpenseBook::isRecordRow(int row) const
{
    QMutexLocker lock(&moneyMutex);
    return row >= 0 && row < moneyList.size();
}

TableMoney ExpenseBook::recordAt(int row) const
{
    QMutexLocker lock(&moneyMutex);
    return moneyList.at(row);
}

QList<TableMoney> ExpenseBook::records() const
{
    QMutexLocker lock(&moneyMutex);
    return moneyList;
}

bool ExpenseBook::findSetting(const QString &name, QString *value) const
{
    bool found = false;
    for (const TableSetting *entry : settingList) {
        if (entry->settingname == name) {
            *value = entry->settingvalue;
            found = true;
        }
    }
    return found;
}

// sortList, the scratch list of copies, is left empty: the records move by pointer
// instead, so no second copy of the book is held.
int ExpenseBook::sort(int mode, bool *reordered)
{
    if (reordered)
        *reordered = false;
    QMutexLocker lock(&moneyMutex);
    if (moneyList.isEmpty())
        return mode == 1 ? 1 : 0;
    qDeleteAll(sortList);
    sortList.clear();
    const bool moved = sortRecords(moneyList, mode);
    if (reordered)
        *reordered = moved;
    return mode == 1 ? moneyList.first().MyID + 1 : 0;
}

bool ExpenseBook::inDateOrder() const
{
    QMutexLocker lock(&moneyMutex);
    return ::inDateOrder(moneyList);
}

QMap<QString, double> ExpenseBook::monthTotals(const QDate &start, const QDate &end) const
{
    QMutexLocker lock(&moneyMutex);
    return ::monthTotals(moneyList, start, end);
}

// Nothing is changed in memory when the database refused a change, so what is shown is
// always what a restart would show.
BookChange ExpenseBook::failed(const QString &error) const
{
    qDebug().noquote() << "Error: failed to save change." << error;
    BookChange change;
    change.error = error;
    return change;
}

BookChange ExpenseBook::add(TableMoney record)
{
    takeStartUpBackup();
    // The next key is one past the largest; a book already at the largest key cannot grow.
    qint64 largest = 0;
    moneyMutex.lock();
    const bool empty = moneyList.isEmpty();
    if (!empty) {
        largest = std::numeric_limits<qint64>::min();
        for (const TableMoney &m : qAsConst(moneyList))
            largest = qMax<qint64>(largest, m.MyID);
    }
    moneyMutex.unlock();
    const qint64 next = empty ? 1 : largest + 1;
    if (next > std::numeric_limits<qint32>::max())
        return failed(QStringLiteral("no free MyID left"));
    record.MyID = qint32(next);

    const StatementResult result = recordChanged(statements->insertMoney(record), record.MyID);
    if (!result.ok)
        return failed(sqlErrorText(result.error));
    // Straight to its place in date order: the list stays as a full sort leaves it.
    BookChange change;
    change.saved = true;
    QMutexLocker lock(&moneyMutex);
    const int row = dateOrderPlace(moneyList, record);
    moneyList.insert(row, record);
    change.rows.append({RecordChange::Insert, row, record});
    return change;
}

BookChange ExpenseBook::change(const TableMoney &record)
{
    takeStartUpBackup();
    const StatementResult result = recordChanged(statements->updateMoney(record), record.MyID);
    if (!result.ok)
        return failed(sqlErrorText(result.error));
    BookChange change;
    change.saved = true;
    QMutexLocker lock(&moneyMutex);
    QVector<int> hits;
    for (int i = 0; i < moneyList.size(); ++i)
        if (moneyList.at(i).MyID == record.MyID)
            hits.append(i);
    if (hits.size() == 1) {
        const int i = hits.first();
        TableMoney &m = moneyList[i];
        takeTexts(m, record);
        const bool staysInPlace = (i == 0 || dateOrderLess(moneyList.at(i - 1), m))
            && (i + 1 == moneyList.size() || dateOrderLess(m, moneyList.at(i + 1)));
        if (staysInPlace) {
            change.rows.append({RecordChange::Replace, i, m});
            return change;
        }
    }
    // Moved records (or several sharing the key): out of the list, then back in at their places.
    QList<TableMoney> moved;
    for (int k = hits.size() - 1; k >= 0; --k) {
        TableMoney m = moneyList.takeAt(hits.at(k));
        takeTexts(m, record);
        moved.append(m);
        change.rows.append({RecordChange::Remove, hits.at(k), TableMoney()});
    }
    for (const TableMoney &m : qAsConst(moved)) {
        const int row = dateOrderPlace(moneyList, m);
        moneyList.insert(row, m);
        change.rows.append({RecordChange::Insert, row, m});
    }
    return change;
}

BookChange ExpenseBook::remove(qint32 MyID)
{
    takeStartUpBackup();
    const StatementResult result = recordChanged(statements->deleteMoney(MyID), MyID);
    if (!result.ok)
        return failed(sqlErrorText(result.error));

    BookChange change;
    change.saved = true;
    qDebug().noquote() << "删除之前的个数" << count();
    moneyMutex.lock();
    for (int i = moneyList.size() - 1; i >= 0; --i) {
        if (moneyList.at(i).MyID == MyID) {
            moneyList.removeAt(i);
            change.rows.append({RecordChange::Remove, i, TableMoney()});
        }
    }
    moneyMutex.unlock();
    qDebug().noquote() << "删除之后的个数" << count();
    return change;
}

BookChange ExpenseBook::saveCategoryList(const QString &settingname, const QString &settingvalue,
                                         const QMap<int, QStringList> &history, QObject *settingOwner)
{
    takeStartUpBackup();
    const QHash<QString, QString> mapping = renameMapping(history);

    // Records to relabel, by their category when the form was opened.
    QList<TableMoney> relabelled;
    if (!mapping.isEmpty()) {
        QMutexLocker lock(&moneyMutex);
        for (const TableMoney &m : qAsConst(moneyList)) {
            const auto it = mapping.constFind(m.type);
            if (it != mapping.constEnd()) {
                TableMoney copy = m;
                copy.type = it.value();
                relabelled.append(copy);
            }
        }
    }

    bool rowLoaded = false;
    for (const TableSetting *entry : qAsConst(settingList))
        rowLoaded = rowLoaded || entry->settingname == settingname;
    bool insertedRow = false;
    const StatementResult result = statements->saveCategoryList(settingname, settingvalue, relabelled, rowLoaded,
                                                                &insertedRow);
    if (!result.ok)
        return failed(sqlErrorText(result.error));

    BookChange change;
    change.saved = true;
    for (TableSetting *entry : qAsConst(settingList))
        if (entry->settingname == settingname)
            entry->settingvalue = settingvalue;
    if (insertedRow) {
        auto *entry = new TableSetting(settingOwner);
        entry->settingname = settingname;
        entry->settingvalue = settingvalue;
        settingList.append(entry);
    }
    if (relabelled.isEmpty())
        return change;

    // Records sharing a key were all overwritten by its statement; memory follows.
    QHash<qint32, TableMoney> stored;
    stored.reserve(relabelled.size());
    for (const TableMoney &m : qAsConst(relabelled))
        stored.insert(m.MyID, m);
    change.rows.reserve(relabelled.size());
    QMutexLocker lock(&moneyMutex);
    for (int i = 0; i < moneyList.size(); ++i) {
        TableMoney &m = moneyList[i];
        const auto it = stored.constFind(m.MyID);
        if (it == stored.constEnd())
            continue;
        // Only a record sharing its key with another can change its date here.
        if (m.date != it.value().date)
            change.rowsComplete = false;
        m = it.value();
        if (change.rowsComplete)
            change.rows.append({RecordChange::Replace, i, m});
    }
    return change;
}
