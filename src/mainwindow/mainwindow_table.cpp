#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "store/globals.h"
#include "store/moneyorder.h"

#include <QAction>
#include <QDate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMutexLocker>
#include <QHash>
#include <QStyledItemDelegate>
#include <QSignalBlocker>
#include <QStandardItem>
#include <QStandardItemModel>

namespace {
QStringList headerLabels()
{
    return {QStringLiteral("大类名称"), QStringLiteral("物品名称"), QStringLiteral("物品价格"),
            QStringLiteral("购买日期"), QStringLiteral("备注"), QStringLiteral("ID")};
}
QString cellText(const TableMoney &record, int column)
{
    switch (column) {
    case 0: return record.type;
    case 1: return record.name;
    case 2: return record.price;
    case 3: return record.date;
    case 4: return record.memo;
    default: return QString::number(record.MyID);
    }
}

// The items share the record's texts, so a row costs no second copy of them.
QList<QStandardItem *> rowItems(const TableMoney &record)
{
    QList<QStandardItem *> items;
    items.reserve(6);
    for (int column = 0; column < 6; ++column)
        items.append(new QStandardItem(cellText(record, column)));
    return items;
}

// The fitted columns are measured over up to a thousand rows around the visible ones at
// every refresh, and laying out a text is by far the dearest part of it. Their texts
// repeat (categories, memos), and a plain text cell's size depends only on its text and
// the view's font, so each distinct text is laid out once.
class TextSizeCache : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant text = index.data(Qt::DisplayRole);
        if (option.rect.isValid() || text.userType() != QMetaType::QString || hasLookRoles(index))
            return QStyledItemDelegate::sizeHint(option, index);
        if (!(option.font == font) || sizes.size() > 20000) {
            sizes.clear();
            font = option.font;
        }
        const QString key = text.toString();
        auto it = sizes.constFind(key);
        if (it == sizes.constEnd())
            it = sizes.insert(key, QStyledItemDelegate::sizeHint(option, index));
        return it.value();
    }

private:
    static bool hasLookRoles(const QModelIndex &index)
    {
        for (int role : {Qt::DecorationRole, Qt::CheckStateRole, Qt::FontRole, Qt::SizeHintRole,
                         Qt::TextAlignmentRole})
            if (index.data(role).isValid())
                return true;
        return false;
    }

    mutable QHash<QString, QSize> sizes;
    mutable QFont font;
};
} // namespace

void MainWindow::initWidgets()
{
    ui->comboBox_Period->addItem(QStringLiteral("按月"));
    ui->dateEdit_Start->setCalendarPopup(true);
    ui->dateEdit_End->setCalendarPopup(true);
    const QDate today = QDate::currentDate();
    ui->dateEdit_Start->setDate(today.addMonths(-3));
    ui->dateEdit_End->setDate(today);

    TableView *view = ui->tableViewMain;
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setItemDelegate(new TextSizeCache(view));
    // The table only displays: an in-place edit would look saved and be lost at the next refresh.
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);

    tableModel = new QStandardItemModel;
    tableModel->setHorizontalHeaderLabels(headerLabels());

    popMenu = new QMenu(view);
    connect(view, &QWidget::customContextMenuRequested, this, &MainWindow::receivePop);
    connect(popMenu->addAction(QStringLiteral("新增")), &QAction::triggered, this, &MainWindow::addCommand);
    popMenu->addSeparator();
    connect(popMenu->addAction(QStringLiteral("修改")), &QAction::triggered, this, &MainWindow::editCommand);
    popMenu->addSeparator();
    connect(popMenu->addAction(QStringLiteral("删除")), &QAction::triggered, this, &MainWindow::deleteCommand);
    popMenu->addSeparator();
    connect(popMenu->addAction(QStringLiteral("设置")), &QAction::triggered, this, &MainWindow::settingCommand);

    ui->tabWidget->setCurrentIndex(0);
    setWindowTitle(QStringLiteral("家庭支出管理软件"));
}

void MainWindow::refreshTable()
{
    TableView *view = ui->tableViewMain;
    const int rememberedRow = view->currentIndex().row();

    moneyMutex->lock();
    const bool empty = moneyList->isEmpty();
    moneyMutex->unlock();
    if (!empty)
        sortMoneyList(0);

    fillTableRows();
    listInTableOrder = true;
    view->setModel(tableModel);
    dropStaleSelectionModels();
    applyColumnModes();
    restoreSelection(rememberedRow);
    view->show();
}

