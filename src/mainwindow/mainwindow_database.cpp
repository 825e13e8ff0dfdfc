#include "mainwindow.h"

bool MainWindow::loadDatabase()
{
    return true;
}
