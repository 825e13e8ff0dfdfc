#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "store/expensebook.h"

#include <QFont>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QValueAxis>

#include <algorithm>

QT_CHARTS_USE_NAMESPACE

void MainWindow::on_pushButton_runcharts_clicked()
{
    // The records are kept in date order; only a list reordered behind the table's back is sorted.
    if (!book->inDateOrder())
        sortMoneyList(0);
    const QMap<QString, double> totals = book->monthTotals(ui->dateEdit_Start->date(), ui->dateEdit_End->date());

    auto *barSet = new QBarSet(QStringLiteral("每个月的金额柱条颜色"));
    barSet->setLabelColor(Qt::red);
    QFont labelFont;
    labelFont.setWeight(QFont::Bold);
    barSet->setLabelFont(labelFont);

    QStringList monthLabels;
    QList<double> monthValues;
    for (auto it = totals.constBegin(); it != totals.constEnd(); ++it) {
        barSet->append(it.value());
        monthLabels.append(it.key());
        monthValues.append(it.value());
    }

    auto *series = new QBarSeries;
    series->append(barSet);

    auto *chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(QStringLiteral("统计图表"));
    chart->setAnimationOptions(QChart::SeriesAnimations);

    auto *axisX = new QBarCategoryAxis;
    axisX->append(monthLabels);
    axisX->setTitleText(QStringLiteral("月份"));
    // An axis without categories is not laid out, so its title would land in the corner.
    axisX->setTitleVisible(!monthLabels.isEmpty());
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);

    // Without any month the axis still needs a span; 0 to 500 as for a zero total.
    const double largest = monthValues.isEmpty() ? 0.0 : *std::max_element(monthValues.cbegin(), monthValues.cend());
    auto *axisY = new QValueAxis;
    axisY->setRange(0, largest + 500);
    axisY->setLabelFormat(QStringLiteral("%d"));
    axisY->setTickCount(6);
    axisY->setTitleText(QStringLiteral("金额"));
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);

    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsVisible(true);

    chart->setTheme(QChart::ChartThemeLight);
    chart->legend()->setAlignment(Qt::AlignBottom);

    // One view at a time, held by the page's layout: stacking a new view over
    // the old ones at every press only piles up memory, and a view outside the
    // layout would not follow the window's size.
    const auto oldViews = ui->widget_QChart->findChildren<QChartView *>(QString(), Qt::FindDirectChildrenOnly);
    for (QChartView *old : oldViews)
        delete old;

    auto *view = new QChartView(chart);
    ui->verticalLayout_5->addWidget(view);
    view->show();
}
