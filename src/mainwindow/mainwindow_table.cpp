#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "store/expensebook.h"

#include <QAction>
#include <QDate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

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
    view->setItemDelegate(TableRows::newTextSizeCache(view));
    // The table only displays: an in-place edit would look saved and be lost at the next refresh.
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);

    tableModel = new QStandardItemModel;
    tableModel->setHorizontalHeaderLabels(TableRows::headerLabels());
    tableRows.attach(tableModel);

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

    if (book->count() > 0)
        sortMoneyList(0);

    fillTableRows();
    tableRows.setInListOrder(true);
    view->setModel(tableModel);
    dropStaleSelectionModels();
    applyColumnModes();
    restoreSelection(rememberedRow);
    view->show();
}

// Rebuilds the model from the book's records. The view is detached meanwhile: attached, it would
// redo its layout for every inserted row, which grows with the square of the row count.
void MainWindow::fillTableRows()
{
    TableView *view = ui->tableViewMain;
    if (view->model() == tableModel)
        view->setModel(nullptr);

    tableModel->clear();
    tableModel->setHorizontalHeaderLabels(TableRows::headerLabels());

    book->readRecords([this](const QList<TableMoney> &records) { TableRows::fillRows(tableModel, records); });
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
    const int result = book->sort(mode, &reordered);
    if (reordered)
        tableRows.setInListOrder(false);
    return result;
}

const QAbstractItemModel *MainWindow::tableShown() const
{
    return ui->tableViewMain->model();
}

bool MainWindow::tableMirrorsList() const
{
    return tableRows.mirrorsList(tableShown(), book->count());
}

void MainWindow::applyRowChanges(const QVector<RowChange> &changes, int rememberedRow)
{
    tableRows.apply(changes);
    applyColumnModes();
    restoreSelection(rememberedRow);
    ui->tableViewMain->show();
}

// rowsOnly: tableMirrorsList() as it was before the records changed.
void MainWindow::showChanges(bool rowsOnly, const QVector<RowChange> &changes, int rememberedRow)
{
    if (rowsOnly)
        applyRowChanges(changes, rememberedRow);
    else
        refreshTable();
}