// Rebuilds the model from moneyList. The view is detached meanwhile: attached, it would
// redo its layout for every inserted row, which grows with the square of the row count.
void MainWindow::fillTableRows()
{
    TableView *view = ui->tableViewMain;
    if (view->model() == tableModel)
        view->setModel(nullptr);

    tableModel->clear();
    tableModel->setHorizontalHeaderLabels(headerLabels());

    moneyMutex->lock();
    for (const TableMoney &record : qAsConst(*moneyList))
        tableModel->appendRow(rowItems(record));
    moneyMutex->unlock();
}

// Every attachment gives the view and its headers a fresh selection model, and Qt leaves
// the old ones to their parents; drop them so repeated refreshes do not pile them up.
void MainWindow::dropStaleSelectionModels()
{
    TableView *view = ui->tableViewMain;
    const QItemSelectionModel *current = view->selectionModel();
    for (QObject *owner : {static_cast<QObject *>(view), static_cast<QObject *>(view->horizontalHeader()),
                           static_cast<QObject *>(view->verticalHeader())}) {
        const auto models = owner->findChildren<QItemSelectionModel *>(QString(), Qt::FindDirectChildrenOnly);
        for (QItemSelectionModel *model : models)
            if (model != current)
                delete model;
    }
}

void MainWindow::applyColumnModes()
{
    QHeaderView *header = ui->tableViewMain->horizontalHeader();
    // A shown header re-measures its fitted columns at every width change; while its
    // updates are off it measures once, afterwards.
    const bool updates = header->updatesEnabled();
    header->setUpdatesEnabled(false);
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(4, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    header->setSectionResizeMode(3, QHeaderView::Interactive);
    header->setSectionResizeMode(5, QHeaderView::Interactive);
    ui->tableViewMain->setColumnWidth(5, 80);
    ui->tableViewMain->setColumnWidth(1, 399);
    ui->tableViewMain->setColumnWidth(2, 118);
    ui->tableViewMain->setColumnWidth(3, 160);
    header->setUpdatesEnabled(updates);
}

// Row 0 first, so a remembered row that no longer exists leaves row 0 selected.
void MainWindow::restoreSelection(int rememberedRow)
{
    ui->tableViewMain->selectRow(0);
    ui->tableViewMain->selectRow(rememberedRow);
}

int MainWindow::sortMoneyList(int mode)
{
    bool reordered = false;
    const int result = sortMoneyRecords(mode, &reordered);
    if (reordered)
        listInTableOrder = false;
    return result;
}

// Whether a change of a few records may touch only their rows: the model is shown and
// still mirrors moneyList row by row. Asked before moneyList changes.
bool MainWindow::tableMirrorsList() const
{
    if (rebuildTableOnChange || !listInTableOrder || ui->tableViewMain->model() != tableModel)
        return false;
    QMutexLocker lock(moneyMutex);
    return tableModel->rowCount() == moneyList->size();
}

// The rows a command changed, in the order it changed moneyList; the result is the table
// a full refresh would build (cells, column modes and widths, selection and current row).
void MainWindow::applyRowChanges(const QVector<RowChange> &changes, int rememberedRow)
{
    // Replaced texts are announced once for all of them: the view re-measures its fitted
    // columns at every announcement, which a rename of thousands of records cannot afford.
    int firstReplaced = -1;
    int lastReplaced = -1;
    const auto announceReplaced = [&] {
        if (firstReplaced < 0)
            return;
        emit tableModel->dataChanged(tableModel->index(firstReplaced, 0), tableModel->index(lastReplaced, 5));
        firstReplaced = lastReplaced = -1;
    };
    for (const RowChange &change : changes) {
        if (change.kind != RowChange::Replace)
            announceReplaced();
        switch (change.kind) {
        case RowChange::Insert:
            tableModel->insertRow(change.row, rowItems(change.record));
            break;
        case RowChange::Remove:
            tableModel->removeRow(change.row);
            break;
        case RowChange::Replace: {
            const QSignalBlocker quiet(tableModel);
            for (int column = 0; column < 6; ++column) {
                QStandardItem *item = tableModel->item(change.row, column);
                const QString text = cellText(change.record, column);
                if (item->text() != text)
                    item->setText(text);
            }
            firstReplaced = firstReplaced < 0 ? change.row : qMin(firstReplaced, change.row);
            lastReplaced = qMax(lastReplaced, change.row);
            break;
        }
        }
    }
    announceReplaced();
    applyColumnModes();
    restoreSelection(rememberedRow);
    ui->tableViewMain->show();
}
