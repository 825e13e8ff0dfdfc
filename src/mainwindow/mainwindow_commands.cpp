#include "mainwindow.h"

#include "addnew.h"
#include "dosetting.h"

void MainWindow::createForms()
{
    addNewForm = new AddNew(this);
    addNewForm->hide();
    settingForm = new DoSetting(this);
    settingForm->hide();
}

void MainWindow::receivePop(QPoint pos)
{
    Q_UNUSED(pos)
}

void MainWindow::forAddNewOrEdit(QString flag, TableMoney entity)
{
    Q_UNUSED(flag)
    Q_UNUSED(entity)
}

void MainWindow::receiveSettingEntity(TableSetting *setting)
{
    Q_UNUSED(setting)
}

void MainWindow::addCommand() {}
void MainWindow::editCommand() {}
void MainWindow::deleteCommand() {}
void MainWindow::settingCommand() {}
