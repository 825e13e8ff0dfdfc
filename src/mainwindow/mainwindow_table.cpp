#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

#include <QStandardItemModel>

// Filled in by the expense table work: view set-up, refresh and sorting.
void MainWindow::initWidgets()
{
    ui->tabWidget->setCurrentIndex(0);
    setWindowTitle(QStringLiteral("家庭支出管理软件"));
}

void MainWindow::refreshTable()
{
}

int MainWindow::sortMoneyList(int mode)
{
    return mode == 1 ? 1 : 0;
}
