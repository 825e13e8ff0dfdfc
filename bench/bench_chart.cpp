#include "bench_chart.h"

#include "globals.h"
#include "mainwindow.h"
#include "monthtotals.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTextStream>
#include <QtCharts/QChartView>

#include <algorithm>
#include <vector>

QT_CHARTS_USE_NAMESPACE

namespace {

const QDate firstDay(2015, 1, 1);
const QDate lastDay(2024, 12, 31);

// Ten years of dates, ten categories, prices with 0 to 2 decimals. In date
// order the records are also created in that order, as in a book kept day by
// day; shuffled they lie in memory in random date order.
QList<TableMoney> generate(int count, bool dateOrder)
{
    QRandomGenerator random(20240601);
    const int days = int(firstDay.daysTo(lastDay)) + 1;
    std::vector<int> offsets(count);
    for (int &offset : offsets)
        offset = random.bounded(days);
    if (dateOrder)
        std::sort(offsets.begin(), offsets.end());

    QList<TableMoney> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        TableMoney r;
        r.type = QStringLiteral("类别%1").arg(i % 10);
        r.name = QStringLiteral("物品%1").arg(i);
        const int cents = random.bounded(1, 100000);
        switch (i % 3) {
        case 0: r.price = QString::number(cents / 100); break;
        case 1: r.price = QString::number(cents / 10 / 10.0, 'f', 1); break;
        default: r.price = QString::number(cents / 100.0, 'f', 2); break;
        }
        r.date = firstDay.addDays(offsets[size_t(i)]).toString(QStringLiteral("yyyy-MM-dd"));
        r.MyID = i + 1;
        list.append(r);
    }
    return list;
}

struct Figures
{
    double median = 0;
    double best = 0;
};

template <typename F>
Figures timeRuns(int runs, F &&work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

} // namespace

void benchChart(QTextStream &out)
{
    out << "chart: one press of the chart button (months summed, chart built), range "
        << firstDay.toString(Qt::ISODate) << " to " << lastDay.toString(Qt::ISODate) << ", 120 months\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("records"), 8)
               .arg(QStringLiteral("order"), 11)
               .arg(QStringLiteral("sum ms"), 9)
               .arg(QStringLiteral("press ms"), 10)
               .arg(QStringLiteral("best ms"), 9)
               .arg(QStringLiteral("paint ms"), 9);
    out.flush();

    for (const int count : {10000, 100000}) {
        for (const bool dateOrder : {true, false}) {
            MainWindow window;
            window.setWindowState(Qt::WindowNoState);
            window.resize(1280, 800);
            window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
            window.show();
            QApplication::processEvents();

            const QList<TableMoney> records = generate(count, dateOrder);
            {
                QMutexLocker locker(moneyMutex);
                *moneyList = records;
            }
            window.findChild<QDateEdit *>(QStringLiteral("dateEdit_Start"))->setDate(firstDay);
            window.findChild<QDateEdit *>(QStringLiteral("dateEdit_End"))->setDate(lastDay);
            auto *button = window.findChild<QPushButton *>(QStringLiteral("pushButton_runcharts"));
            auto *host = window.findChild<QWidget *>(QStringLiteral("widget_QChart"));

            const Figures sum = timeRuns(5, [&] {
                QMutexLocker locker(moneyMutex);
                const auto totals = monthTotals(*moneyList, firstDay, lastDay);
                Q_UNUSED(totals)
            });
            // The series animation starts later from the event loop; this is the slot's own time.
            const Figures press = timeRuns(5, [&] { button->click(); });

            // First paint of a fresh chart: lay out and render the view once.
            button->click();
            QChartView *view = host->findChild<QChartView *>();
            QElapsedTimer timer;
            timer.start();
            QApplication::processEvents();
            const QPixmap frame = view->grab();
            const double paint = timer.nsecsElapsed() / 1e6;
            Q_UNUSED(frame)

            out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                       .arg(count, 8)
                       .arg(dateOrder ? QStringLiteral("date") : QStringLiteral("shuffled"), 11)
                       .arg(sum.median, 9, 'f', 2)
                       .arg(press.median, 10, 'f', 2)
                       .arg(press.best, 9, 'f', 2)
                       .arg(paint, 9, 'f', 2);
            out.flush();
        }
    }
}
