#include "store/backup.h"

#include "store/sqlitehandle.h"
#include "store/statements.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <algorithm>

#include <cerrno>

#ifdef Q_OS_WIN
#define NOMINMAX
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

QString backupName(const QDateTime &time)
{
    return QStringLiteral("Tobrell-") + time.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".sqlite3");
}

// Backups by name, oldest first: the names sort by age.
QStringList backupsIn(const QDir &dir)
{
    static const QRegularExpression exact(QStringLiteral("^Tobrell-\\d{8}-\\d{6}\\.sqlite3$"));
    QStringList names = dir.entryList({QStringLiteral("Tobrell-*.sqlite3")}, QDir::Files | QDir::Hidden);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString &name) { return !exact.match(name).hasMatch(); }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

QDateTime bookModified(const QString &bookPath)
{
    // In WAL mode the latest changes may still sit beside the book.
    QDateTime modified = QFileInfo(bookPath).lastModified();
    const QFileInfo wal(bookPath + QStringLiteral("-wal"));
    if (wal.exists() && wal.size() > 0)
        modified = std::max(modified, wal.lastModified());
    return modified;
}

// Removes the oldest backups beyond the kept number; empty when all went. The copy just
// written counts as the newest even when the clock was set back since the others.
QString rotate(const QDir &dir, const QString &written = QString())
{
    QStringList names = backupsIn(dir);
    if (names.removeOne(QFileInfo(written).fileName()))
        names.append(QFileInfo(written).fileName());
    QStringList failed;
    while (names.size() > backupsKept) {
        QFile old(dir.filePath(names.takeFirst()));
        if (!old.remove())
            failed << QStringLiteral("cannot remove %1: %2").arg(old.fileName(), old.errorString());
    }
    return failed.join(QStringLiteral("; "));
}

BackupResult failure(const QString &reason)
{
    BackupResult result;
    result.outcome = BackupResult::Failed;
    result.error = reason;
    qDebug().noquote() << "Error: backup failed." << reason;
    return result;
}

// SQLite leaves the copy to the operating system's cache; a copy that a power cut
// truncates would pass for the newest and stop the next one. Empty when it is on disk.
QString flushToDisk(const QString &path)
{
#ifdef Q_OS_WIN
    // Flushing needs a handle open for writing.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                    GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
    const QString reason = flushed ? QString() : qt_error_string(int(GetLastError()));
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
#else
    QFile file(path);
    const bool flushed = file.open(QIODevice::ReadOnly) && ::fsync(file.handle()) == 0;
    const QString reason = flushed ? QString() : file.isOpen() ? qt_error_string(errno) : file.errorString();
#endif
    return flushed ? QString() : QStringLiteral("cannot write %1 to disk: %2").arg(path, reason);
}

// The book's pages as they are, through SQLite's backup on the book's own connection: a
// third of the time a rebuilt copy takes. VACUUM INTO where the driver runs another SQLite.
QSqlError copyBook(const QSqlDatabase &db, const QString &target)
{
    sqlite3 *book = sqliteHandle(db);
    if (!book) {
        QSqlQuery query(db);
        if (query.prepare(QStringLiteral("VACUUM INTO ?"))) {
            query.addBindValue(target);
            query.exec();
        }
        return query.lastError();
    }
    sqlite3 *copy = nullptr;
    int code = sqlite3_open_v2(target.toUtf8().constData(), &copy, SQLITE_OPEN_READWRITE, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(copy, "main", book, "main");
        code = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy);
        if (backup && sqlite3_backup_finish(backup) != SQLITE_OK && code == SQLITE_DONE)
            code = sqlite3_errcode(copy);
    }
    const QString reason = QString::fromUtf8(copy ? sqlite3_errmsg(copy) : sqlite3_errstr(code));
    const QSqlError error = code == SQLITE_DONE ? QSqlError()
        : QSqlError(QStringLiteral("Unable to copy the book"), reason, QSqlError::StatementError, QString::number(code));
    sqlite3_close(copy);
    return error;
}

