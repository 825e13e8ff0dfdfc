#ifndef MAINWINDOWPROBE_H
#define MAINWINDOWPROBE_H

#include "forms/addnew.h"
#include "forms/dosetting.h"
#include "mainwindow/mainwindow.h"
#include "store/expensebook.h"

#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>

// Reaches the main window's private state for tests.
class MainWindowProbe
{
public:
    explicit MainWindowProbe(MainWindow &w) : w(w) {}

    QStandardItemModel *model() const { return w.tableModel; }
    QTableView *view() const { return w.findChild<QTableView *>(QStringLiteral("tableViewMain")); }
    QMenu *menu() const { return w.popMenu; }
    AddNew *addNewForm() const { return w.addNewForm; }
    DoSetting *settingForm() const { return w.settingForm; }
    ExpenseBook &book() const { return *w.book; }
    void refreshTable() { w.refreshTable(); }
    // The whole table rebuilt after every change, as the reference for the row-by-row way.
    void rebuildOnChange(bool on) { w.tableRows.rebuildOnChange = on; }

private:
    MainWindow &w;
};

#endif // MAINWINDOWPROBE_H
