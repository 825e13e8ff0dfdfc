#include "mainwindow.h"

#include "globals.h"
#include "statements.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
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

    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb"))) {
        while (query.next()) {
            TableMoney record;
            record.type = query.value(0).toString();
            record.name = query.value(1).toString();
            record.price = query.value(2).toString();
            record.date = query.value(3).toString();
            record.memo = query.value(4).toString();
            record.MyID = query.value(5).toInt();
            moneyMutex->lock();
            moneyList->append(record);
            moneyMutex->unlock();
        }
        refreshTable();
    } else {
        qDebug().noquote() << sqlErrorText(query.lastError());
    }

    if (query.exec(QStringLiteral("select settingname,settingvalue from tablesetting"))) {
        while (query.next()) {
            TableSetting *setting = new TableSetting(this);
            setting->settingname = query.value(0).toString();
            setting->settingvalue = query.value(1).toString();
            settingList->append(setting);
        }
    } else {
        qDebug().noquote() << sqlErrorText(query.lastError());
    }
    return true;
}
