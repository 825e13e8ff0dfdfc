#include "forms/dosetting.h"

#include "store/categoryrules.h"
#include "support/dialoganswers.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"
#include "ui/dialogs.h"

#include <QtTest>
#include <QtWidgets>

using TestSupport::child;

// Reaches the form's widgets, by their object names, and its state.
class DoSettingProbe
{
public:
    explicit DoSettingProbe(DoSetting &f) : form(f) {}
    // A form of its own that never got a list.
    DoSettingProbe() : owned(new DoSetting), form(*owned) {}
    // A form of its own, given value as the main window sends it.
    explicit DoSettingProbe(const QString &value) : DoSettingProbe() { give(value); }
    void give(const QString &value) const
    {
        TableSetting setting(nullptr);
        setting.settingname = QStringLiteral("something else");
        setting.settingvalue = value;
        form.receiveSettingEntity(&setting);
    }
    QString value() const { return form.settingValue; }
    int nextKey() const { return form.nextRenameKey; }
    QStringList shown() const
    {
        auto *m = qobject_cast<QStringListModel *>(listView_setting->model());
        return m ? m->stringList() : QStringList();
    }
    int currentRow() const { return listView_setting->currentIndex().row(); }
    void select(int row) const
    {
        listView_setting->setCurrentIndex(row < 0 ? QModelIndex() : listView_setting->model()->index(row, 0));
    }
    // Renames the category at row to to, answering the input dialog.
    void rename(DialogAnswers &dialogs, int row, const QString &to) const
    {
        select(row);
        dialogs.text(to);
        pushButton_edit->click();
    }

    std::unique_ptr<DoSetting> owned;
    DoSetting &form;
    QListView *listView_setting = child<QListView>(&form, "listView_setting");
    QWidget *widget_2 = child<QWidget>(&form, "widget_2");
    QVBoxLayout *verticalLayout = child<QVBoxLayout>(&form, "verticalLayout");
    QPushButton *pushButton_addnew = child<QPushButton>(&form, "pushButton_addnew");
    QPushButton *pushButton_edit = child<QPushButton>(&form, "pushButton_edit");
    QPushButton *pushButton_del = child<QPushButton>(&form, "pushButton_del");
    QPushButton *pushButton_up = child<QPushButton>(&form, "pushButton_up");
    QPushButton *pushButton_down = child<QPushButton>(&form, "pushButton_down");
};

namespace {

const QString InfoTitle = QStringLiteral("信息");
const QString MsgA = QStringLiteral("您没有选择项目，请选择项目。");
const QString MsgB = QStringLiteral("您刚才使用了英文逗号，请改为中文逗号，因为英文逗号是保留字符。");
const QString MsgC = QStringLiteral("您刚才使用了英文逗号，请改为中文逗号，因为英文逗号是物品大类的保留字符。");
const QString MsgD = QStringLiteral("您刚才输入的项目已经存在了，请不要输入重复的项目。");
const QString MsgE = QStringLiteral("您选择的项目已经是第一个，不能再上移了。");
const QString MsgF = QStringLiteral("您选择的项目已经是最后一个，不能再下移了。");

using History = QMap<int, QStringList>;

} // namespace

