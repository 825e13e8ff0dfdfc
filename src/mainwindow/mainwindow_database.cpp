#include "mainwindow/mainwindow.h"

#include "store/expensebook.h"
#include "ui/dialogs.h"

#include <QCoreApplication>

bool MainWindow::loadDatabase()
{
    // The table is filled as soon as the expense rows are in; a table whose rows could
    // not be read at all keeps no model, as after a failed open.
    book->load(QCoreApplication::applicationDirPath(), this, [this] { refreshTable(); });
    return true;
}

// Right after the first paint: the copy takes a while with a large book, and the user sees
// the window meanwhile; called once, from the first paint. A change made before this has
// taken the backup already, and the book still answers whether it found damage.
void MainWindow::takeStartUpBackup()
{
    if (book->takeStartUpBackup())
        Dialogs::warn(this, QStringLiteral("数据库文件已损坏，本次启动没有备份。以前的备份保存在程序目录的 backups 文件夹中。"));
    emit startUpBackupDone();
}
