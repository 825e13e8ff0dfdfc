#include "mainwindow.h"

void MainWindow::on_pushButton_runcharts_clicked()
{
}
