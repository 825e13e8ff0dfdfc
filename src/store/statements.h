#ifndef STATEMENTS_H
#define STATEMENTS_H

#include "store/tablemoney.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// Outcome of one change statement.
struct StatementResult
{
    bool ok = false;
    int rowsAffected = -1; // -1 when the statement did not run
    QSqlError error;
};

// The change statements of the expense book, each prepared once per connection and
// reused; every value is bound, never spliced into the SQL text.
//
// Before each statement the connection is checked, so that a change is never reported
// saved when it cannot reach the book the program loaded (the last two checks on Unix,
// where the handle of Qt's driver belongs to the system SQLite):
// - changes refused after a start-up whose reading failed (refuseChanges, or
//   refuseSettingChanges when only the settings table could not be read);
// - the file at the path is no longer the one opened (removed, or another file put in
//   its place): SQLite would go on writing into the unlinked file and lose everything;
// - a connection that SQLite opened read-only because the file was read-only at the
//   time is opened again once the file is writable, so the next change succeeds.
class ExpenseStatements
{
public:
    explicit ExpenseStatements(const QSqlDatabase &db);

    // Every later statement fails with this reason; the file is left as it is.
    void refuseChanges(const QString &reason);
    // Only the statements on the settings table fail with this reason.
    void refuseSettingChanges(const QString &reason);

    // insert into tablemoneydb(type,name,price,date,memo,MyID) values(?, ?, ?, ?, ?, ?)
    StatementResult insertMoney(const TableMoney &record);
    // update tablemoneydb set type=?, name=?, price=?, date=?, memo=? where MyID = ?
    StatementResult updateMoney(const TableMoney &record);
    // update tablesetting set settingvalue=? where settingname = ?  (rowsAffected 0: no such row)
    StatementResult updateSetting(const QString &settingvalue, const QString &settingname);
    // delete from tablemoneydb where MyID = ?
    StatementResult deleteMoney(qint32 MyID);
    // insert into tablesetting(settingname,settingvalue) values(?, ?)
    StatementResult insertSetting(const QString &settingname, const QString &settingvalue);

    // The category list and the records relabelled with it, stored together or not at all:
    // the list's row is updated, or inserted where the book had none when it was read
    // (rowLoaded false; insertedRow), then every record, all in one transaction. A
    // statement that changes no row fails the whole.
    StatementResult saveCategoryList(const QString &settingname, const QString &settingvalue,
                                     const QList<TableMoney> &relabelled, bool rowLoaded, bool *insertedRow);

private:
    enum Kind { InsertMoney, UpdateMoney, UpdateSetting, DeleteMoney, InsertSetting, KindCount };

    StatementResult run(Kind kind, const QVariantList &values);
    // Empty when statements may run; otherwise why not.
    QSqlError checkConnection();
    QSqlError reopen(bool inTransaction);

    QSqlDatabase db;
    QSqlQuery queries[KindCount];
    bool prepared[KindCount] = {};
    QString refusal;
    QString settingRefusal;
    bool transactionOpen = false; // inside saveCategoryList
};

// A record statement that ran but changed no row (no stored record has that MyID, e.g.
// one without key written by another tool) saved nothing: it becomes a failure saying so.
StatementResult recordChanged(const StatementResult &result, qint32 MyID);

// A text bound as text: a null string would otherwise reach SQLite as NULL.
QVariant textValue(const QString &text);

// The SQL error the way Qt's debug stream writes it, e.g. QSqlError("1", "...", "...").
QString sqlErrorText(const QSqlError &error);

#endif // STATEMENTS_H
