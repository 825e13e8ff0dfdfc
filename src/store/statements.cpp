#include "store/statements.h"

#include "store/sqlitehandle.h"

#include <QDebug>
#include <QFileInfo>

namespace {
const char *const sqlText[] = {
    "insert into tablemoneydb(type,name,price,date,memo,MyID) values(?, ?, ?, ?, ?, ?)",
    "update tablemoneydb set type=?, name=?, price=?, date=?, memo=? where MyID = ?",
    "update tablesetting set settingvalue=? where settingname = ?",
    "delete from tablemoneydb where MyID = ?",
    "insert into tablesetting(settingname,settingvalue) values(?, ?)",
};

QSqlError refused(const QString &driverText, const QString &databaseText)
{
    return QSqlError(driverText, databaseText, QSqlError::ConnectionError);
}

// A statement that ran but found nothing to change did not save anything.
StatementResult noRowChanged(const QString &why)
{
    StatementResult result;
    result.rowsAffected = 0;
    result.error = QSqlError(QStringLiteral("No row changed"), why, QSqlError::StatementError);
    return result;
}

} // namespace

StatementResult recordChanged(const StatementResult &result, qint32 MyID)
{
    if (result.ok && result.rowsAffected < 1)
        return noRowChanged(QStringLiteral("no stored record has MyID %1").arg(MyID));
    return result;
}

QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QString::fromLatin1("")) : QVariant(text);
}

QString sqlErrorText(const QSqlError &error)
{
    QString text;
    QDebug(&text) << error;
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

ExpenseStatements::ExpenseStatements(const QSqlDatabase &database)
    : db(database)
{
}

void ExpenseStatements::refuseChanges(const QString &reason)
{
    refusal = reason;
}

void ExpenseStatements::refuseSettingChanges(const QString &reason)
{
    settingRefusal = reason;
}

QSqlError ExpenseStatements::checkConnection()
{
    if (!refusal.isEmpty())
        return refused(QStringLiteral("Changes are not saved"), refusal);
    if (!db.isOpen()) {
        return refused(QStringLiteral("Database not open"),
                       QStringLiteral("%1 could not be opened: %2").arg(db.databaseName(), db.lastError().text()));
    }
    sqlite3 *handle = sqliteHandle(db);
    if (!handle)
        return QSqlError();

#ifdef Q_OS_UNIX
    // Windows refuses to remove or replace a file that is open, so there the book is
    // always the file the program opened.
    int moved = 0;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
        return refused(QStringLiteral("Database file removed or replaced"),
                       QStringLiteral("%1 is no longer the file the program opened; put that file back, "
                                      "or restart the program to load the file now there")
                           .arg(db.databaseName()));
    }
#endif

    if (sqlite3_db_readonly(handle, "main") == 1 && QFileInfo(db.databaseName()).isWritable()) {
        // Inside a transaction nothing can have been written yet on a read-only
        // connection, so it is begun again on the new one.
        return reopen(transactionOpen);
    }
    return QSqlError();
}

QSqlError ExpenseStatements::reopen(bool inTransaction)
{
    // Closing finalises every statement prepared on the connection.
    db.close();
    for (int k = 0; k < KindCount; ++k) {
        queries[k] = QSqlQuery();
        prepared[k] = false;
    }
    if (!db.open())
        return db.lastError();
    if (inTransaction && !db.transaction())
        return db.lastError();
    return QSqlError();
}

StatementResult ExpenseStatements::run(Kind kind, const QVariantList &values)
{
    StatementResult result;
    result.error = checkConnection();
    if (!result.error.isValid() && !settingRefusal.isEmpty() && (kind == UpdateSetting || kind == InsertSetting))
        result.error = refused(QStringLiteral("Changes are not saved"), settingRefusal);
    if (result.error.isValid())
        return result;
    QSqlQuery &query = queries[kind];
    if (!prepared[kind]) {
        query = QSqlQuery(db);
        if (!query.prepare(QString::fromLatin1(sqlText[kind]))) {
            result.error = query.lastError();
            return result; // tried again next time, e.g. once the table exists
        }
        prepared[kind] = true;
    }
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    result.ok = query.exec();
    result.error = query.lastError();
    if (result.ok)
        result.rowsAffected = query.numRowsAffected();
    // Keep the statement prepared but release its hold on the database.
    query.finish();
    return result;
}

StatementResult ExpenseStatements::insertMoney(const TableMoney &r)
{
    return run(InsertMoney, {textValue(r.type), textValue(r.name), textValue(r.price),
                             textValue(r.date), textValue(r.memo), QVariant(qint32(r.MyID))});
}

StatementResult ExpenseStatements::updateMoney(const TableMoney &r)
{
    return run(UpdateMoney, {textValue(r.type), textValue(r.name), textValue(r.price),
                             textValue(r.date), textValue(r.memo), QVariant(qint32(r.MyID))});
}

StatementResult ExpenseStatements::updateSetting(const QString &settingvalue, const QString &settingname)
{
    return run(UpdateSetting, {textValue(settingvalue), textValue(settingname)});
}

StatementResult ExpenseStatements::deleteMoney(qint32 MyID)
{
    return run(DeleteMoney, {QVariant(MyID)});
}

StatementResult ExpenseStatements::insertSetting(const QString &settingname, const QString &settingvalue)
{
    return run(InsertSetting, {textValue(settingname), textValue(settingvalue)});
}

StatementResult ExpenseStatements::saveCategoryList(const QString &settingname, const QString &settingvalue,
                                                    const QList<TableMoney> &relabelled, bool rowLoaded,
                                                    bool *insertedRow)
{
    *insertedRow = false;
    StatementResult result;
    if (!db.transaction()) {
        result.error = db.lastError();
        return result;
    }
    transactionOpen = true;
    result = updateSetting(settingvalue, settingname);
    if (result.ok && result.rowsAffected == 0 && !rowLoaded) {
        // A book without the category row would silently drop the list.
        result = insertSetting(settingname, settingvalue);
        *insertedRow = result.ok;
    }
    if (result.ok && result.rowsAffected < 1)
        result = noRowChanged(QStringLiteral("no stored setting is named %1").arg(settingname));
    for (int i = 0; result.ok && i < relabelled.size(); ++i)
        result = recordChanged(updateMoney(relabelled.at(i)), relabelled.at(i).MyID);
    if (result.ok && !db.commit()) {
        result.ok = false;
        result.error = db.lastError();
    }
    if (!result.ok) {
        db.rollback();
        *insertedRow = false;
    }
    transactionOpen = false;
    return result;
}
