#ifndef SQLITEHANDLE_H
#define SQLITEHANDLE_H

#include <QSqlDatabase>

#include <sqlite3.h>

// The connection under Qt's SQLite driver, or null when the driver does not run the very
// SQLite this program links (a Qt whose driver carries its own copy): such a handle must
// never reach these functions. Qt then does all the work.
sqlite3 *sqliteHandle(const QSqlDatabase &db);

#endif // SQLITEHANDLE_H
