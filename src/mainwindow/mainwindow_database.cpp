#include "mainwindow/mainwindow.h"

#include "store/expensebook.h"
#include "ui/dialogs.h"

#include <QCoreApplication>

bool MainWindow::loadDatabase()
{
    // The table is filled as soon as the expense rows are in; a table whose rows could
    // not be read at all keeps no model, as after a failed open.
    const BookLoad loaded = book->load(QCoreApplication::applicationDirPath(), this, [this] { refreshTable(); });
    if (loaded.damaged)
        Dialogs::warn(this, QStringLiteral("数据库文件已损坏，本次启动没有备份。以前的备份保存在程序目录的 backups 文件夹中。"));
    return true;
}
