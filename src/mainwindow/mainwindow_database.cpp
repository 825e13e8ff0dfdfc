#include "mainwindow/mainwindow.h"

#include "store/expensebook.h"

#include <QCoreApplication>

bool MainWindow::loadDatabase()
{
    // A table whose rows could not be read at all keeps no model, as after a failed open.
    if (book->load(QCoreApplication::applicationDirPath(), this).recordsRead)
        refreshTable();
    return true;
}
