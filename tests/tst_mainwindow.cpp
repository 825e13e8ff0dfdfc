#include "mainwindow/mainwindow.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"

#include <QComboBox>
#include <QDateEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

using namespace TestSupport;

namespace {

// Share of the pixels of rect that lie near the colour.
double shareNear(const QImage &image, const QRect &rect, const QColor &colour)
{
    int near = 0;
    int all = 0;
    for (int y = rect.top(); y <= rect.bottom(); y += 2) {
        for (int x = rect.left(); x <= rect.right(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            ++all;
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++near;
        }
    }
    return all ? double(near) / all : 0;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(createDatabase(databasePath(), "餐饮,交通"));
        window.reset(new MainWindow);
    }
    void cleanupTestCase()
    {
        window.reset();
        removeBook();
    }

    void afterConstruction();
    void widgets_data();
    void widgets();
    void menuBar();
    void chartDefaults();
    void pictures_data();
    void pictures();

private:
    std::unique_ptr<MainWindow> window;
};

void TestMainWindow::afterConstruction()
{
    QCOMPARE(window->windowTitle(), QString("家庭支出管理软件"));
    QVERIFY(window->windowState() & Qt::WindowMaximized);
    auto *tabs = child<QTabWidget>(window.get(), "tabWidget");
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QString("支出的总表"));
    QCOMPARE(tabs->tabText(1), QString("自定义统计图"));
    QCOMPARE(tabs->tabText(2), QString("捐赠"));
    QVERIFY(window->statusBar()->currentMessage().isEmpty());
}

void TestMainWindow::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::newRow("table") << "tableViewMain" << "TableView" << QString();
    QTest::newRow("start") << "dateEdit_Start" << "QDateEdit" << QString();
    QTest::newRow("end") << "dateEdit_End" << "QDateEdit" << QString();
    QTest::newRow("period") << "comboBox_Period" << "QComboBox" << QString();
    QTest::newRow("button") << "pushButton_runcharts" << "QPushButton" << "生成图表";
    QTest::newRow("start label") << "label" << "QLabel" << "开始日期";
    QTest::newRow("end label") << "label_2" << "QLabel" << "结束日期";
    QTest::newRow("period label") << "label_3" << "QLabel" << "周期";
    QTest::newRow("chart area") << "widget_QChart" << "QWidget" << QString();
}

void TestMainWindow::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QWidget *widget = window->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString(widget->metaObject()->className()), className);
    if (!text.isNull())
        QCOMPARE(widget->property("text").toString(), text);
}

void TestMainWindow::menuBar()
{
    const QList<QAction *> entries = window->menuBar()->actions();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0)->text(), QString("表格上点鼠标右键可以管理数据、设置表格"));
    QVERIFY(entries.at(0)->menu());
    QVERIFY(entries.at(0)->menu()->actions().isEmpty());
}

void TestMainWindow::chartDefaults()
{
    const QDate today = QDate::currentDate();
    QCOMPARE(child<QDateEdit>(window.get(), "dateEdit_Start")->date(), today.addMonths(-3));
    QCOMPARE(child<QDateEdit>(window.get(), "dateEdit_End")->date(), today);
    QVERIFY(child<QDateEdit>(window.get(), "dateEdit_Start")->calendarPopup());
    QVERIFY(child<QDateEdit>(window.get(), "dateEdit_End")->calendarPopup());
    auto *period = child<QComboBox>(window.get(), "comboBox_Period");
    QCOMPARE(WidgetChecks::comboItems(period), QStringList{"按月"});
}

void TestMainWindow::pictures_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("first show") << QSize();
    QTest::newRow("resized wider") << QSize(1300, 800);
    QTest::newRow("resized narrower") << QSize(760, 500);
}

void TestMainWindow::pictures()
{
    QFETCH(QSize, size);
    auto *tabs = child<QTabWidget>(window.get(), "tabWidget");
    QWidget *page = child<QWidget>(window.get(), "tab_3");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    tabs->setCurrentIndex(2);
    if (size.isValid()) {
        window->setWindowState(Qt::WindowNoState);
        window->resize(size);
    }
    QCoreApplication::processEvents();

    const QImage image = page->grab().toImage();
    const int half = int(page->width() * 0.5);
    const QRect left(0, 0, half, page->height());
    const QRect right(half, 0, half, page->height());
    QVERIFY(page->width() > 100);
    if (size.isValid())
        QVERIFY(page->width() <= size.width() && page->width() > size.width() - 60);
    QVERIFY2(shareNear(image, left, QColor("#1677ff")) > 0.5, "left half is not the blue picture");
    QVERIFY2(shareNear(image, right, QColor("#07c160")) > 0.5, "right half is not the green picture");
    QVERIFY(shareNear(image, left, QColor("#07c160")) < 0.1);
    QVERIFY(shareNear(image, right, QColor("#1677ff")) < 0.1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
