#include "store/booklock.h"

QString BookLock::lockPath(const QString &folder)
{
    return folder + QStringLiteral("/Tobrell.sqlite3.lock");
}

BookLock::BookLock(const QString &folder)
    : file(lockPath(folder))
{
    // A program may run for days: only a lock whose process is gone (crashed, killed) is
    // stale, never one that is merely old.
    file.setStaleLockTime(0);
    if (file.tryLock(0))
        current = Held;
    else if (file.error() == QLockFile::LockFailedError)
        current = HeldElsewhere;
    else
        current = Unavailable;
}
