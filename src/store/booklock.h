#ifndef BOOKLOCK_H
#define BOOKLOCK_H

#include <QLockFile>
#include <QString>

// One program per book: a lock file beside it, held while the program runs. Two windows
// on one book would hand out the same keys and overwrite each other's lists.
class BookLock
{
public:
    enum State {
        Held,          // this program is the book's only writer
        HeldElsewhere, // another running program has the book
        Unavailable    // no lock can be made here (a read-only folder): go on as the only writer it can be
    };

    // Takes the lock of folder//Tobrell.sqlite3, waiting a few seconds for a program that
    // is closing; a lock file no live program holds is taken over. Freed with the object.
    explicit BookLock(const QString &folder);
    BookLock(const BookLock &) = delete;
    BookLock &operator=(const BookLock &) = delete;

    State state() const { return current; }
    static QString lockPath(const QString &folder);

private:
    QLockFile file;
    State current;
};

#endif // BOOKLOCK_H
