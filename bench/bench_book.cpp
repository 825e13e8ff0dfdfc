#include "bench_book.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

namespace Bench {

QStringList categories()
{
    return {QStringLiteral("餐饮"), QStringLiteral("日用品"), QStringLiteral("交通"), QStringLiteral("住房"),
            QStringLiteral("水电燃气"), QStringLiteral("通讯"), QStringLiteral("服饰"), QStringLiteral("医疗"),
            QStringLiteral("教育"), QStringLiteral("娱乐")};
}

bool writeBook(const QString &path, int records)
{
    QFile::remove(path);
    const QString connection = QStringLiteral("bench-writer");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("create table tablemoneydb(type text, name text, price text, date text, memo text, "
                                   "MyID integer primary key)"))
            && q.exec(QStringLiteral("create table tablesetting(settingname text, settingvalue text)"));
        q.prepare(QStringLiteral("insert into tablesetting values(?, ?)"));
        q.addBindValue(QStringLiteral("大类名称"));
        q.addBindValue(categories().join(QLatin1Char(',')));
        ok = ok && q.exec();

        const QStringList types = categories();
        const QStringList items = {QStringLiteral("大米"), QStringLiteral("牛奶"), QStringLiteral("地铁票"),
                                   QStringLiteral("房租"), QStringLiteral("电费"), QStringLiteral("话费"),
                                   QStringLiteral("外套"), QStringLiteral("感冒药"), QStringLiteral("课本"),
                                   QStringLiteral("电影票"), QStringLiteral("水果"), QStringLiteral("洗衣液")};
        const QStringList memos = {QString::fromLatin1(""), QString::fromLatin1(""), QStringLiteral("超市购买"),
                                   QStringLiteral("网上下单，包邮"), QStringLiteral("和家人一起"),
                                   QStringLiteral("打折促销\n第二件半价")};
        QRandomGenerator random(20240601);
        const QDate first(2015, 1, 1);
        const int days = int(first.daysTo(QDate(2024, 12, 31))) + 1;

        db.transaction();
        q.prepare(QStringLiteral("insert into tablemoneydb values(?, ?, ?, ?, ?, ?)"));
        for (int i = 0; ok && i < records; ++i) {
            const int cents = int(random.bounded(1, 100000));
            QString price;
            switch (random.bounded(3)) {
            case 0: price = QString::number(cents / 100); break;
            case 1: price = QString::number(cents / 10 / 10.0, 'f', 1); break;
            default: price = QString::number(cents / 100.0, 'f', 2); break;
            }
            q.bindValue(0, types.at(int(random.bounded(types.size()))));
            q.bindValue(1, items.at(int(random.bounded(items.size()))) + QString::number(random.bounded(100)));
            q.bindValue(2, price);
            q.bindValue(3, first.addDays(random.bounded(days)).toString(QStringLiteral("yyyy-MM-dd")));
            q.bindValue(4, memos.at(int(random.bounded(memos.size()))));
            q.bindValue(5, i + 1);
            ok = q.exec();
        }
        ok = db.commit() && ok;
        if (!ok)
            fprintf(stderr, "writing the book failed: %s\n", qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace Bench
