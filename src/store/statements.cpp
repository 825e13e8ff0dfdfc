#include "statements.h"

#include <QDebug>

namespace {
const char *const sqlText[] = {
    "insert into tablemoneydb(type,name,price,date,memo,MyID) values(?, ?, ?, ?, ?, ?)",
    "update tablemoneydb set type=?, name=?, price=?, date=?, memo=? where MyID = ?",
    "update tablesetting set settingvalue=? where settingname = ?",
    "delete from tablemoneydb where MyID = ?",
    "insert into tablesetting(settingname,settingvalue) values(?, ?)",
};
} // namespace

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

StatementResult ExpenseStatements::run(Kind kind, const QVariantList &values)
{
    StatementResult result;
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
