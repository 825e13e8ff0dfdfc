#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include "store/expensebook.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace TestSupport {

// Path of the program's database beside the test executable.
QString databasePath();
// The folder of the book's copies beside the test executable.
QString backupsPath();
// Removes the book beside the executable (file, journal, or a folder in its place) once the
// window has gone, with the program's connection to it.
void removeBook();
// Creates a fresh book at path from the shipped schema (replacing any file there).
bool createDatabase(const QString &path, const QString &categories = QString());
// Runs SQL statements (separated by ';') on the file at path.
bool execSql(const QString &path, const QStringList &statements);

// Adds expense rows (type, name, price, date, memo as text, MyID as a number) in one transaction.
bool insertRecords(const QString &path, const QList<QStringList> &rows);
// Adds rows records to the book at path, then swaps two rows of a leaf page in the middle
// of the expense table by their cell pointers: every row still reads, but the page is out
// of order, and so is a copy made of it. False where the file is not laid out so.
bool writeDamagedBook(const QString &path, int rows);

enum class Open { ReadOnly, ReadWrite };
// A connection of its own to the file at path, opened at once and removed with the object;
// copies of db() must be gone by then.
class Connection
{
public:
    explicit Connection(const QString &path, Open mode = Open::ReadWrite);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    QSqlDatabase db() const;

private:
    const QString name;
};

// Rows of a query on the file at path, each value as text ("<NULL>" for NULL). Read-write
// opens it as any client would, rolling back a journal left behind.
QList<QStringList> queryRows(const QString &path, const QString &sql, Open mode = Open::ReadOnly);
// The rows of a book file in the table's order, and its category list.
QList<QStringList> storedRows(const QString &path);
QString storedCategories(const QString &path);
// The bytes of the file at path ("<missing>" when it cannot be read).
QByteArray readFile(const QString &path);

// What opening found: the load, and whether the start-up backup found the book damaged.
struct OpenedLoad : BookLoad
{
    bool damaged = false;
};

// The program's book beside the test executable, loaded as the window loads it, with its
// start-up backup taken. Closing drops the program's connection too, so the next open
// starts afresh.
class OpenedBook
{
public:
    OpenedBook() = default;
    ~OpenedBook() { close(); }
    OpenedBook(const OpenedBook &) = delete;
    OpenedBook &operator=(const OpenedBook &) = delete;
    OpenedLoad open(const QDateTime &now = QDateTime());
    void close();
    ExpenseBook *operator->() const { return book.get(); }
    ExpenseBook &operator*() const { return *book; }

    QObject owner; // of the settings records

private:
    std::unique_ptr<ExpenseBook> book;
};

// The book's records in the form of rows, as the table shows them.
QList<QStringList> memoryRows(const ExpenseBook &book);
// The keys of the book's records, in their order.
QList<int> keys(const ExpenseBook &book);
// The value of the category setting ("大类名称") in memory.
QString categorySetting(const ExpenseBook &book);
// Records from "date|price" entries, keyed 1, 2, ... in entry order.
QList<TableMoney> datedRecords(const QStringList &entries);
// A record's six fields as the table shows them.
QStringList fields(const TableMoney &r);
// One column of rows.
QStringList column(const QList<QStringList> &rows, int index);

// The child of parent named name; a missing one stops the test run at once.
template<typename T> T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// A root test process writes into a read-only folder; without this capability it
// meets the folder's mode as anyone would (this thread only, while alive).
class WithoutModeOverride
{
public:
    WithoutModeOverride() { set(false); }
    ~WithoutModeOverride() { set(true); }
    WithoutModeOverride(const WithoutModeOverride &) = delete;
    WithoutModeOverride &operator=(const WithoutModeOverride &) = delete;

private:
    static void set(bool on);
};

// Collects every Qt message while alive.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    QStringList messages() const;
    // The program's own, without the toolkit's notes about unfinished forms and the platform.
    QStringList ownMessages() const;
    void clear();
};
// The program's own messages while run runs.
QStringList ownMessagesDuring(const std::function<void()> &run);

} // namespace TestSupport

#endif // TESTSUPPORT_H