class TestDoSetting : public QObject
{
    Q_OBJECT
private slots:
    void layout()
    {
        DoSettingProbe p;
        QCOMPARE(p.form.objectName(), QStringLiteral("DoSetting"));
        QCOMPARE(p.form.size(), QSize(400, 518));
        QCOMPARE(p.form.windowTitle(), QStringLiteral("Form"));
        QVERIFY(!p.listView_setting->model());
        QCOMPARE(p.widget_2->minimumSize(), QSize(100, 500));
        QCOMPARE(p.widget_2->maximumSize(), QSize(16777215, 500));
        QCOMPARE(p.widget_2->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(p.widget_2->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QVBoxLayout *column = p.verticalLayout;
        QCOMPARE(column->count(), 9);
        const QList<QPushButton *> buttons{p.pushButton_addnew, p.pushButton_edit, p.pushButton_del,
                                           p.pushButton_up, p.pushButton_down};
        const QStringList captions{"新增", "修改", "删除", "上移", "下移"};
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(column->itemAt(2 * i)->widget(), buttons.at(i));
            QCOMPARE(buttons.at(i)->text(), captions.at(i));
            if (i + 1 < buttons.size()) {
                QSpacerItem *s = column->itemAt(2 * i + 1)->spacerItem();
                QVERIFY(s);
                QCOMPARE(s->sizeHint(), QSize(20, 30));
                QCOMPARE(s->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
            }
        }
        // Default focus chain follows creation order.
        QList<QWidget *> expected{p.listView_setting};
        for (QPushButton *b : buttons)
            expected << b;
        QCOMPARE(WidgetChecks::focusOrder(&p.form, expected), expected);
    }

    void receiveList()
    {
        DoSettingProbe p(",a,, b ,");
        QCOMPARE(p.value(), QStringLiteral(",a,, b ,"));
        QCOMPARE(p.shown(), (QStringList{"a", " b "}));
        QCOMPARE(p.currentRow(), -1);
    }

    void modelsDoNotPileUp()
    {
        DoSettingProbe p("a,b,c");
        QPointer<QAbstractItemModel> first = p.listView_setting->model();
        for (int i = 0; i < 5; ++i)
            p.give("a,b,c");
        p.select(2);
        ScopedDialogAnswers dialogs;
        p.pushButton_up->click();
        p.pushButton_down->click();
        QVERIFY(first.isNull());
        QCOMPARE(p.form.findChildren<QStringListModel *>().size(), 1);
        QCOMPARE(p.form.findChildren<QItemSelectionModel *>().size(), 1);
        QCOMPARE(p.listView_setting->selectionModel()->model(), p.listView_setting->model());
    }

    void noInPlaceEditing()
    {
        DoSettingProbe p;
        QListView *view = p.listView_setting;
        QCOMPARE(view->editTriggers(), QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
        p.give("a,b");
        QVERIFY(WidgetChecks::showExposed(&p.form));
        const QRect rect = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::keyClick(view, Qt::Key_F2);
        QVERIFY(view->viewport()->findChildren<QLineEdit *>().isEmpty());
        QTest::keyClicks(view, "zzz");
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(p.shown(), (QStringList{"a", "b"}));
        QCOMPARE(p.value(), QStringLiteral("a,b"));
    }

    void add_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("to list") << "a,b" << "c" << true << "a,b,c," << QString() << QStringList{"a", "b", "c"};
        QTest::newRow("to empty list") << "" << "c" << true << ",c," << QString() << QStringList{"c"};
        QTest::newRow("trimmed") << "a" << "  new name " << true << "a,new name," << QString()
                                 << QStringList{"a", "new name"};
        QTest::newRow("blanks only") << "a,b" << "   " << true << "a,b,," << QString() << QStringList{"a", "b"};
        QTest::newRow("empty") << "a,b" << "" << true << "a,b" << QString() << QStringList{"a", "b"};
        QTest::newRow("cancelled") << "a,b" << "c" << false << "a,b" << QString() << QStringList{"a", "b"};
        QTest::newRow("ascii comma") << "a,b" << "c,d" << true << "a,b" << MsgB << QStringList{"a", "b"};
        QTest::newRow("full-width comma") << "a,b" << QStringLiteral("c，d") << true << QStringLiteral("a,b,c，d,")
                                          << QString() << QStringList{"a", "b", QStringLiteral("c，d")};
        QTest::newRow("duplicate") << "a,b" << " b" << true << "a,b" << MsgD << QStringList{"a", "b"};
        QTest::newRow("other case") << "a,b" << "B" << true << "a,b,B," << QString() << QStringList{"a", "b", "B"};
    }
    void add()
    {
        QFETCH(QString, value);
        QFETCH(QString, entered);
        QFETCH(bool, accepted);
        QFETCH(QString, result);
        QFETCH(QString, message);
        QFETCH(QStringList, shown);
        DoSettingProbe p(value);
        p.select(0);
        ScopedDialogAnswers dialogs;
        dialogs.text(entered, accepted);
        p.pushButton_addnew->click();

        QCOMPARE(describe(dialogs.asked.at(0)), describe({Dialogs::Request::GetText, &p.form, "QInputdialog_Name", "请输入新的大类名称："}));
        QCOMPARE(dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(describe(dialogs.asked.at(1)), describe({Dialogs::Request::Information, &p.form, InfoTitle, message}));
        QCOMPARE(p.value(), result);
        QCOMPARE(p.shown(), shown);
        QVERIFY(p.form.renameHistory.isEmpty());
    }

    void change_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<History>("history");
        const History none;
        QTest::newRow("rename") << "a,b,c" << 1 << " x " << true << "a,x,c" << QString() << History{{0, {"b", "x"}}};
        QTest::newRow("joins cleanly") << ",a,,b," << 0 << "z" << true << "z,b" << QString() << History{{0, {"a", "z"}}};
        QTest::newRow("no selection") << "a,b" << -1 << "x" << true << "a,b" << MsgA << none;
        QTest::newRow("same name") << "a,b" << 0 << "a " << true << "a,b" << QString() << none;
        QTest::newRow("blank") << "a,b" << 0 << "  " << true << "a,b" << QString() << none;
        QTest::newRow("cancelled") << "a,b" << 0 << "x" << false << "a,b" << QString() << none;
        QTest::newRow("ascii comma") << "a,b" << 0 << "x,y" << true << "a,b" << MsgC << none;
        QTest::newRow("full-width comma") << "a,b" << 0 << QStringLiteral("x，y") << true << QStringLiteral("x，y,b")
                                          << QString() << History{{0, {"a", QStringLiteral("x，y")}}};
        QTest::newRow("duplicate") << "a,b" << 0 << "b" << true << "a,b" << MsgD << none;
        QTest::newRow("other case") << "a,b" << 0 << "B" << true << "B,b" << QString() << History{{0, {"a", "B"}}};
        QTest::newRow("stands twice") << "a,b,a" << 0 << "c" << true << "c,b,c" << QString() << History{{0, {"a", "c"}}};
    }
    void change()
    {
        QFETCH(QString, value);
        QFETCH(int, row);
        QFETCH(QString, entered);
        QFETCH(bool, accepted);
        QFETCH(QString, result);
        QFETCH(QString, message);
        QFETCH(History, history);
        DoSettingProbe p(value);
        p.select(row);
        const QString old = row < 0 ? QString() : p.shown().at(row);
        ScopedDialogAnswers dialogs;
        dialogs.text(entered, accepted);
        p.pushButton_edit->click();

        if (row >= 0)
            QCOMPARE(describe(dialogs.asked.at(0)),
                     describe({Dialogs::Request::GetText, &p.form, "QInputdialog_Name", "请修改您选择的大类名称：", old}));
        QCOMPARE(dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(p.value(), result);
        QCOMPARE(p.form.renameHistory, history);
        QCOMPARE(p.nextKey(), history.size());
        if (result != value)
            QCOMPARE(p.currentRow(), -1);
    }

    void remove_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("messages");
        const QString ask = QStringLiteral("是否删除：物品大类为：b。删除这项记录吗？");
        QTest::newRow("confirmed") << "a,b,c" << 1 << int(QMessageBox::Ok) << "a,c," << QStringList{ask};
        QTest::newRow("cancelled") << "a,b,c" << 1 << int(QMessageBox::Cancel) << "a,b,c" << QStringList{ask};
        QTest::newRow("escaped") << "a,b,c" << 1 << int(QMessageBox::NoButton) << "a,b,c" << QStringList{ask};
        QTest::newRow("no selection") << "a,b,c" << -1 << int(QMessageBox::Ok) << "a,b,c" << QStringList{MsgA};
        QTest::newRow("stands twice") << "b,a,b" << 0 << int(QMessageBox::Ok) << "a," << QStringList{ask};
        QTest::newRow("last one") << "b" << 0 << int(QMessageBox::Ok) << "" << QStringList{ask};
    }
    void remove()
    {
        QFETCH(QString, value);
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(QString, result);
        QFETCH(QStringList, messages);
        DoSettingProbe p(value);
        p.select(row);
        ScopedDialogAnswers dialogs;
        dialogs.button(QMessageBox::StandardButton(answer));
        p.pushButton_del->click();

        QCOMPARE(dialogs.messages(), messages);
        if (row >= 0)
            QCOMPARE(describe(dialogs.asked.at(0)), describe({Dialogs::Request::Question, &p.form, "询问", messages.first(), QString(),
                                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel}));
        else
            QCOMPARE(describe(dialogs.asked.at(0)), describe({Dialogs::Request::Information, &p.form, InfoTitle, MsgA}));
        QCOMPARE(p.value(), result);
        QCOMPARE(p.shown(), CategoryRules::names(result));
        QVERIFY(p.form.renameHistory.isEmpty());
    }

    void move_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("currentAfter");
        QTest::addColumn<QString>("message");
        QTest::newRow("last up") << "a,b,c" << 2 << true << "a,c,b" << 1 << QString();
        QTest::newRow("first down") << "a,b,c" << 0 << false << "b,a,c" << 1 << QString();
        QTest::newRow("stray separators") << ",a,,b," << 1 << true << "b,a" << 0 << QString();
        QTest::newRow("first up") << "a,b,c" << 0 << true << "a,b,c" << 0 << MsgE;
        QTest::newRow("last down") << "a,b,c" << 2 << false << "a,b,c" << 2 << MsgF;
        QTest::newRow("single up") << "a" << 0 << true << "a" << 0 << MsgE;
        QTest::newRow("single down") << "a" << 0 << false << "a" << 0 << MsgF;
        QTest::newRow("no selection up") << "a,b" << -1 << true << "a,b" << -1 << MsgA;
        QTest::newRow("no selection down") << "a,b" << -1 << false << "a,b" << -1 << MsgA;
        QTest::newRow("no list") << QString() << -2 << false << QString() << -1 << MsgA;
    }
    void move()
    {
        QFETCH(QString, value);
        QFETCH(int, row);
        QFETCH(bool, up);
        QFETCH(QString, result);
        QFETCH(int, currentAfter);
        QFETCH(QString, message);
        DoSettingProbe p;
        if (row != -2) { // -2: the form never got a list
            p.give(value);
            p.select(row);
        }
        QPushButton *button = up ? p.pushButton_up : p.pushButton_down;
        QList<bool> enabledDuringMessage;
        ScopedDialogAnswers dialogs;
        dialogs.onRequest = [&](const Dialogs::Request &) { enabledDuringMessage << button->isEnabled(); };
        button->click();

        QCOMPARE(dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(describe(dialogs.asked.at(0)), describe({Dialogs::Request::Information, &p.form, InfoTitle, message}));
            QCOMPARE(enabledDuringMessage, QList<bool>{false});
        }
        QVERIFY(button->isEnabled());
        QCOMPARE(p.value(), result);
        QCOMPARE(p.shown(), CategoryRules::names(result));
        QCOMPARE(p.currentRow(), currentAfter);
        QVERIFY(p.form.renameHistory.isEmpty());
    }

    void repeatedMoves()
    {
        DoSettingProbe p("a,b,c,d");
        p.select(3);
        ScopedDialogAnswers dialogs;
        for (int i = 0; i < 4; ++i)
            p.pushButton_up->click();
        QCOMPARE(p.value(), QStringLiteral("d,a,b,c"));
        QCOMPARE(dialogs.messages(), QStringList{MsgE});
        p.pushButton_down->click();
        QCOMPARE(p.value(), QStringLiteral("a,d,b,c"));
        QCOMPARE(p.currentRow(), 1);
    }

    void renameChains()
    {
        DoSettingProbe p("A,X");
        ScopedDialogAnswers dialogs;
        p.rename(dialogs, 0, "B");
        p.rename(dialogs, 0, "C");
        QCOMPARE(p.form.renameHistory, (History{{0, {"A", "B", "C"}}}));
        p.rename(dialogs, 1, "Y");
        p.rename(dialogs, 0, "A");
        QCOMPARE(p.form.renameHistory, (History{{0, {"A", "B", "C", "A"}}, {1, {"X", "Y"}}}));
        QCOMPARE(p.value(), QStringLiteral("A,Y"));
        QCOMPARE(p.nextKey(), 2);
        QVERIFY(dialogs.messages().isEmpty());
    }

    void historyEmptiedKeysRise()
    {
        DoSettingProbe p("a,b");
        ScopedDialogAnswers dialogs;
        p.rename(dialogs, 0, "c");
        p.rename(dialogs, 1, "d");
        QCOMPARE(p.form.renameHistory.keys(), (QList<int>{0, 1}));

        p.give("c,d");
        QVERIFY(p.form.renameHistory.isEmpty());
        QCOMPARE(p.nextKey(), 2);
        p.rename(dialogs, 0, "e");
        QCOMPARE(p.form.renameHistory, (History{{2, {"c", "e"}}}));
    }

    void closeAlwaysSends()
    {
        QWidget owner;
        DoSetting *form = new DoSetting(&owner);
        DoSettingProbe p(*form);
        form->setWindowFlag(Qt::Window);
        p.give(",a,,b,");

        QList<TableSetting *> sent;
        QObject::connect(form, &DoSetting::sendSettingEntity, [&](TableSetting *s) { sent << s; });
        for (int i = 0; i < 2; ++i) {
            form->show();
            QVERIFY(form->close());
            QVERIFY(!form->isVisible());
        }
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent.at(0) != sent.at(1));
        for (TableSetting *s : sent) {
            QCOMPARE(s->settingname, QStringLiteral("大类名称"));
            QCOMPARE(s->settingvalue, QStringLiteral(",a,,b,"));
            QCOMPARE(s->parent(), form);
        }

        // A change made while open travels with the next close.
        form->show();
        p.select(0);
        ScopedDialogAnswers dialogs;
        dialogs.button(QMessageBox::Ok);
        p.pushButton_del->click();
        form->close();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent.at(2)->settingvalue, QStringLiteral("b,"));
        QCOMPARE(form->renameHistory, History());
    }
};

QTEST_MAIN(TestDoSetting)
#include "tst_dosetting.moc"
