#include "mainwindow/mainwindow.h"

#include "store/backup.h"
#include "store/globals.h"
#include "store/moneyreader.h"
#include "store/statements.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

bool MainWindow::loadDatabase()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("//Tobrell.sqlite3");
    if (!QFile::exists(path))
        qDebug().noquote() << "error:db file is not exists";

    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    db.setUserName(QStringLiteral("user"));
    db.setPassword(QStringLiteral("vomtek"));
    statements.reset(new ExpenseStatements(db));
    if (!db.open()) {
        qDebug().noquote() << "Error: Failed to connect database." << sqlErrorText(db.lastError());
        return true;
    }

    // Changes are written only to a book that was read completely: a book read in part
    // (damaged, locked, missing a column) is shown as far as it could be read, but never
    // written, so nothing in it is overwritten from an incomplete copy. When only the
    // settings table failed, the whole expense rows still take changes; the category
    // list, which could overwrite what was not read, does not.
    QStringList readErrors;
    QStringList settingReadErrors;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QList<TableMoney> direct;
    if (readMoneyRowsDirectly(db, direct)) {
        moneyMutex->lock();
        moneyList->append(direct);
        moneyMutex->unlock();
        direct.clear();
        refreshTable();
    } else if (query.exec(QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb"))) {
        // A household's book repeats its texts (ten categories, a few thousand dates, the
        // same shops and prices): equal texts share one string, which keeps a large book
        // small in memory and quick to load.
        QSet<QString> texts;
        const auto text = [&texts](const QVariant &value) {
            const QString read = value.toString();
            return *texts.insert(read);
        };
        while (query.next()) {
            TableMoney record;
            record.type = text(query.value(0));
            record.name = text(query.value(1));
            record.price = text(query.value(2));
            record.date = text(query.value(3));
            record.memo = text(query.value(4));
            record.MyID = query.value(5).toInt();
            moneyMutex->lock();
            moneyList->append(record);
            moneyMutex->unlock();
        }
        // next() also ends on an error, e.g. a damaged page halfway through.
        if (query.lastError().isValid()) {
            readErrors << sqlErrorText(query.lastError());
            qDebug().noquote() << readErrors.last();
        }
        refreshTable();
    } else {
        readErrors << sqlErrorText(query.lastError());
        qDebug().noquote() << readErrors.last();
    }

    if (query.exec(QStringLiteral("select settingname,settingvalue from tablesetting"))) {
        while (query.next()) {
            TableSetting *setting = new TableSetting(this);
            setting->settingname = query.value(0).toString();
            setting->settingvalue = query.value(1).toString();
            settingList->append(setting);
        }
        if (query.lastError().isValid()) {
            settingReadErrors << sqlErrorText(query.lastError());
            qDebug().noquote() << settingReadErrors.last();
        }
    } else {
        settingReadErrors << sqlErrorText(query.lastError());
        qDebug().noquote() << settingReadErrors.last();
    }
    query.finish();

    if (!readErrors.isEmpty())
        statements->refuseChanges(QStringLiteral("the book could not be read completely at start-up (%1); "
                                                 "it is left as it is")
                                      .arg((readErrors + settingReadErrors).join(QStringLiteral("; "))));
    else if (!settingReadErrors.isEmpty())
        statements->refuseSettingChanges(QStringLiteral("the settings table could not be read at start-up (%1); "
                                                        "it is left as it is")
                                             .arg(settingReadErrors.join(QStringLiteral("; "))));
    else {
        // Before anything can change the book. A book read in part is never copied, nor
        // a damaged one, so rotation cannot push out the good copies.
        const BackupResult backup = backupBook(db, path, QCoreApplication::applicationDirPath() + QStringLiteral("/backups"),
                                               QDateTime::currentDateTime());
        if (backup.outcome == BackupResult::Damaged)
            Dialogs::warn(this, QStringLiteral("数据库文件已损坏，本次启动没有备份。以前的备份保存在程序目录的 backups 文件夹中。"));
    }
    return true;
}
