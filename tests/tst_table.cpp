#include "support/mainwindowprobe.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QtTest>

#include <memory>

using namespace TestSupport;

namespace {

struct Row
{
    QString date;
    int MyID;
};

TableMoney record(const QString &date, int MyID)
{
    return {QStringLiteral("餐饮"), QStringLiteral("item %1").arg(MyID), QStringLiteral("%1.50").arg(MyID), date,
            QStringLiteral("line one\nline two"), MyID};
}

} // namespace

Q_DECLARE_METATYPE(Row)

class TestTable : public QObject
{
    Q_OBJECT
private slots:
    void init() { removeBook(); }
    void cleanup()
    {
        window.reset();
        removeBook();
    }

    void rowsShowTheRecordsInDateOrder();
    void selectionAfterRefresh_data();
    void selectionAfterRefresh();
    void emptyBook_data();
    void emptyBook();
    void columnsAfterRefresh();
    void sameModelAndNoPileUp();
    void readOnly();
    void paintsAsPlainCells();
    void contextMenu();

private:
    void startWith(const QList<Row> &rows);
    QTableView *view() { return MainWindowProbe(*window).view(); }
    ExpenseBook &book() { return MainWindowProbe(*window).book(); }
    std::unique_ptr<MainWindow> window;
};

void TestTable::startWith(const QList<Row> &rows)
{
    QVERIFY(createDatabase(databasePath(), "餐饮,交通"));
    QList<QStringList> records;
    for (const Row &r : rows)
        records << fields(record(r.date, r.MyID));
    QVERIFY(insertRecords(databasePath(), records));
    window.reset(new MainWindow);
}

// Row i shows record i, every column, in date order from the first refresh on.
void TestTable::rowsShowTheRecordsInDateOrder()
{
    startWith({{"2023-03-01", 1}, {"2021-05-05", 2}, {"2022-01-31", 3}});
    QCOMPARE(keys(book()), (QList<int>{2, 3, 1}));
    QCOMPARE(WidgetChecks::cells(view()->model()), memoryRows(book()));
}

void TestTable::selectionAfterRefresh_data()
{
    QTest::addColumn<int>("selected"); // -1: no current row
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("shownKey");
    // Book: keys 1..4 on four ascending dates.
    QTest::newRow("earlier record added: same row number, another record") << 2 << "add-oldest" << 2 << 2;
    QTest::newRow("later record added") << 2 << "add-newest" << 2 << 3;
    QTest::newRow("last row deleted: row 0") << 3 << "delete-last" << 0 << 1;
    QTest::newRow("no current row: row 0") << -1 << "none" << 0 << 1;
    QTest::newRow("unchanged book keeps the row") << 1 << "none" << 1 << 2;
}

void TestTable::selectionAfterRefresh()
{
    QFETCH(int, selected);
    QFETCH(QString, change);
    QFETCH(int, current);
    QFETCH(int, shownKey);
    startWith({{"2022-01-01", 1}, {"2022-01-02", 2}, {"2022-01-03", 3}, {"2022-01-04", 4}});
    QVERIFY(WidgetChecks::showExposed(window.get()));

    if (selected < 0)
        view()->selectionModel()->clear();
    else
        view()->selectRow(selected);

    if (change == "add-oldest")
        QVERIFY(book().add(record("2021-12-31", 5)).saved);
    else if (change == "add-newest")
        QVERIFY(book().add(record("2023-01-01", 5)).saved);
    else if (change == "delete-last")
        QVERIFY(book().remove(4).saved);
    MainWindowProbe(*window).refreshTable();

    QCOMPARE(view()->currentIndex().row(), current);
    QCOMPARE(view()->selectionModel()->selectedRows(), QModelIndexList{view()->model()->index(current, 0)});
    QCOMPARE(view()->model()->index(current, 5).data().toString(), QString::number(shownKey));
}

void TestTable::emptyBook_data()
{
    QTest::addColumn<bool>("file");
    QTest::newRow("empty book") << true;
    QTest::newRow("no book file: not even a header row") << false;
}

void TestTable::emptyBook()
{
    QFETCH(bool, file);
    if (!file) {
        window.reset(new MainWindow);
        QVERIFY(view()->model() != MainWindowProbe(*window).model());
        QCOMPARE(view()->horizontalHeader()->count(), 0);
        return;
    }
    startWith({});
    QCOMPARE(view()->model(), MainWindowProbe(*window).model());
    QCOMPARE(view()->model()->rowCount(), 0);
    QStringList headers;
    for (int c = 0; c < view()->model()->columnCount(); ++c)
        headers << view()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"大类名称", "物品名称", "物品价格", "购买日期", "备注", "ID"}));
    QVERIFY(!view()->currentIndex().isValid());
    QVERIFY(!view()->selectionModel()->hasSelection());
}

