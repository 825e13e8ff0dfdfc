#include "store/booklock.h"

namespace {
// A program that is closing holds the lock until its window and book are gone, which
// takes a moment with a large book.
const int closingTime = 5000;
} // namespace

QString BookLock::lockPath(const QString &folder)
{
    return folder + QStringLiteral("/Tobrell.sqlite3.lock");
}

BookLock::BookLock(const QString &folder)
    : file(lockPath(folder))
{
    // A program may run for days: a lock is never stale for its age alone.
    file.setStaleLockTime(0);
    if (!file.tryLock(0) && file.error() == QLockFile::LockFailedError) {
        // Qt calls a lock stale only when it names a process of this computer that is gone;
        // one left empty by a power cut, garbled, or copied from another computer would
        // shut the book for good. Removing fails while a live program holds the file, on
        // Unix by its file lock, on Windows by its open handle.
        file.removeStaleLockFile();
        file.tryLock(closingTime);
    }
    if (file.isLocked())
        current = Held;
    else if (file.error() == QLockFile::PermissionError)
        current = Unavailable;
    else
        current = HeldElsewhere; // anything else may be another writer: never two
}
