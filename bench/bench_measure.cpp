#include "bench_measure.h"
#include "bench_book.h"

#include "addnew.h"
#include "backup.h"
#include "dialogs.h"
#include "dosetting.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

class MainWindowProbe
{
public:
    static QStandardItemModel *model(MainWindow &w) { return w.tableModel; }
    static AddNew *addNewForm(MainWindow &w) { return w.addNewForm; }
    static DoSetting *settingForm(MainWindow &w) { return w.settingForm; }
};

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

namespace {

double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

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

// Answers the menu, the question and the text dialogs the way a person would.
struct Person
{
    QString menuEntry;
    QString text;
    void install()
    {
        Dialogs::setResponder([this](const Dialogs::Request &r) {
            Dialogs::Answer a;
            a.button = QMessageBox::Ok;
            a.menuEntry = menuEntry;
            a.text = text;
            return a;
        });
    }
};

class Session
{
public:
    explicit Session(MainWindow &w) : w(w)
    {
        view = w.findChild<QTableView *>(QStringLiteral("tableViewMain"));
        person.install();
    }
    ~Session() { Dialogs::setResponder(nullptr); }

    // A right-click on row (or below the rows when row < 0) choosing entry.
    void rightClick(int row, const QString &entry)
    {
        QPoint pos(1, view->viewport()->height() - 1);
        if (row >= 0) {
            const QModelIndex cell = MainWindowProbe::model(w)->index(row, 0);
            view->setCurrentIndex(cell);
            view->scrollTo(cell);
            pos = view->visualRect(cell).center();
        }
        person.menuEntry = entry;
        w.receivePop(pos);
    }
    template <typename T> T *child(QWidget *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
    }
    void fillEntry(const QString &name, const QString &price, const QDate &date)
    {
        AddNew *f = MainWindowProbe::addNewForm(w);
        child<QLineEdit>(f, "lineEdit_name")->setText(name);
        child<QLineEdit>(f, "lineEdit_price")->setText(price);
        child<QDateEdit>(f, "dateEdit_date")->setDate(date);
        child<QPlainTextEdit>(f, "plainTextEdit_memo")->setPlainText(QStringLiteral("测试备注"));
    }
    QPushButton *entryButton() { return child<QPushButton>(MainWindowProbe::addNewForm(w), "pushButton_add"); }
    int rows() { return MainWindowProbe::model(w)->rowCount(); }

    MainWindow &w;
    QTableView *view = nullptr;
    Person person;
};

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

    Session s(*window);
    std::vector<double> add, change, remove, rename, chart;

    s.rightClick(-1, QStringLiteral("新增"));
    for (int i = 0; i < runs; ++i) {
        s.fillEntry(QStringLiteral("新物品%1").arg(i), QStringLiteral("12.5"), randomDate(random));
        add.push_back(timed([&] { s.entryButton()->click(); }));
    }
    MainWindowProbe::addNewForm(*window)->close();

    for (int i = 0; i < runs; ++i) {
        s.rightClick(int(random.bounded(s.rows())), QStringLiteral("修改"));
        s.child<QDateEdit>(MainWindowProbe::addNewForm(*window), "dateEdit_date")->setDate(randomDate(random));
        change.push_back(timed([&] { s.entryButton()->click(); }));
        MainWindowProbe::addNewForm(*window)->close();
    }

    for (int i = 0; i < runs; ++i) {
        const int row = int(random.bounded(s.rows()));
        remove.push_back(timed([&] { s.rightClick(row, QStringLiteral("删除")); }));
    }

    if (records <= 100000) {
        const QStringList names = categories();
        for (int i = 0; i < runs && i < names.size(); ++i) {
            s.rightClick(-1, QStringLiteral("设置"));
            DoSetting *form = MainWindowProbe::settingForm(*window);
            auto *list = s.child<QListView>(form, "listView_setting");
            for (int r = 0; r < list->model()->rowCount(); ++r)
                if (list->model()->index(r, 0).data().toString() == names.at(i))
                    list->setCurrentIndex(list->model()->index(r, 0));
            s.person.text = names.at(i) + QStringLiteral("类");
            s.child<QPushButton>(form, "pushButton_edit")->click();
            rename.push_back(timed([&] { form->close(); }));
        }
    }

    window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    window->findChild<QDateEdit *>(QStringLiteral("dateEdit_Start"))->setDate(QDate(2015, 1, 1));
    window->findChild<QDateEdit *>(QStringLiteral("dateEdit_End"))->setDate(QDate(2024, 12, 31));
    QCoreApplication::processEvents();
    auto *button = window->findChild<QPushButton *>(QStringLiteral("pushButton_runcharts"));
    for (int i = 0; i < runs; ++i)
        chart.push_back(timed([&] { button->click(); }));
    std::vector<double> shortChart;
    window->findChild<QDateEdit *>(QStringLiteral("dateEdit_Start"))->setDate(QDate(2024, 9, 30));
    for (int i = 0; i < runs; ++i)
        shortChart.push_back(timed([&] { button->click(); }));

    figures[AddRecord] = median(add);
    figures[ChangeRecord] = median(change);
    figures[DeleteRecord] = median(remove);
    if (!rename.empty())
        figures[RenameCategory] = median(rename);
    figures[ChartPress] = median(chart);
    figures[ChartPressShort] = median(shortChart);
    figures[PeakMemory] = peakResidentMb();
    return figures;
}

} // namespace Bench
