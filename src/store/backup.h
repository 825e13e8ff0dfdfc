#ifndef BACKUP_H
#define BACKUP_H

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// What one start-up backup did.
struct BackupResult
{
    enum Outcome { Written, Unchanged, Failed, Damaged }; // Damaged: the copy failed its check
    Outcome outcome = Failed;
    QString path;  // the copy written (Written)
    QString error; // why not (Failed, Damaged); also logged
};

// Copies the open book into `folder` as Tobrell-YYYYMMDD-HHMMSS.sqlite3 (local time of
// `now`) with VACUUM INTO on the book's own connection, then keeps the newest
// `backupsKept` files of that name; other files in the folder are never touched.
// No copy is written when the book has not changed since the newest one. The book
// is only read. A copy that fails SQLite's quick check (the book itself is damaged,
// though its rows read) is deleted at once: Damaged. A failure or damage logs one line,
// "Error: backup failed." and the reason, and deletes no backup. Call it only on a
// book that was read completely.
BackupResult backupBook(const QSqlDatabase &db, const QString &bookPath, const QString &folder,
                        const QDateTime &now);

constexpr int backupsKept = 10;

#endif // BACKUP_H
