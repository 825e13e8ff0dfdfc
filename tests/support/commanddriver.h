#ifndef COMMANDDRIVER_H
#define COMMANDDRIVER_H

#include "support/dialoganswers.h"
#include "support/mainwindowprobe.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <memory>

// Drives the record commands of a main window the way a user does: right-click,
// menu entry, form fields, buttons. Every dialog is answered by DialogAnswers.
class CommandDriver
{
public:
    CommandDriver(MainWindow &w, DialogAnswers &answers) : w(w), answers(answers) {}

    MainWindowProbe probe() const { return MainWindowProbe(w); }
    QTableView *view() const { return probe().view(); }
    AddNew *entryForm() const { return probe().addNewForm(); }
    DoSetting *settingForm() const { return probe().settingForm(); }

    // A right-click on a table row (off the rows when row is not one), choosing entry.
    void rightClick(int row, const QString &entry)
    {
        answers.menu(entry);
        popAt(row);
    }
    // Opens the menu over row (off the rows when row is not one); the answers must be queued already.
    void popAt(int row)
    {
        QPoint pos(-1, -1);
        if (row >= 0 && row < probe().model()->rowCount()) {
            const QModelIndex index = probe().model()->index(row, 0);
            view()->setCurrentIndex(index);
            view()->scrollTo(index);
            pos = view()->visualRect(index).center();
        }
        w.receivePop(pos);
    }

    void fillEntry(const QString &name, const QString &price, const QDate &date = QDate(2024, 3, 5),
                   const QString &memo = QString(), const QString &type = QString())
    {
        AddNew *f = entryForm();
        if (!type.isNull())
            TestSupport::child<QComboBox>(f, "comboBox_type")->setCurrentText(type);
        TestSupport::child<QLineEdit>(f, "lineEdit_name")->setText(name);
        TestSupport::child<QLineEdit>(f, "lineEdit_price")->setText(price);
        TestSupport::child<QDateEdit>(f, "dateEdit_date")->setDate(date);
        TestSupport::child<QPlainTextEdit>(f, "plainTextEdit_memo")->setPlainText(memo);
    }
    void pressEntryButton() { TestSupport::child<QPushButton>(entryForm(), "pushButton_add")->click(); }

    void add(const QString &name, const QString &price)
    {
        rightClick(-1, QStringLiteral("新增"));
        fillEntry(name, price);
        pressEntryButton();
    }
    void changeName(int row, const QString &name)
    {
        rightClick(row, QStringLiteral("修改"));
        TestSupport::child<QLineEdit>(entryForm(), "lineEdit_name")->setText(name);
        pressEntryButton();
    }
    void remove(int row)
    {
        answers.menu(QStringLiteral("删除"));
        answers.button(QMessageBox::Ok);
        popAt(row);
    }
    // Opens the settings form, renames each (from, to) in turn, closes it.
    void renameCategories(const QList<QPair<QString, QString>> &renames)
    {
        rightClick(-1, QStringLiteral("设置"));
        for (const auto &r : renames) {
            auto *list = TestSupport::child<QListView>(settingForm(), "listView_setting");
            int row = -1;
            for (int i = 0; i < list->model()->rowCount(); ++i)
                if (list->model()->index(i, 0).data().toString() == r.first)
                    row = i;
            Q_ASSERT(row >= 0);
            list->setCurrentIndex(list->model()->index(row, 0));
            answers.text(r.second);
            TestSupport::child<QPushButton>(settingForm(), "pushButton_edit")->click();
        }
        settingForm()->close();
    }
    void addCategory(const QString &name)
    {
        rightClick(-1, QStringLiteral("设置"));
        answers.text(name);
        TestSupport::child<QPushButton>(settingForm(), "pushButton_addnew")->click();
        settingForm()->close();
    }

    // The table as shown: type, name, price, date, memo, MyID per row.
    QList<QStringList> tableRows() const { return WidgetChecks::cells(probe().model()); }
    // The records in memory in the same form.
    QList<QStringList> memoryRows() const { return TestSupport::memoryRows(probe().book()); }
    QString categorySetting() const { return TestSupport::categorySetting(probe().book()); }

private:
    MainWindow &w;
    DialogAnswers &answers;
};

// What a test of the window's commands holds; test classes derive from it beside QObject.
class DrivenWindow
{
protected:
    // Fresh answers, installed: before each test.
    void resetAnswers()
    {
        answers = DialogAnswers();
        answers.install();
    }
    // A new window on the book beside the test, shown (at size, when given) and past its
    // start-up backup; any open one goes first.
    void openWindow(const QSize &size = QSize())
    {
        closeWindow();
        window.reset(new MainWindow);
        driver.reset(new CommandDriver(*window, answers));
        if (size.isValid())
            window->resize(size);
        QSignalSpy backedUp(window.get(), &MainWindow::startUpBackupDone);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(!backedUp.isEmpty() || backedUp.wait());
    }
    // A fresh book beside the test with these categories and records, and a window on it.
    void openBook(const QString &categories, const QList<QStringList> &records = {}, const QSize &size = QSize())
    {
        closeWindow();
        QVERIFY(TestSupport::createDatabase(TestSupport::databasePath(), categories));
        QVERIFY(TestSupport::insertRecords(TestSupport::databasePath(), records));
        openWindow(size);
    }
    void closeWindow()
    {
        driver.reset();
        window.reset();
    }
    // After each test: no window, and dialogs shown again rather than answered.
    void endTest()
    {
        closeWindow();
        Dialogs::setResponder(nullptr);
    }

    std::unique_ptr<MainWindow> window;
    DialogAnswers answers;
    std::unique_ptr<CommandDriver> driver;
};

#endif // COMMANDDRIVER_H
