#include "bench_measure.h"
#include "bench_book.h"

#include "support/commanddriver.h"
#include "store/backup.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

using TestSupport::child;

namespace Bench {

const char *const StartUp = "start-up: constructor, load and first refresh (ms)";
const char *const AddRecord = "add one record, end to end (ms)";
const char *const ChangeRecord = "change one record, end to end (ms)";
const char *const DeleteRecord = "delete one record, end to end (ms)";
const char *const RenameCategory = "rename a category of 10 % of records (ms)";
const char *const ChartPress = "one chart press, ten years: 120 bars (ms)";
const char *const ChartPressShort = "one chart press, default three months (ms)";
const char *const Backup = "start-up backup, a new copy (ms)";
const char *const PeakMemory = "peak resident memory (MB)";

double processMemoryMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Time of one step including the layout and painting it leaves to the event loop.
template <typename F>
double timed(F step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

QDate randomDate(QRandomGenerator &random)
{
    return QDate(2015, 1, 1).addDays(random.bounded(3653));
}

} // namespace

QMap<QString, double> measure(int records, int runs)
{
    QMap<QString, double> figures;
    QRandomGenerator random(7);

    std::unique_ptr<MainWindow> window;
    figures[StartUp] = timed([&] { window.reset(new MainWindow); });
    window->setWindowState(Qt::WindowNoState);
    window->resize(1280, 800);
    window->show();
    QCoreApplication::processEvents();

    // The copy made at start-up (already part of the start-up figure), each time into an
    // empty folder so that it is written.
    std::vector<double> backup;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/backups-XXXXXX"));
        backup.push_back(timed([&] {
            backupBook(QSqlDatabase::database(), QCoreApplication::applicationDirPath() + QStringLiteral("//Tobrell.sqlite3"),
                       folder.path(), QDateTime::currentDateTime());
        }));
    }
    figures[Backup] = median(backup);

    ScopedDialogAnswers answers; // a person answering OK
    CommandDriver s(*window, answers);
    const auto rows = [&] { return s.probe().model()->rowCount(); };
    std::vector<double> add, change, remove, rename, chart;

    s.rightClick(-1, QStringLiteral("新增"));
    for (int i = 0; i < runs; ++i) {
        s.fillEntry(QStringLiteral("新物品%1").arg(i), QStringLiteral("12.5"), randomDate(random), QStringLiteral("测试备注"));
        add.push_back(timed([&] { s.pressEntryButton(); }));
    }
    s.entryForm()->close();

    for (int i = 0; i < runs; ++i) {
        s.rightClick(int(random.bounded(rows())), QStringLiteral("修改"));
        child<QDateEdit>(s.entryForm(), "dateEdit_date")->setDate(randomDate(random));
        change.push_back(timed([&] { s.pressEntryButton(); }));
        s.entryForm()->close();
    }

    for (int i = 0; i < runs; ++i) {
        const int row = int(random.bounded(rows()));
        remove.push_back(timed([&] { s.remove(row); }));
    }

    if (records <= 100000) {
        const QStringList names = categories();
        for (int i = 0; i < runs && i < names.size(); ++i) {
            s.rightClick(-1, QStringLiteral("设置"));
            DoSetting *form = s.settingForm();
            auto *list = child<QListView>(form, "listView_setting");
            for (int r = 0; r < list->model()->rowCount(); ++r)
                if (list->model()->index(r, 0).data().toString() == names.at(i))
                    list->setCurrentIndex(list->model()->index(r, 0));
            answers.text(names.at(i) + QStringLiteral("类"));
            child<QPushButton>(form, "pushButton_edit")->click();
            rename.push_back(timed([&] { form->close(); }));
        }
    }

    child<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
    child<QDateEdit>(window.get(), "dateEdit_Start")->setDate(QDate(2015, 1, 1));
    child<QDateEdit>(window.get(), "dateEdit_End")->setDate(QDate(2024, 12, 31));
    QCoreApplication::processEvents();
    auto *button = child<QPushButton>(window.get(), "pushButton_runcharts");
    for (int i = 0; i < runs; ++i)
        chart.push_back(timed([&] { button->click(); }));
    std::vector<double> shortChart;
    child<QDateEdit>(window.get(), "dateEdit_Start")->setDate(QDate(2024, 9, 30));
    for (int i = 0; i < runs; ++i)
        shortChart.push_back(timed([&] { button->click(); }));

    figures[AddRecord] = median(add);
    figures[ChangeRecord] = median(change);
    figures[DeleteRecord] = median(remove);
    if (!rename.empty())
        figures[RenameCategory] = median(rename);
    figures[ChartPress] = median(chart);
    figures[ChartPressShort] = median(shortChart);
    figures[PeakMemory] = processMemoryMb("VmHWM");
    return figures;
}

} // namespace Bench
