#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "forms/addnew.h"
#include "forms/dosetting.h"
#include "forms/formtexts.h"
#include "store/globals.h"
#include "store/moneyorder.h"
#include "store/renamemap.h"
#include "store/statements.h"
#include "ui/dialogs.h"

#include <QCursor>
#include <QDebug>
#include <QSqlError>
#include <QStandardItemModel>

#include <limits>

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
    QMutexLocker lock(moneyMutex);
    return row >= 0 && row < moneyList->size();
}

void MainWindow::warnNoRecord()
{
    Dialogs::warn(this, QStringLiteral("请定位到有效数据区域再点右键！"));
}

// Nothing is changed in memory when the database refused a change: the user is told
// instead, so what the table shows is always what a restart would show.
void MainWindow::reportSaveFailure(const QString &error)
{
    qDebug().noquote() << "Error: failed to save change." << error;
    Dialogs::warn(this, saveFailedText());
}

void MainWindow::prepareCategoryRecord()
{
    // Owned by the window; the forms neither keep nor free it.
    auto *setting = new TableSetting(this);
    for (const TableSetting *entry : qAsConst(*settingList)) {
        if (entry->settingname == FormTexts::categorySetting()) {
            setting->settingname = entry->settingname;
            setting->settingvalue = entry->settingvalue;
        }
    }
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
    moneyMutex->lock();
    currentRecord = moneyList->at(currentRow);
    moneyMutex->unlock();
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
    moneyMutex->lock();
    const TableMoney record = moneyList->at(currentRow);
    moneyMutex->unlock();

    const QString question = QStringLiteral("是否删除：日期为：") + record.date + QStringLiteral("，物品名称为：")
        + record.name + QStringLiteral("。删除这项记录吗？");
    if (!Dialogs::confirm(this, question))
        return;

    const StatementResult result = recordChanged(statements->deleteMoney(record.MyID), record.MyID);
    if (!result.ok) {
        reportSaveFailure(sqlErrorText(result.error));
        return;
    }

    moneyMutex->lock();
    const int before = moneyList->size();
    moneyMutex->unlock();
    qDebug().noquote() << "删除之前的个数" << before;

    const bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    QVector<RowChange> changes;
    moneyMutex->lock();
    for (int i = moneyList->size() - 1; i >= 0; --i) {
        if (moneyList->at(i).MyID == record.MyID) {
            moneyList->removeAt(i);
            changes.append({RowChange::Remove, i, TableMoney()});
        }
    }
    const int after = moneyList->size();
    moneyMutex->unlock();
    qDebug().noquote() << "删除之后的个数" << after;

    if (rowsOnly)
        applyRowChanges(changes, rememberedRow);
    else
        refreshTable();
}

void MainWindow::settingCommand()
{
    prepareCategoryRecord();
    openForm(settingForm, QStringLiteral("设置窗体"));
}

namespace {
// A change replaces the five texts; the key stays.
void takeTexts(TableMoney &record, const TableMoney &from)
{
    record.type = from.type;
    record.name = from.name;
    record.price = from.price;
    record.date = from.date;
    record.memo = from.memo;
}
} // namespace

// Gives every record keyed entity.MyID the received texts, moving a record whose place in
// date order changed. Runs under moneyMutex.
void MainWindow::changeRecords(const TableMoney &entity, QVector<RowChange> &changes)
{
    QVector<int> hits;
    for (int i = 0; i < moneyList->size(); ++i)
        if (moneyList->at(i).MyID == entity.MyID)
            hits.append(i);
    if (hits.size() == 1) {
        const int i = hits.first();
        TableMoney &m = (*moneyList)[i];
        takeTexts(m, entity);
        const bool staysInPlace = (i == 0 || dateOrderLess(moneyList->at(i - 1), m))
            && (i + 1 == moneyList->size() || dateOrderLess(m, moneyList->at(i + 1)));
        if (staysInPlace) {
            changes.append({RowChange::Replace, i, m});
            return;
        }
    }
    // Moved records (or several sharing the key): out of the list, then back in at their places.
    QList<TableMoney> moved;
    for (int k = hits.size() - 1; k >= 0; --k) {
        TableMoney m = moneyList->takeAt(hits.at(k));
        takeTexts(m, entity);
        moved.append(m);
        changes.append({RowChange::Remove, hits.at(k), TableMoney()});
    }
    for (const TableMoney &m : qAsConst(moved)) {
        const int row = dateOrderPlace(*moneyList, m);
        moneyList->insert(row, m);
        changes.append({RowChange::Insert, row, m});
    }
}

