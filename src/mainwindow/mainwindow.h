#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "mainwindow/tablerows.h"
#include "store/tablemoney.h"
#include "store/tablesetting.h"

#include <QMainWindow>
#include <QPoint>
#include <QVector>

#include <memory>

class QAbstractItemModel;
class QMenu;
class ExpenseBook;
class QStandardItemModel;
class AddNew;
class DoSetting;

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void sendAddOrEditFlagEntity(QString flag, TableMoney entity);
    void sendSettingEntity(TableSetting *setting);
    // The start-up backup is done (or none was due), and a damaged book was warned of.
    void startUpBackupDone();

public slots:
    void receivePop(QPoint pos);
    void forAddNewOrEdit(QString flag, TableMoney entity);
    void receiveSettingEntity(TableSetting *setting);
    void on_pushButton_runcharts_clicked();

public:
    // Shown when a change could not be written to the database.
    static QString saveFailedText();

private:
    // layout (mainwindow.cpp)
    void paintImages();
    // table (mainwindow_table.cpp)
    void initWidgets();
    void refreshTable();
    int sortMoneyList(int mode);
    void fillTableRows();
    void dropStaleSelectionModels();
    void applyColumnModes();
    void restoreSelection(int rememberedRow);
    // changes of single rows (mainwindow_table.cpp)
    using RowChange = TableRows::Change;
    bool tableMirrorsList() const;
    const QAbstractItemModel *tableShown() const;
    void applyRowChanges(const QVector<RowChange> &changes, int rememberedRow);
    void showChanges(bool rowsOnly, const QVector<RowChange> &changes, int rememberedRow);
    // database (mainwindow_database.cpp)
    bool loadDatabase();
    void takeStartUpBackup();
    // commands (mainwindow_commands.cpp)
    void createForms();
    void addCommand();
    void editCommand();
    void deleteCommand();
    void settingCommand();
    void prepareCategoryRecord();
    void openForm(QWidget *form, const QString &title);
    bool rowIsRecord(int row) const;
    void warnNoRecord();
    void warnSaveFailed();

    QMenu *popMenu = nullptr;
    QStandardItemModel *tableModel = nullptr;
    AddNew *addNewForm = nullptr;
    DoSetting *settingForm = nullptr;
    TableMoney currentRecord;
    Ui::MainWindow *ui = nullptr;
    qint32 currentRow = 0;
    bool currentRowValid = false;
    TableRows tableRows;
    // The book in memory and on disk; the window only shows it and passes changes on.
    std::unique_ptr<ExpenseBook> book;

    // Tests reach the private state through this.
    friend class MainWindowProbe;
};

#endif // MAINWINDOW_H
