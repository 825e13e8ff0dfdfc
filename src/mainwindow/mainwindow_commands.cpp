#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "forms/addnew.h"
#include "forms/dosetting.h"
#include "forms/formtexts.h"
#include "store/expensebook.h"
#include "ui/dialogs.h"

#include <QCursor>

QString MainWindow::saveFailedText()
{
    return QStringLiteral("保存失败：本次修改没有写入数据库。");
}

void MainWindow::createForms()
{
    addNewForm = new AddNew(this);
    addNewForm->hide();
    connect(addNewForm, &AddNew::sendEntity, this, &MainWindow::forAddNewOrEdit);
    connect(this, &MainWindow::sendAddOrEditFlagEntity, addNewForm, &AddNew::receiveFlagEntity);
    connect(this, &MainWindow::sendSettingEntity, addNewForm, &AddNew::receiveSettingEntity);

    settingForm = new DoSetting(this);
    settingForm->hide();
    connect(this, &MainWindow::sendSettingEntity, settingForm, &DoSetting::receiveSettingEntity);
    connect(settingForm, &DoSetting::sendSettingEntity, this, &MainWindow::receiveSettingEntity);
}

void MainWindow::receivePop(QPoint pos)
{
    const QModelIndex index = ui->tableViewMain->indexAt(pos);
    if (index.isValid()) {
        currentRow = ui->tableViewMain->selectionModel()->currentIndex().row();
        currentRowValid = true;
    } else {
        currentRowValid = false;
    }
    Dialogs::execMenu(popMenu, QCursor::pos());
}

bool MainWindow::rowIsRecord(int row) const
{
    return book->isRecordRow(row);
}

void MainWindow::warnNoRecord()
{
    Dialogs::warn(this, QStringLiteral("请定位到有效数据区域再点右键！"));
}

// The book has logged why and changed nothing; the user is told.
void MainWindow::warnSaveFailed()
{
    Dialogs::warn(this, saveFailedText());
}

void MainWindow::prepareCategoryRecord()
{
    // Owned by the window; the forms neither keep nor free it.
    auto *setting = new TableSetting(this);
    if (book->findSetting(FormTexts::categorySetting(), &setting->settingvalue))
        setting->settingname = FormTexts::categorySetting();
    emit sendSettingEntity(setting);
}

void MainWindow::openForm(QWidget *form, const QString &title)
{
    form->setWindowFlag(Qt::Window, true);
    form->setWindowTitle(title);
    form->setWindowModality(Qt::ApplicationModal);
    form->resize(800, 600);
    form->show();
}

void MainWindow::addCommand()
{
    prepareCategoryRecord();
    emit sendAddOrEditFlagEntity(FormTexts::addFlag(), TableMoney());
    openForm(addNewForm, QStringLiteral("新增数据窗体"));
}

void MainWindow::editCommand()
{
    if (!currentRowValid || !rowIsRecord(currentRow)) {
        warnNoRecord();
        return;
    }
    prepareCategoryRecord();
    currentRecord = book->recordAt(currentRow);
    emit sendAddOrEditFlagEntity(FormTexts::editFlag(), currentRecord);
    openForm(addNewForm, QStringLiteral("修改数据窗体"));
}

void MainWindow::deleteCommand()
{
    if (!currentRowValid) {
        warnNoRecord();
        return;
    }
    currentRow = ui->tableViewMain->selectionModel() ? ui->tableViewMain->selectionModel()->currentIndex().row() : -1;
    if (!rowIsRecord(currentRow)) {
        warnNoRecord();
        return;
    }
    const TableMoney record = book->recordAt(currentRow);

    const QString question = QStringLiteral("是否删除：日期为：") + record.date + QStringLiteral("，物品名称为：")
        + record.name + QStringLiteral("。删除这项记录吗？");
    if (!Dialogs::confirm(this, question))
        return;

    const bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    const BookChange change = book->remove(record.MyID);
    if (!change.saved) {
        warnSaveFailed();
        return;
    }
    showChanges(rowsOnly, change.rows, rememberedRow);
}

void MainWindow::settingCommand()
{
    prepareCategoryRecord();
    openForm(settingForm, QStringLiteral("设置窗体"));
}

void MainWindow::forAddNewOrEdit(QString flag, TableMoney entity)
{
    const bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    QVector<RowChange> changes;
    if (flag == FormTexts::addFlag()) {
        const BookChange change = book->add(entity);
        if (!change.saved) {
            warnSaveFailed();
            return;
        }
        changes += change.rows;
    }
    if (flag == FormTexts::editFlag()) {
        const BookChange change = book->change(entity);
        if (!change.saved) {
            warnSaveFailed();
            return;
        }
        changes += change.rows;
    }
    showChanges(rowsOnly, changes, rememberedRow);
}

void MainWindow::receiveSettingEntity(TableSetting *setting)
{
    const QMap<int, QStringList> history = settingForm->renameHistory;
    const bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    const BookChange change = book->saveCategoryList(setting->settingname, setting->settingvalue, history, this);
    if (!change.saved) {
        warnSaveFailed();
        return;
    }
    if (history.isEmpty())
        return;
    showChanges(rowsOnly && change.rowsComplete, change.rows, rememberedRow);
}
