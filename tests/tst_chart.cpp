#include "support/mainwindowprobe.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsTextItem>
#include <QLayout>
#include <QPushButton>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QValueAxis>
#include <QtTest>

using TestSupport::child;

QT_CHARTS_USE_NAMESPACE

class TestChart : public QObject
{
    Q_OBJECT
private slots:
    void init() { TestSupport::removeBook(); }
    void cleanup()
    {
        window.reset();
        TestSupport::removeBook();
    }
    void bars_data();
    void bars();
    void periodHasNoEffect();
    void appearance();
    void oneViewAfterPresses();
    void viewFollowsPage();
    void pressMovesNoControl_data();
    void pressMovesNoControl();

private:
    // A window on a book of "date|price" entries. The range is 2022 unless given.
    void setRecords(const QStringList &entries, const QDate &start = QDate(2022, 1, 1), const QDate &end = QDate(2022, 12, 31));
    void press() { child<QPushButton>(window.get(), "pushButton_runcharts")->click(); }
    // Shown at size on the chart's page.
    void showChartPage(const QSize &size);
    QWidget *host() const { return child<QWidget>(window.get(), "widget_QChart"); }
    QList<QChartView *> views() const { return host()->findChildren<QChartView *>(); }
    // The one chart shown; null for none or several.
    QChart *chart() const { return views().size() == 1 ? views().first()->chart() : nullptr; }
    QBarSeries *series() const
    {
        return chart() && chart()->series().size() == 1 ? qobject_cast<QBarSeries *>(chart()->series().first()) : nullptr;
    }
    QList<qreal> barValues() const
    {
        QList<qreal> values;
        for (int i = 0; series() && series()->barSets().size() == 1 && i < series()->barSets().first()->count(); ++i)
            values << series()->barSets().first()->at(i);
        return values;
    }
    template<typename Axis> Axis *axis(Qt::Orientation o) const
    {
        return chart() && chart()->axes(o).size() == 1 ? qobject_cast<Axis *>(chart()->axes(o).first()) : nullptr;
    }
    QStringList categories() const
    {
        auto *x = axis<QBarCategoryAxis>(Qt::Horizontal);
        return x ? x->categories() : QStringList{QStringLiteral("<no single category axis>")};
    }
    QValueAxis *yAxis() const { return axis<QValueAxis>(Qt::Vertical); }

    std::unique_ptr<MainWindow> window;
};

void TestChart::setRecords(const QStringList &entries, const QDate &start, const QDate &end)
{
    QList<QStringList> rows;
    for (const TableMoney &r : TestSupport::datedRecords(entries))
        rows << TestSupport::fields(r);
    QVERIFY(TestSupport::createDatabase(TestSupport::databasePath()));
    QVERIFY(TestSupport::insertRecords(TestSupport::databasePath(), rows));
    window.reset(new MainWindow);
    child<QDateEdit>(window.get(), "dateEdit_Start")->setDate(start);
    child<QDateEdit>(window.get(), "dateEdit_End")->setDate(end);
}

void TestChart::showChartPage(const QSize &size)
{
    window->setWindowState(Qt::WindowNoState);
    window->resize(size);
    QVERIFY(WidgetChecks::showExposed(window.get()));
    child<QTabWidget>(window.get(), "tabWidget")->setCurrentWidget(child<QWidget>(window.get(), "tab_2"));
}

void TestChart::bars_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QStringList>("months");
    QTest::addColumn<QList<qreal>>("values");
    QTest::addColumn<qreal>("top"); // of the value axis

    const QDate jan1(2022, 1, 1);
    const QDate dec31(2022, 12, 31);
    QTest::newRow("records on the start and end dates count")
        << QStringList{"2022-02-28|1", "2022-03-01|2", "2022-05-31|4", "2022-06-01|8"}
        << QDate(2022, 3, 1) << QDate(2022, 5, 31)
        << QStringList{"2022-03", "2022-05"} << QList<qreal>{2, 4} << qreal(504);
    QTest::newRow("one month of 120.5")
        << QStringList{"2022-03-01|100", "2022-03-02|20.5"} << jan1 << dec31
        << QStringList{"2022-03"} << QList<qreal>{120.5} << qreal(620.5);
    QTest::newRow("largest month decides the axis")
        << QStringList{"2022-03-01|100", "2022-04-01|2000", "2022-05-01|7"} << jan1 << dec31
        << QStringList{"2022-03", "2022-04", "2022-05"} << QList<qreal>{100, 2000, 7} << qreal(2500);
    QTest::newRow("no month in range")
        << QStringList{"2019-03-01|100"} << jan1 << dec31 << QStringList() << QList<qreal>() << qreal(500);
}

// The bars and the value axis over them.
void TestChart::bars()
{
    QFETCH(QStringList, entries);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QStringList, months);
    QFETCH(QList<qreal>, values);
    QFETCH(qreal, top);

    setRecords(entries, start, end);
    press();
    QVERIFY(series());
    QCOMPARE(barValues(), values);
    QCOMPARE(categories(), months);
    QValueAxis *axis = yAxis();
    QVERIFY(axis);
    QCOMPARE(axis->min(), qreal(0));
    QCOMPARE(axis->max(), top);
    QCOMPARE(axis->tickCount(), 6);
    QCOMPARE(axis->labelFormat(), QStringLiteral("%d"));
    // The press may reorder the book but never changes its content.
    QCOMPARE(MainWindowProbe(*window).book().count(), entries.size());
}

