#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QObject>
#include <QString>
#include <QStringList>

namespace TestSupport {

// Path of the program's database beside the test executable.
QString databasePath();
// Creates a fresh book at path from the shipped schema (replacing any file there).
bool createDatabase(const QString &path, const QString &categories = QString());
// Runs SQL statements (separated by ';') on the file at path.
bool execSql(const QString &path, const QStringList &statements);

// Rows of a query on the file at path, each value as text ("<NULL>" for NULL).
QList<QStringList> queryRows(const QString &path, const QString &sql);

// The child of parent named name; a missing one stops the test run at once.
template<typename T> T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// Collects every Qt message while alive.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();
    QStringList messages() const;
    void clear();
};

} // namespace TestSupport

#endif // TESTSUPPORT_H
