#include "support/commanddriver.h"

#include <QSqlQuery>
#include <QtTest>

using namespace TestSupport;

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class TestCommands : public QObject, DrivenWindow
{
    Q_OBJECT

private:
    void start(const QList<QStringList> &rows) { openBook(QStringLiteral("A,B,C"), rows, {1000, 700}); }
    void restart() { openWindow({1000, 700}); }
    MainWindowProbe probe() { return driver->probe(); }
    QTableView *view() { return driver->view(); }
    QStringList tableColumn(int c) { return column(driver->tableRows(), c); }
    QList<QStringList> fileRows() { return storedRows(databasePath()); }
    // One change of each kind through the window, as a user makes it.
    void runCommand(const QString &command)
    {
        if (command == "add")
            driver->add(QStringLiteral("z"), QStringLiteral("3"));
        else if (command == "change")
            driver->changeName(0, QStringLiteral("changed"));
        else if (command == "delete")
            driver->remove(0);
        else if (command == "rename")
            driver->renameCategories({{"A", QStringLiteral("甲")}});
        else
            driver->addCategory(QStringLiteral("D"));
    }
    QString storedCategories() { return TestSupport::storedCategories(databasePath()); }

private slots:
    void init() { resetAnswers(); }
    void cleanup() { endTest(); }

    void keysOnAnEmptyBook()
    {
        start({});
        driver->rightClick(-1, QStringLiteral("新增"));
        AddNew *f = probe().addNewForm();
        QVERIFY(f->isVisible());
        QCOMPARE(f->windowTitle(), QStringLiteral("新增数据窗体"));
        QCOMPARE(f->windowModality(), Qt::ApplicationModal);
        QVERIFY(f->isWindow());
        QCOMPARE(f->size(), QSize(800, 600));
        driver->fillEntry(QStringLiteral("米"), QStringLiteral("12.5"));
        driver->pressEntryButton();
        driver->pressEntryButton();
        QCOMPARE(tableColumn(5), (QStringList{"1", "2"}));
        QCOMPARE(fileRows().size(), 2);
        QCOMPARE(fileRows().at(1), (QStringList{"A", "米", "12.5", "2024-03-05", "", "2"}));
        QVERIFY(f->isVisible()); // stays open for the next entry
        QVERIFY(answers.warnings().isEmpty());
    }

    void deleteAsksAndLogs_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("ok") << QMessageBox::Ok << true;
        QTest::newRow("cancel") << QMessageBox::Cancel << false;
        QTest::newRow("escape") << QMessageBox::Escape << false;
    }
    void deleteAsksAndLogs()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, deleted);
        start({{"A", "面包", "1", "2024-01-01", "", "1"}, {"B", "牛奶", "2", "2024-01-02", "", "2"}});
        MessageCapture capture;
        answers.menu(QStringLiteral("删除"));
        answers.button(answer);
        driver->popAt(1);
        QCOMPARE(describe(answers.asked.last()), describe({Dialogs::Request::Question, answers.asked.last().parent, "询问",
                                                           "是否删除：日期为：2024-01-02，物品名称为：牛奶。删除这项记录吗？", QString(),
                                                           QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel}));
        QCOMPARE(fileRows().size(), deleted ? 1 : 2);
        QCOMPARE(probe().model()->rowCount(), deleted ? 1 : 2);
        const QStringList logged = capture.messages();
        if (deleted) {
            QVERIFY(logged.contains(QStringLiteral("删除之前的个数 2")));
            QVERIFY(logged.contains(QStringLiteral("删除之后的个数 1")));
        } else {
            QVERIFY(!logged.join('\n').contains(QStringLiteral("删除")));
        }
    }

    void changeAndDeleteNeedARecordRow_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("change") << QStringLiteral("修改");
        QTest::newRow("delete") << QStringLiteral("删除");
    }
    void changeAndDeleteNeedARecordRow()
    {
        QFETCH(QString, entry);
        start({{"A", "x", "1", "2024-01-01", "", "1"}});
        driver->rightClick(-1, entry);
        QCOMPARE(answers.warnings(), QStringList{QStringLiteral("请定位到有效数据区域再点右键！")});
        QCOMPARE(answers.asked.last().title, QStringLiteral("警告"));
        QVERIFY(!probe().addNewForm()->isVisible());
        QCOMPARE(fileRows().size(), 1);
    }

    void changingTheDateMovesTheRowAndKeepsTheKey()
    {
        start({{"A", "早", "1", "2024-01-01", "", "1"}, {"B", "晚", "2", "2024-02-01", "", "2"}});
        driver->rightClick(0, QStringLiteral("修改"));
        AddNew *f = probe().addNewForm();
        QCOMPARE(f->windowTitle(), QStringLiteral("修改数据窗体"));
        QCOMPARE(child<QLineEdit>(f, "lineEdit_name")->text(), QStringLiteral("早"));
        child<QDateEdit>(f, "dateEdit_date")->setDate(QDate(2024, 3, 1));
        driver->pressEntryButton();
        QCOMPARE(tableColumn(1), (QStringList{"晚", "早"}));
        QCOMPARE(tableColumn(5), (QStringList{"2", "1"}));
        QCOMPARE(fileRows().last(), (QStringList{"A", "早", "1", "2024-03-01", "", "1"}));
    }

    void renameRelabelsRecords()
    {
        start({{"A", "x", "1", "2024-01-01", "", "1"}, {"B", "y", "2", "2024-01-02", "", "2"}, {"A", "z", "3", "2024-01-03", "", "3"}});
        driver->renameCategories({{"A", QStringLiteral("甲")}});
        QCOMPARE(probe().settingForm()->windowTitle(), QStringLiteral("设置窗体"));
        QCOMPARE(storedCategories(), QStringLiteral("甲,B,C"));
        QCOMPARE(tableColumn(0), (QStringList{"甲", "B", "甲"}));
        QCOMPARE(column(fileRows(), 0), (QStringList{"甲", "B", "甲"}));
        // The next entry offers the new name.
        driver->rightClick(-1, QStringLiteral("新增"));
        QCOMPARE(child<QComboBox>(probe().addNewForm(), "comboBox_type")->itemText(0), QStringLiteral("甲"));
        restart();
        QCOMPARE(tableColumn(0), (QStringList{"甲", "B", "甲"}));
    }

    void closingWithoutChangeStoresTheListAndKeepsTheTable()
    {
        start({{"A", "x", "1", "2024-01-01", "", "1"}, {"B", "y", "2", "2024-01-02", "", "2"}});
        QVERIFY(execSql(databasePath(), {QStringLiteral("update tablesetting set settingvalue='changed elsewhere'")}));
        driver->rightClick(1, QStringLiteral("设置"));
        QSignalSpy inserted(probe().model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(probe().model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(probe().model(), &QAbstractItemModel::modelReset);
        probe().settingForm()->close();
        QCOMPARE(storedCategories(), QStringLiteral("A,B,C"));
        QCOMPARE(inserted.count() + removed.count() + reset.count(), 0);
        QCOMPARE(view()->currentIndex().row(), 1);
    }

    void deletedCategoryOpensOnTheFirst()
    {
        start({{"B", "x", "1", "2024-01-01", "", "1"}});
        driver->rightClick(-1, QStringLiteral("设置"));
        auto *list = child<QListView>(probe().settingForm(), "listView_setting");
        list->setCurrentIndex(list->model()->index(1, 0)); // B
        answers.button(QMessageBox::Ok);
        child<QPushButton>(probe().settingForm(), "pushButton_del")->click();
        probe().settingForm()->close();
        QCOMPARE(storedCategories(), QStringLiteral("A,C,"));
        QCOMPARE(tableColumn(0), QStringList{"B"}); // deleting a category relabels nothing
        driver->rightClick(0, QStringLiteral("修改"));
        QCOMPARE(child<QComboBox>(probe().addNewForm(), "comboBox_type")->currentText(), QStringLiteral("A"));
    }

    // Trouble at start goes to the log; only a damaged book, whose copy was not kept, is
    // also told once in a box.
    void startUpTrouble_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("backup folder is a file") << "backups" << "Error: backup failed." << QStringList();
        QTest::newRow("book is no database") << "book" << "file is not a database" << QStringList();
        QTest::newRow("damaged book") << "damaged" << "Error: backup failed. the book is damaged"
                                      << QStringList{"数据库文件已损坏，本次启动没有备份。以前的备份保存在程序目录的 backups 文件夹中。"};
    }
    void startUpTrouble()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, logged);
        QFETCH(QStringList, warnings);
        QVERIFY(createDatabase(databasePath(), QStringLiteral("A")));
        QDir(backupsPath()).removeRecursively();
        if (trouble == "damaged") {
            QVERIFY(writeDamagedBook(databasePath(), 400));
        } else {
            QFile file(trouble == "book" ? databasePath() : backupsPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QByteArray(4096, 'x')) == 4096);
        }
        MessageCapture capture;
        openWindow();
        QFile::remove(backupsPath());
        QVERIFY2(capture.messages().join('\n').contains(logged), qPrintable(capture.messages().join('\n')));
        QCOMPARE(answers.warnings(), warnings);
        QCOMPARE(answers.asked.size(), warnings.size());
        if (!warnings.isEmpty())
            QCOMPARE(answers.asked.first().title, QStringLiteral("警告"));
    }

    // The start-up backup waits for the first paint; a change that reaches the book before
    // it must not end up in the copy, which holds the book as it was read.
    void changeRightAfterStartLeavesTheBookAsReadInTheBackup_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("add") << QStringLiteral("add");
        QTest::newRow("change") << QStringLiteral("change");
        QTest::newRow("delete") << QStringLiteral("delete");
        QTest::newRow("rename category") << QStringLiteral("rename");
    }
    void changeRightAfterStartLeavesTheBookAsReadInTheBackup()
    {
        QFETCH(QString, command);
        QVERIFY(createDatabase(databasePath(), QStringLiteral("A,B,C")));
        QVERIFY(insertRecords(databasePath(), {{"A", "x", "1", "2024-01-01", "", "1"}, {"B", "y", "2", "2024-01-02", "", "2"}}));
        QDir(backupsPath()).removeRecursively();
        const QList<QStringList> asRead = fileRows();

        window.reset(new MainWindow);
        driver.reset(new CommandDriver(*window, answers));
        window->resize(1000, 700);
        QSignalSpy backedUp(window.get(), &MainWindow::startUpBackupDone);
        window->show();
        runCommand(command);
        QVERIFY(fileRows() != asRead);
        QVERIFY(backedUp.isEmpty());

        QVERIFY(backedUp.wait());
        const QStringList copies = QDir(backupsPath()).entryList(QDir::Files);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(storedRows(QDir(backupsPath()).filePath(copies.first())), asRead);
        QCOMPARE(answers.warnings(), QStringList());
    }

    void openingsAddOneCategoryRecordEach()
    {
        start({});
        const int before = window->findChildren<TableSetting *>(QString(), Qt::FindDirectChildrenOnly).size();
        for (int i = 0; i < 3; ++i) {
            driver->rightClick(-1, QStringLiteral("设置"));
            probe().settingForm()->close();
        }
        QCOMPARE(window->findChildren<TableSetting *>(QString(), Qt::FindDirectChildrenOnly).size(), before + 3);
        QCOMPARE(probe().settingForm()->findChildren<TableSetting *>().size(), 3);
    }

    // A change the book refuses: the warning, the table as it was, and the entry form
    // keeps what was typed.
    void refusedWritesChangeNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("add") << QStringLiteral("add");
        QTest::newRow("change") << QStringLiteral("change");
        QTest::newRow("delete") << QStringLiteral("delete");
        QTest::newRow("rename category") << QStringLiteral("rename");
        QTest::newRow("add category") << QStringLiteral("category");
    }
    void refusedWritesChangeNothing()
    {
        QFETCH(QString, command);
        start({{"A", "x", "1", "2024-01-01", "", "1"}, {"B", "y", "2", "2024-01-02", "", "2"}});
        const auto rowsBefore = driver->tableRows();
        // As if the file could not be written; file modes do not stop root.
        QVERIFY(QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA query_only = 1")));
        MessageCapture capture;

        runCommand(command);
        if (command == "add" || command == "change")
            QVERIFY(probe().addNewForm()->isVisible());
        if (command == "add")
            QCOMPARE(child<QLineEdit>(probe().addNewForm(), "lineEdit_name")->text(), QStringLiteral("z"));

        QCOMPARE(answers.warnings(), QStringList{MainWindow::saveFailedText()});
        QVERIFY(capture.messages().join('\n').contains(QStringLiteral("Error: failed to save change.")));
        QCOMPARE(driver->tableRows(), rowsBefore);
        QCOMPARE(storedRows(databasePath()), rowsBefore);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
