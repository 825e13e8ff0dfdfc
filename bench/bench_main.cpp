// Times start-up and the table's refresh on generated books of growing size.
// Usage: tobrell_bench [records ...]   (default 1000 10000 100000)

#include "bench.h"
#include "bench_chart.h"

#include "globals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVector>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Bench {

static QVector<Step> &steps()
{
    static QVector<Step> list;
    return list;
}

Registrar::Registrar(const QString &name, std::function<void(MainWindow &)> run)
{
    steps().append({name, std::move(run)});
}

} // namespace Bench

static Bench::Registrar refreshStep(QStringLiteral("further refresh"),
                                    [](MainWindow &w) { MainWindowProbe::refreshTable(w); });
static Bench::Registrar sortStep(QStringLiteral("date sort of an ordered book"),
                                 [](MainWindow &w) { MainWindowProbe::sortMoneyList(w, 0); });
// What an added record costs the table: one record, oldest of all, then the refresh.
static Bench::Registrar appendStep(QStringLiteral("one record appended + refresh"), [](MainWindow &w) {
    TableMoney record;
    record.type = QStringLiteral("其他");
    record.name = QStringLiteral("bench");
    record.price = QStringLiteral("1");
    record.date = QStringLiteral("2000-01-01");
    record.MyID = MainWindowProbe::sortMoneyList(w, 1);
    moneyMutex->lock();
    moneyList->append(record);
    moneyMutex->unlock();
    MainWindowProbe::refreshTable(w);
});

namespace {

QString databasePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("//Tobrell.sqlite3");
}

// A decade of household spending, in random order as a book edited over years would be.
bool writeBook(int records)
{
    QFile::remove(databasePath());
    const QString connection = QStringLiteral("bench-writer");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath());
        if (!db.open())
            return false;
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("create table tablemoneydb(type text, name text, price text, date text, memo text, MyID integer primary key)"))
            && q.exec(QStringLiteral("create table tablesetting(settingname text, settingvalue text)"))
            && q.exec(QStringLiteral("insert into tablesetting values('大类名称', '餐饮,日用品,交通,住房,医疗,其他')"));
        const QStringList types = {QStringLiteral("餐饮"), QStringLiteral("日用品"), QStringLiteral("交通"),
                                   QStringLiteral("住房"), QStringLiteral("医疗"), QStringLiteral("其他")};
        QRandomGenerator random(20240601);
        const QDate first(2015, 1, 1);
        db.transaction();
        q.prepare(QStringLiteral("insert into tablemoneydb values(?, ?, ?, ?, ?, ?)"));
        for (int i = 0; ok && i < records; ++i) {
            q.bindValue(0, types.at(random.bounded(types.size())));
            q.bindValue(1, QStringLiteral("物品%1").arg(random.bounded(5000)));
            q.bindValue(2, QString::number(random.bounded(1, 100000) / 100.0, 'f', 2));
            q.bindValue(3, first.addDays(random.bounded(3650)).toString(QStringLiteral("yyyy-MM-dd")));
            q.bindValue(4, i % 7 == 0 ? QStringLiteral("备注 %1").arg(i) : QString::fromLatin1(""));
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

double elapsedMs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct Timing
{
    double call = 0; // the step itself
    double total = 0; // with the layout and painting it left for the event loop
};

template <typename F>
Timing timed(F step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    Timing t;
    t.call = elapsedMs(timer);
    QCoreApplication::processEvents();
    t.total = elapsedMs(timer);
    return t;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << atoi(argv[i]);
    if (counts.isEmpty())
        counts = {1000, 10000, 100000};

    // Row name -> figure per record count; "call" is the step alone, "+ events" adds the
    // layout and painting it leaves for the event loop (what a person waits for).
    QStringList rowNames = {QStringLiteral("start-up: construct (load + first refresh)"),
                            QStringLiteral("start-up: first show")};
    for (const Bench::Step &s : Bench::steps())
        rowNames << s.name;
    QMap<QString, QMap<int, Timing>> figures;

    for (int records : counts) {
        if (!writeBook(records)) {
            fprintf(stderr, "cannot write a book of %d records\n", records);
            return 1;
        }
        std::unique_ptr<MainWindow> window;
        figures[rowNames[0]][records] = timed([&] { window.reset(new MainWindow); });
        figures[rowNames[1]][records] = timed([&] { window->show(); });
        for (const Bench::Step &s : Bench::steps()) {
            // Best of three: the machine is shared, the best run is the code's own cost.
            Timing best{1e300, 1e300};
            for (int run = 0; run < 3; ++run) {
                const Timing t = timed([&] { s.run(*window); });
                best.call = qMin(best.call, t.call);
                best.total = qMin(best.total, t.total);
            }
            figures[s.name][records] = best;
        }
        window.reset();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    QFile::remove(databasePath());

    QTextStream out(stdout);
    out << qSetFieldWidth(44) << Qt::left << "step (ms: call / + events)" << qSetFieldWidth(20) << Qt::right;
    for (int records : counts)
        out << QStringLiteral("%1 records").arg(records);
    out << qSetFieldWidth(0) << "\n";
    for (const QString &row : rowNames) {
        out << qSetFieldWidth(44) << Qt::left << row << qSetFieldWidth(20) << Qt::right;
        for (int records : counts) {
            const Timing &t = figures[row][records];
            out << QStringLiteral("%1 / %2").arg(t.call, 0, 'f', 1).arg(t.total, 0, 'f', 1);
        }
        out << qSetFieldWidth(0) << "\n";
    }
    out << "\n";
    benchChart(out);
    return 0;
}