void MainWindow::forAddNewOrEdit(QString flag, TableMoney entity)
{
    const bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    QVector<RowChange> changes;
    if (flag == FormTexts::addFlag()) {
        // The next key is one past the largest; a book already at the largest key cannot grow.
        qint64 largest = 0;
        moneyMutex->lock();
        const bool empty = moneyList->isEmpty();
        if (!empty) {
            largest = std::numeric_limits<qint64>::min();
            for (const TableMoney &m : qAsConst(*moneyList))
                largest = qMax<qint64>(largest, m.MyID);
        }
        moneyMutex->unlock();
        const qint64 next = empty ? 1 : largest + 1;
        if (next > std::numeric_limits<qint32>::max()) {
            reportSaveFailure(QStringLiteral("no free MyID left"));
            return;
        }
        entity.MyID = qint32(next);

        const StatementResult result = recordChanged(statements->insertMoney(entity), entity.MyID);
        if (!result.ok) {
            reportSaveFailure(sqlErrorText(result.error));
            return;
        }
        // Straight to its place in date order: the list stays as a full sort leaves it.
        moneyMutex->lock();
        const int row = dateOrderPlace(*moneyList, entity);
        moneyList->insert(row, entity);
        moneyMutex->unlock();
        changes.append({RowChange::Insert, row, entity});
    }
    if (flag == FormTexts::editFlag()) {
        const StatementResult result = recordChanged(statements->updateMoney(entity), entity.MyID);
        if (!result.ok) {
            reportSaveFailure(sqlErrorText(result.error));
            return;
        }
        moneyMutex->lock();
        changeRecords(entity, changes);
        moneyMutex->unlock();
    }
    if (rowsOnly)
        applyRowChanges(changes, rememberedRow);
    else
        refreshTable();
}

void MainWindow::receiveSettingEntity(TableSetting *setting)
{
    const QMap<int, QStringList> history = settingForm->renameHistory;
    const QHash<QString, QString> mapping = renameMapping(history);

    // Records to relabel, by their category when the form was opened.
    QList<TableMoney> relabelled;
    if (!mapping.isEmpty()) {
        QMutexLocker lock(moneyMutex);
        for (const TableMoney &m : qAsConst(*moneyList)) {
            const auto it = mapping.constFind(m.type);
            if (it != mapping.constEnd()) {
                TableMoney copy = m;
                copy.type = it.value();
                relabelled.append(copy);
            }
        }
    }

    bool rowLoaded = false;
    for (const TableSetting *entry : qAsConst(*settingList))
        rowLoaded = rowLoaded || entry->settingname == setting->settingname;
    bool insertedRow = false;
    const StatementResult result = statements->saveCategoryList(setting->settingname, setting->settingvalue,
                                                                relabelled, rowLoaded, &insertedRow);
    if (!result.ok) {
        reportSaveFailure(sqlErrorText(result.error));
        return;
    }

    for (TableSetting *entry : qAsConst(*settingList))
        if (entry->settingname == setting->settingname)
            entry->settingvalue = setting->settingvalue;
    if (insertedRow) {
        auto *entry = new TableSetting(this);
        entry->settingname = setting->settingname;
        entry->settingvalue = setting->settingvalue;
        settingList->append(entry);
    }

    if (history.isEmpty())
        return;

    bool rowsOnly = tableMirrorsList();
    const int rememberedRow = ui->tableViewMain->currentIndex().row();
    QVector<RowChange> changes;
    if (!relabelled.isEmpty()) {
        // Records sharing a key were all overwritten by its statement; memory follows.
        QHash<qint32, TableMoney> stored;
        stored.reserve(relabelled.size());
        for (const TableMoney &m : qAsConst(relabelled))
            stored.insert(m.MyID, m);
        changes.reserve(relabelled.size());
        QMutexLocker lock(moneyMutex);
        for (int i = 0; i < moneyList->size(); ++i) {
            TableMoney &m = (*moneyList)[i];
            const auto it = stored.constFind(m.MyID);
            if (it == stored.constEnd())
                continue;
            // Only a record sharing its key with another can change its date here.
            if (m.date != it.value().date)
                rowsOnly = false;
            m = it.value();
            if (rowsOnly)
                changes.append({RowChange::Replace, i, m});
        }
    }
    if (rowsOnly)
        applyRowChanges(changes, rememberedRow);
    else
        refreshTable();
}
