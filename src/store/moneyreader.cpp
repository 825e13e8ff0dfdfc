#include "store/moneyreader.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <QSet>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <climits>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

sqlite3 *handleOf(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

// The value Qt's SQLite driver makes of a column (default precision policy).
QVariant driverValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(statement, column));
        return QByteArray(data, sqlite3_column_bytes(statement, column));
    }
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
        return QVariant(QVariant::String);
    default: {
        const auto *data = static_cast<const QChar *>(sqlite3_column_text16(statement, column));
        return QString(data, sqlite3_column_bytes16(statement, column) / int(sizeof(QChar)));
    }
    }
}

// Texts by their stored bytes: a text seen before costs one lookup instead of a
// conversion to UTF-16 and a string of its own.
class TextPool
{
public:
    QString text(sqlite3_stmt *statement, int column)
    {
        if (sqlite3_column_type(statement, column) != SQLITE_TEXT)
            return *others.insert(driverValue(statement, column).toString());
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        if (!bytes)
            return driverValue(statement, column).toString();
        const std::string_view stored(bytes, size_t(sqlite3_column_bytes(statement, column)));
        const auto found = byBytes.find(stored);
        if (found != byBytes.end())
            return found->second;
        keys.emplace_back(stored); // before the conversion below, which frees the bytes
        const QString decoded = driverValue(statement, column).toString();
        byBytes.emplace(keys.back(), decoded);
        return decoded;
    }

private:
    std::deque<std::string> keys; // never moved, so the views into them stay valid
    std::unordered_map<std::string_view, QString> byBytes;
    QSet<QString> others;
};

qint32 keyOf(sqlite3_stmt *statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
        const sqlite3_int64 key = sqlite3_column_int64(statement, column);
        if (key >= INT_MIN && key <= INT_MAX)
            return qint32(key);
    }
    return driverValue(statement, column).toInt();
}

} // namespace

bool readMoneyRowsDirectly(const QSqlDatabase &db, QList<TableMoney> &records)
{
    sqlite3 *handle = handleOf(db);
    if (!handle)
        return false;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, "select type,name,price,date,memo,MyID from tablemoneydb", -1, &statement,
                           nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    QList<TableMoney> read;
    TextPool pool;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        TableMoney record;
        record.type = pool.text(statement, 0);
        record.name = pool.text(statement, 1);
        record.price = pool.text(statement, 2);
        record.date = pool.text(statement, 3);
        record.memo = pool.text(statement, 4);
        record.MyID = keyOf(statement, 5);
        read.append(record);
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE)
        return false;
    records.append(read);
    return true;
}

#else

bool readMoneyRowsDirectly(const QSqlDatabase &, QList<TableMoney> &)
{
    return false;
}

#endif
