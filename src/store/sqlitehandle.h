#ifndef SQLITEHANDLE_H
#define SQLITEHANDLE_H

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

// The connection under Qt's SQLite driver, or null. Unix only: there the driver uses the
// system's SQLite, the one this program links; Qt's Windows builds carry their own copy.
inline sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}
#endif

#endif // SQLITEHANDLE_H
