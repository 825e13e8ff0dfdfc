#include "store/sqlitehandle.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Both copies of SQLite would hand out a "sqlite3*". A setting global to one copy tells
// them apart: set here, it shows through the driver's connection only if that is ours.
bool driverRunsThisSqlite(const QSqlDatabase &db)
{
    const sqlite3_int64 before = sqlite3_soft_heap_limit64(-1);
    sqlite3_soft_heap_limit64(before > 0 ? before - 1 : sqlite3_int64(1) << 60);
    const sqlite3_int64 mark = sqlite3_soft_heap_limit64(-1);
    QSqlQuery query(db);
    const bool same = mark != before && query.exec(QStringLiteral("PRAGMA soft_heap_limit")) && query.next()
        && query.value(0).toLongLong() == mark;
    sqlite3_soft_heap_limit64(before);
    return same;
}

} // namespace

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    // One driver per process: asked once.
    static const bool ours = driverRunsThisSqlite(db);
    return ours ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
}