void TestTable::columnsAfterRefresh()
{
    startWith({{"2022-01-01", 1}, {"2022-01-02", 2}});
    QVERIFY(WidgetChecks::showExposed(window.get()));
    QHeaderView *header = view()->horizontalHeader();
    // A width the user dragged returns to its fixed value at the next refresh.
    header->resizeSection(1, 250);
    MainWindowProbe(*window).refreshTable();

    const QList<QHeaderView::ResizeMode> modes{QHeaderView::ResizeToContents, QHeaderView::Interactive,
                                               QHeaderView::Interactive, QHeaderView::Interactive,
                                               QHeaderView::ResizeToContents, QHeaderView::Interactive};
    for (int c = 0; c < 6; ++c)
        QCOMPARE(header->sectionResizeMode(c), modes.at(c));
    QCOMPARE((QList<int>{header->sectionSize(1), header->sectionSize(2), header->sectionSize(3), header->sectionSize(5)}),
             (QList<int>{399, 118, 160, 80}));
    QCOMPARE(view()->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view()->selectionMode(), QAbstractItemView::SingleSelection);
}

void TestTable::sameModelAndNoPileUp()
{
    startWith({{"2022-01-01", 1}, {"2022-01-02", 2}, {"2022-01-03", 3}});
    window->show();
    QStandardItemModel *model = MainWindowProbe(*window).model();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(book().remove(3).saved); // the new record takes its key again
        QVERIFY(book().add(record("2022-02-01", 10 + i)).saved);
        MainWindowProbe(*window).refreshTable();
        QCOMPARE(view()->model(), model);
    }
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(2, 1).data().toString(), QString("item 14"));
    // One selection model in use, none left over from earlier refreshes.
    int selectionModels = 0;
    for (QObject *owner : {static_cast<QObject *>(view()), static_cast<QObject *>(view()->horizontalHeader()),
                           static_cast<QObject *>(view()->verticalHeader())})
        selectionModels += owner->findChildren<QItemSelectionModel *>(QString(), Qt::FindDirectChildrenOnly).size();
    QCOMPARE(selectionModels, 1);
}

void TestTable::readOnly()
{
    startWith({{"2022-01-01", 1}});
    QVERIFY(WidgetChecks::showExposed(window.get()));
    const QModelIndex cell = view()->model()->index(0, 1);
    const QPoint centre = view()->visualRect(cell).center();
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centre);
    QTest::keyClick(view(), Qt::Key_F2);
    QTest::keyClicks(view(), "typed");
    QVERIFY(!view()->isPersistentEditorOpen(cell));
    QVERIFY(view()->findChildren<QLineEdit *>().isEmpty());
    QCOMPARE(cell.data().toString(), QString("item 1"));
    QCOMPARE(view()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// The cells' delegate leaves a clip on the painter for the grid's sake; the picture must be
// the one plain cells give, grid lines and selection included.
void TestTable::paintsAsPlainCells()
{
    QList<Row> rows;
    for (int i = 1; i <= 60; ++i)
        rows << Row{QStringLiteral("2022-01-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')), i};
    startWith(rows);
    QVERIFY(WidgetChecks::showExposed(window.get()));
    view()->selectRow(2);
    const QImage drawn = view()->grab().toImage();
    QAbstractItemDelegate *own = view()->itemDelegate();
    QStyledItemDelegate plain;
    view()->setItemDelegate(&plain);
    const QImage expected = view()->grab().toImage();
    view()->setItemDelegate(own);
    QCOMPARE(drawn, expected);
}

void TestTable::contextMenu()
{
    startWith({});
    QMenu *menu = MainWindowProbe(*window).menu();
    QVERIFY(menu);
    QCOMPARE(menu->parent(), view());
    QCOMPARE(view()->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(WidgetChecks::menuEntries(menu, "-"), (QStringList{"新增", "-", "修改", "-", "删除", "-", "设置"}));
    QVERIFY(QObject::disconnect(view(), &QWidget::customContextMenuRequested, window.get(), &MainWindow::receivePop));
}

QTEST_MAIN(TestTable)
#include "tst_table.moc"