// SQLite's quick check of the copy, on the book's connection (attached, only read).
// False where the check could not run (error); otherwise `damage` is empty for a sound
// copy, else what it found. A damaged book, though its rows read, copies its damage along.
bool checkCopy(const QSqlDatabase &db, const QString &copy, QString *damage, QString *error)
{
    const QString schema = QStringLiteral("tobrell_copy");
    QSqlQuery query(db);
    query.prepare(QStringLiteral("ATTACH ? AS ") + schema);
    query.addBindValue(copy);
    if (!query.exec()) {
        *error = sqlErrorText(query.lastError());
        return false;
    }
    QStringList found;
    if (query.exec(QStringLiteral("PRAGMA %1.quick_check(10)").arg(schema))) {
        while (query.next()) // lines, under a heading "*** in database tobrell_copy ***"
            for (const QString &line : query.value(0).toString().split(QLatin1Char('\n')))
                if (line != QLatin1String("ok") && !line.startsWith(QLatin1String("*** ")))
                    found << line;
    }
    // A page that cannot even be read ends the check with an error: damage too.
    if (query.lastError().isValid())
        found << sqlErrorText(query.lastError());
    query.finish();
    query.exec(QStringLiteral("DETACH ") + schema);
    *damage = found.join(QStringLiteral("; "));
    return true;
}

} // namespace

BackupResult backupBook(const QSqlDatabase &db, const QString &bookPath, const QString &folder,
                        const QDateTime &now)
{
    if (!db.isOpen())
        return failure(QStringLiteral("the book is not open"));
    if (!QDir().mkpath(folder))
        return failure(QStringLiteral("cannot create the folder %1").arg(folder));
    const QDir dir(folder);

    // Unchanged only when the book is plainly older than the newest copy; an equal or
    // unknown time (coarse file system clocks) writes one.
    const QStringList existing = backupsIn(dir);
    if (!existing.isEmpty()) {
        const QDateTime book = bookModified(bookPath);
        const QDateTime newest = QFileInfo(dir.filePath(existing.last())).lastModified();
        if (book.isValid() && newest.isValid() && book < newest) {
            BackupResult result;
            result.outcome = BackupResult::Unchanged;
            const QString rotation = rotate(dir);
            if (!rotation.isEmpty())
                return failure(rotation);
            return result;
        }
    }

    // Written under a temporary name and renamed once complete, so that an interrupted
    // copy never passes for a backup. SQLite takes the empty file as an empty database.
    QString temporary;
    {
        QTemporaryFile file(dir.filePath(backupName(now) + QStringLiteral(".XXXXXX")));
        file.setAutoRemove(false);
        if (!file.open())
            return failure(QStringLiteral("cannot write in %1: %2").arg(folder, file.errorString()));
        temporary = file.fileName();
    }

    const QSqlError error = copyBook(db, temporary);
    QFile copy(temporary);
    if (error.isValid()) {
        copy.remove();
        BackupResult result = failure(sqlErrorText(error));
        // SQLITE_CORRUPT, SQLITE_NOTADB: pages the copy could not read, though every row did.
        if (error.nativeErrorCode() == QLatin1String("11") || error.nativeErrorCode() == QLatin1String("26"))
            result.outcome = BackupResult::Damaged;
        return result;
    }
    // A damaged copy would push good ones out: it goes, and they all stay.
    QString damage, checkError;
    if (!checkCopy(db, temporary, &damage, &checkError)) {
        copy.remove();
        return failure(QStringLiteral("cannot check the copy: %1").arg(checkError));
    }
    if (!damage.isEmpty()) {
        copy.remove();
        BackupResult result = failure(QStringLiteral("the book is damaged, its copy fails the check (%1); "
                                                     "no copy is written and earlier copies are kept").arg(damage));
        result.outcome = BackupResult::Damaged;
        return result;
    }
    const QString unflushed = flushToDisk(temporary);
    if (!unflushed.isEmpty()) {
        copy.remove();
        return failure(unflushed);
    }

    // A name already taken (a second start within the same second, or any file or
    // folder of that name) is never overwritten: the next free second is used.
    QString target;
    QDateTime time = now;
    for (int attempt = 0; attempt < 60 && target.isEmpty(); ++attempt, time = time.addSecs(1)) {
        const QString candidate = dir.filePath(backupName(time));
        if (QFileInfo::exists(candidate))
            continue;
        if (copy.rename(candidate))
            target = candidate;
        else if (!QFileInfo::exists(candidate))
            break; // not taken meanwhile: the rename itself failed
    }
    if (target.isEmpty()) {
        const QString reason = copy.error() != QFile::NoError
            ? QStringLiteral("cannot rename %1: %2").arg(temporary, copy.errorString())
            : QStringLiteral("every name from %1 on is taken").arg(backupName(now));
        QFile::remove(temporary);
        return failure(reason);
    }

    BackupResult result;
    result.outcome = BackupResult::Written;
    result.path = target;
    const QString rotation = rotate(dir, target);
    if (!rotation.isEmpty()) {
        result = failure(rotation);
        result.path = target;
    }
    return result;
}
