#include "mainwindow/mainwindow.h"

#include "store/expensebook.h"

#include <QCoreApplication>

bool MainWindow::loadDatabase()
{
    // The table is filled as soon as the expense rows are in; a table whose rows could
    // not be read at all keeps no model, as after a failed open.
    book->load(QCoreApplication::applicationDirPath(), this, [this] { refreshTable(); });
    return true;
}