void TestChart::periodHasNoEffect()
{
    setRecords({"2022-03-01|1", "2022-04-01|2", "2023-01-01|4"}, QDate(2022, 1, 1), QDate(2023, 12, 31));
    auto *period = child<QComboBox>(window.get(), "comboBox_Period");

    press();
    const QStringList monthsBefore = categories();
    const QList<qreal> valuesBefore = barValues();
    QCOMPARE(monthsBefore.size(), 3);

    period->addItem(QStringLiteral("按年"));
    period->setCurrentIndex(period->count() - 1);
    press();
    QCOMPARE(categories(), monthsBefore);
    QCOMPARE(barValues(), valuesBefore);
}

void TestChart::appearance()
{
    setRecords({"2022-03-01|12"});
    press();

    QChart *c = chart();
    QVERIFY(c);
    QCOMPARE(c->title(), QStringLiteral("统计图表"));
    QCOMPARE(c->animationOptions(), QChart::AnimationOptions(QChart::SeriesAnimations));
    QCOMPARE(c->theme(), QChart::ChartThemeLight);
    QCOMPARE(c->legend()->alignment(), Qt::Alignment(Qt::AlignBottom));

    QBarSeries *s = series();
    QVERIFY(s);
    QVERIFY(s->isLabelsVisible());
    QCOMPARE(s->labelsPosition(), QAbstractBarSeries::LabelsOutsideEnd);
    QBarSet *set = s->barSets().first();
    QCOMPARE(set->label(), QStringLiteral("每个月的金额柱条颜色"));
    QCOMPARE(set->labelColor(), QColor(Qt::red));
    QCOMPARE(set->labelFont().weight(), int(QFont::Bold));

    const QList<QAbstractAxis *> horizontal = c->axes(Qt::Horizontal);
    QCOMPARE(horizontal.size(), 1);
    QCOMPARE(horizontal.first()->titleText(), QStringLiteral("月份"));
    QCOMPARE(horizontal.first()->alignment(), Qt::Alignment(Qt::AlignBottom));
    QVERIFY(s->attachedAxes().contains(horizontal.first()));

    QValueAxis *vertical = yAxis();
    QVERIFY(vertical);
    QCOMPARE(vertical->titleText(), QStringLiteral("金额"));
    QCOMPARE(vertical->alignment(), Qt::Alignment(Qt::AlignLeft));
    QVERIFY(s->attachedAxes().contains(vertical));
}

void TestChart::oneViewAfterPresses()
{
    setRecords({"2022-03-01|12"});
    press();
    QCOMPARE(views().size(), 1);
    QPointer<QChartView> first = views().first();
    QPointer<QChart> firstChart = first->chart();

    press();
    QCOMPARE(views().size(), 1);
    QVERIFY(first.isNull());
    QVERIFY(firstChart.isNull());

    // The second view shows the same chart again.
    QCOMPARE(categories(), QStringList{"2022-03"});
    QCOMPARE(barValues(), QList<qreal>{12});
    QVERIFY(host()->layout()->indexOf(views().first()) >= 0);
}

void TestChart::viewFollowsPage()
{
    setRecords({"2022-03-01|12", "2022-04-01|30"});
    showChartPage({900, 600});

    press();
    QChartView *view = views().value(0);
    QVERIFY(view);
    QLayout *layout = host()->layout();
    QTRY_COMPARE(view->geometry(), layout->contentsRect());
    const QSize before = view->size();

    window->resize(1200, 800);
    QTRY_COMPARE(view->geometry(), layout->contentsRect());
    QVERIFY(view->width() > before.width());
    QVERIFY(view->height() > before.height());
}

void TestChart::pressMovesNoControl_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("records in range") << QStringList{"2022-03-01|12", "2022-04-01|30"};
    QTest::newRow("no record in range") << QStringList{"2019-03-01|12"};
}

// A press draws the chart below the controls without moving them, and the month title
// sits under the axis or is not drawn at all.
void TestChart::pressMovesNoControl()
{
    QFETCH(QStringList, entries);
    setRecords(entries);
    showChartPage({1600, 900});
    const auto places = [this] {
        QList<QRect> out;
        for (const char *name : {"label", "dateEdit_Start", "label_2", "dateEdit_End", "label_3", "comboBox_Period",
                                 "pushButton_runcharts"}) {
            auto *w = window->findChild<QWidget *>(QLatin1String(name));
            out << QRect(w->mapTo(window.get(), QPoint()), w->size());
        }
        return out;
    };
    QCoreApplication::processEvents();
    const QList<QRect> before = places();

    press();
    QChartView *view = views().value(0);
    QVERIFY(view);
    QTRY_COMPARE(view->geometry(), host()->layout()->contentsRect());
    QTRY_VERIFY(chart()->plotArea().height() > 100);
    QCOMPARE(places(), before);
    for (const QRect &control : before)
        QVERIFY(view->mapTo(window.get(), QPoint()).y() > control.bottom());

    QGraphicsTextItem *title = nullptr;
    for (QGraphicsItem *item : view->scene()->items()) {
        auto *text = dynamic_cast<QGraphicsTextItem *>(item);
        if (text && text->toPlainText() == QStringLiteral("月份"))
            title = text;
    }
    QVERIFY(title);
    if (title->isVisible()) {
        const QRectF plot = chart()->plotArea();
        const QRectF placed = title->sceneBoundingRect();
        QVERIFY(placed.top() >= plot.bottom());
        QVERIFY(placed.center().x() > plot.left() && placed.center().x() < plot.right());
    }
}

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
