#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QUuid>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace TestSupport {

QString databasePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("//Tobrell.sqlite3");
}

static QString schemaPath()
{
    const QByteArray env = qgetenv("TOBRELL_SEED_SQL");
    return env.isEmpty() ? QStringLiteral(TOBRELL_SEED_SQL_DEFAULT) : QString::fromLocal8Bit(env);
}

QString backupsPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/backups");
}

// An earlier window's connection keeps the book open; Windows does not delete or
// replace an open file, so it is closed first. Elsewhere the connection stays: a book
// replaced under a running window is one of the faults tested.
static void releaseBook(const QString &path)
{
#ifdef Q_OS_WIN
    bool same;
    {
        const QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, false);
        same = db.isValid() && QFileInfo(db.databaseName()) == QFileInfo(path);
    }
    if (same)
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
#else
    Q_UNUSED(path)
#endif
}

void removeBook()
{
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    if (QFileInfo(databasePath()).isDir())
        QDir(databasePath()).removeRecursively();
    QFile::remove(databasePath());
    QFile::remove(databasePath() + QStringLiteral("-journal"));
}

Connection::Connection(const QString &path, Open mode) : name(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (mode == Open::ReadOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    db.open();
}

Connection::~Connection()
{
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase Connection::db() const
{
    return QSqlDatabase::database(name, false);
}

bool execSql(const QString &path, const QStringList &statements)
{
    Connection c(path);
    if (!c.db().isOpen())
        return false;
    QSqlQuery q(c.db());
    bool ok = true;
    for (const QString &s : statements) {
        if (!s.trimmed().isEmpty() && !q.exec(s)) {
            qWarning("TestSupport: %s failed: %s", qPrintable(s), qPrintable(q.lastError().text()));
            ok = false;
        }
    }
    return ok;
}

bool insertRecords(const QString &path, const QList<QStringList> &rows)
{
    const auto quoted = [](const QString &s) { return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); };
    QStringList sql{QStringLiteral("begin")};
    for (const QStringList &r : rows) {
        Q_ASSERT(r.size() == 6);
        sql << QStringLiteral("insert into tablemoneydb(type,name,price,date,memo,MyID) values(%1,%2,%3,%4,%5,%6)")
                   .arg(quoted(r.at(0)), quoted(r.at(1)), quoted(r.at(2)), quoted(r.at(3)), quoted(r.at(4)), r.at(5));
    }
    return execSql(path, sql << QStringLiteral("commit"));
}

bool writeDamagedBook(const QString &path, int count)
{
    QList<QStringList> rows;
    for (int id = 1; id <= count; ++id)
        rows << QStringList{QStringLiteral("吃饭"), QStringLiteral("午饭%1").arg(id), QStringLiteral("12.5"),
                            QStringLiteral("2024-01-01"), QString(), QString::number(id)};
    if (!insertRecords(path, rows))
        return false;
    const int root = queryRows(path, QStringLiteral("select rootpage from sqlite_master where name = 'tablemoneydb'"))
                         .value(0).value(0).toInt();
    QByteArray book = readFile(path);
    const auto number = [&book](int at, int size) { return int(book.mid(at, size).toHex().toUInt(nullptr, 16)); };
    const int pageSize = number(16, 2);
    const int interior = (root - 1) * pageSize;
    if (book.at(interior) != char(0x05)) // an interior table page over the leaves
        return false;
    const int middle = number(interior + 12 + 2 * (number(interior + 3, 2) / 2), 2);
    const int leaf = (number(interior + middle, 4) - 1) * pageSize;
    if (book.at(leaf) != char(0x0d))
        return false;
    const int pointers = leaf + 8 + 2 * (number(leaf + 3, 2) / 2);
    const QByteArray two = book.mid(pointers, 4);
    book.replace(pointers, 4, two.mid(2, 2) + two.left(2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(book) == book.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

OpenedLoad OpenedBook::open(const QDateTime &now)
{
    close();
    book.reset(new ExpenseBook);
    OpenedLoad opened;
    static_cast<BookLoad &>(opened) = book->load(QCoreApplication::applicationDirPath(), &owner);
    opened.damaged = book->takeStartUpBackup(now);
    return opened;
}

void OpenedBook::close()
{
    book.reset();
    qDeleteAll(owner.children());
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

QList<QStringList> memoryRows(const ExpenseBook &book)
{
    QList<QStringList> rows;
    for (const TableMoney &m : book.records())
        rows << fields(m);
    return rows;
}

QList<int> keys(const ExpenseBook &book)
{
    QList<int> ids;
    for (const TableMoney &m : book.records())
        ids << m.MyID;
    return ids;
}

QString categorySetting(const ExpenseBook &book)
{
    QString value;
    book.findSetting(QStringLiteral("大类名称"), &value);
    return value;
}

QList<TableMoney> datedRecords(const QStringList &entries)
{
    QList<TableMoney> list;
    for (const QString &entry : entries)
        list << TableMoney{QStringLiteral("餐饮"), QStringLiteral("item %1").arg(list.size() + 1), entry.section(QLatin1Char('|'), 1),
                           entry.section(QLatin1Char('|'), 0, 0), QString(), qint32(list.size() + 1)};
    return list;
}

QStringList fields(const TableMoney &r)
{
    return {r.type, r.name, r.price, r.date, r.memo, QString::number(r.MyID)};
}

QStringList column(const QList<QStringList> &rows, int index)
{
    QStringList values;
    for (const QStringList &row : rows)
        values << row.value(index);
    return values;
}

QList<QStringList> queryRows(const QString &path, const QString &sql, Open mode)
{
    Connection c(path, mode);
    QList<QStringList> rows;
    QSqlQuery q(c.db());
    if (c.db().isOpen() && !q.exec(sql))
        qWarning("TestSupport: %s failed: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    while (q.isActive() && q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << (q.value(i).isNull() ? QStringLiteral("<NULL>") : q.value(i).toString());
        rows << row;
    }
    return rows;
}

QList<QStringList> storedRows(const QString &path)
{
    return queryRows(path, QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb order by date, MyID"));
}

QString storedCategories(const QString &path)
{
    const auto rows = queryRows(path, QStringLiteral("select settingvalue from tablesetting where settingname='大类名称'"));
    return rows.isEmpty() ? QString() : rows.first().first();
}

bool createDatabase(const QString &path, const QString &categories)
{
    releaseBook(path);
    QFile::remove(path);
    QFile schema(schemaPath());
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    QStringList statements;
    for (const QString &s : QString::fromUtf8(schema.readAll()).split(QLatin1Char(';'))) {
        QString body;
        for (const QString &line : s.split(QLatin1Char('\n')))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                body += line + QLatin1Char('\n');
        if (body.trimmed().isEmpty())
            continue;
        if (!categories.isNull() && body.contains(QLatin1String("INSERT INTO tablesetting")))
            body = QStringLiteral("INSERT INTO tablesetting (settingname, settingvalue) VALUES ('大类名称', '%1')")
                       .arg(QString(categories).replace(QLatin1Char('\''), QLatin1String("''")));
        statements << body;
    }
    return execSql(path, statements);
}

static QMutex captureMutex;
static QStringList captured;
static QtMessageHandler previous = nullptr;
static int captureDepth = 0;

static void captureHandler(QtMsgType, const QMessageLogContext &, const QString &msg)
{
    QMutexLocker lock(&captureMutex);
    captured << msg;
}

MessageCapture::MessageCapture()
{
    QMutexLocker lock(&captureMutex);
    if (captureDepth++ == 0) {
        captured.clear();
        previous = qInstallMessageHandler(captureHandler);
    }
}

MessageCapture::~MessageCapture()
{
    QMutexLocker lock(&captureMutex);
    if (--captureDepth == 0)
        qInstallMessageHandler(previous);
}

QStringList MessageCapture::messages() const
{
    QMutexLocker lock(&captureMutex);
    return captured;
}

QStringList MessageCapture::ownMessages() const
{
    QStringList own;
    for (const QString &m : messages())
        if (!m.startsWith(QLatin1String("QMetaObject::connectSlotsByName")) && !m.startsWith(QLatin1String("This plugin")))
            own << m;
    return own;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&captureMutex);
    captured.clear();
}

QStringList ownMessagesDuring(const std::function<void()> &run)
{
    MessageCapture capture;
    run();
    return capture.ownMessages();
}

void WithoutModeOverride::set(bool on)
{
#ifndef Q_OS_LINUX
    Q_UNUSED(on) // Windows has no such override: a read-only folder takes new files anyway
#else
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    const quint32 bit = 1u << CAP_DAC_OVERRIDE;
    data[0].effective = on ? (data[0].effective | (data[0].permitted & bit)) : (data[0].effective & ~bit);
    ::syscall(SYS_capset, &header, data);
#endif
}

} // namespace TestSupport
