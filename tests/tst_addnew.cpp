#include "forms/addnew.h"

#include "support/dialoganswers.h"
#include "support/testsupport.h"
#include "support/widgetchecks.h"
#include "ui/dialogs.h"

#include <QtTest>
#include <QtWidgets>

using TestSupport::child;
using TestSupport::fields;

// Reaches the form's widgets, by their object names, and its state.
class AddNewProbe
{
public:
    explicit AddNewProbe(AddNew &f) : form(f) {}
    // A form of its own, given the category list when there is one.
    explicit AddNewProbe(const QString &categories = QString()) : owned(new AddNew), form(*owned)
    {
        if (!categories.isNull())
            give(categories);
    }
    // The category list, as the main window sends it.
    void give(const QString &value) const
    {
        TableSetting setting(nullptr);
        setting.settingname = QStringLiteral("大类名称");
        setting.settingvalue = value;
        form.receiveSettingEntity(&setting);
    }
    // What the form shows: category, name, price, date, memo, button caption, and the key it edits.
    QStringList shown() const
    {
        return {comboBox_type->currentText(), lineEdit_name->text(), lineEdit_price->text(),
                dateEdit_date->date().toString(Qt::ISODate), plainTextEdit_memo->toPlainText(), pushButton_add->text(),
                QString::number(form.editedMyID)};
    }
    std::unique_ptr<AddNew> owned;
    AddNew &form;
    QGridLayout *gridLayout = child<QGridLayout>(&form, "gridLayout");
    QLabel *label = child<QLabel>(&form, "label");
    QLabel *label_5 = child<QLabel>(&form, "label_5");
    QComboBox *comboBox_type = child<QComboBox>(&form, "comboBox_type");
    QLineEdit *lineEdit_name = child<QLineEdit>(&form, "lineEdit_name");
    QLineEdit *lineEdit_price = child<QLineEdit>(&form, "lineEdit_price");
    QDateEdit *dateEdit_date = child<QDateEdit>(&form, "dateEdit_date");
    QPlainTextEdit *plainTextEdit_memo = child<QPlainTextEdit>(&form, "plainTextEdit_memo");
    QPushButton *pushButton_add = child<QPushButton>(&form, "pushButton_add");
    QPushButton *pushButton_close = child<QPushButton>(&form, "pushButton_close");
};

namespace {

const QString WarningTitle = QStringLiteral("警告");
const QString MessageA = QStringLiteral("物品名称和物品价格不能为空。");
const QString MessageB = QStringLiteral("物品价格不能为负数。");
const QString MessageC = QStringLiteral("小数点后没有数字或者物品价格没必要精确到小数点后3位啊。");

struct Sent
{
    QString flag;
    TableMoney entity;
};

// TableMoney is not a registered meta-type, so a plain connection collects the emissions.
struct SendLog
{
    QList<Sent> sent;
    explicit SendLog(AddNew &form)
    {
        QObject::connect(&form, &AddNew::sendEntity, [this](QString flag, TableMoney e) { sent << Sent{flag, e}; });
    }
};

} // namespace

class TestAddNew : public QObject
{
    Q_OBJECT
private slots:
    void layout()
    {
        AddNewProbe p;
        QCOMPARE(p.form.size(), QSize(400, 361));
        QCOMPARE(p.form.windowTitle(), QStringLiteral("Form"));
        QVERIFY(!p.comboBox_type->isEditable());
        QVERIFY(p.dateEdit_date->calendarPopup());
        QCOMPARE(p.pushButton_add->text(), QStringLiteral("新增"));
        QCOMPARE(p.pushButton_close->text(), QStringLiteral("关闭"));
        QCOMPARE(p.label->text(), QStringLiteral("物品类别："));
        QCOMPARE(p.label_5->text(), QStringLiteral("备注："));
        QVERIFY(p.lineEdit_price->validator());
        QVERIFY(!p.lineEdit_name->validator());
        const QList<QWidget *> fields{p.comboBox_type, p.lineEdit_name, p.lineEdit_price, p.dateEdit_date, p.plainTextEdit_memo};
        for (int row = 0; row < fields.size(); ++row)
            QCOMPARE(p.gridLayout->itemAtPosition(row, 1)->widget(), fields.at(row));
        QCOMPARE(p.gridLayout->itemAtPosition(4, 0)->widget(), p.label_5);
    }

    void focusChain()
    {
        // Creation order fixes the tab order: combo, price, memo, name, date, add, close.
        AddNewProbe p;
        const QList<QWidget *> expected{p.comboBox_type, p.lineEdit_price, p.plainTextEdit_memo, p.lineEdit_name,
                                        p.dateEdit_date, p.pushButton_add, p.pushButton_close};
        QCOMPARE(WidgetChecks::focusOrder(&p.form, expected), expected);
    }

    void categories_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("plain") << QStringLiteral("餐饮,交通,其他") << QStringList{"餐饮", "交通", "其他"};
        QTest::newRow("stray separators") << ",A,,B," << QStringList{"A", "B"};
        QTest::newRow("blanks kept") << " A ,B" << QStringList{" A ", "B"};
        QTest::newRow("empty") << "" << QStringList();
    }
    void categories()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, items);
        AddNewProbe p("old1,old2,old3,old4");
        p.comboBox_type->setCurrentIndex(3);
        p.give(value);
        QCOMPARE(WidgetChecks::comboItems(p.comboBox_type), items);
        QCOMPARE(p.comboBox_type->currentIndex(), items.isEmpty() ? -1 : 0);
    }

    void validator_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("digits") << "125" << "125";
        QTest::newRow("decimals") << "12.50" << "12.50";
        QTest::newRow("many decimals may be typed") << "12.505" << "12.505";
        QTest::newRow("negative") << "-5" << "-5";
        QTest::newRow("trailing point") << "12." << "12.";
        QTest::newRow("letters") << "1a2b" << "12";
        QTest::newRow("blanks") << " 1 2 " << "12";
        QTest::newRow("plus") << "+5" << "5";
        QTest::newRow("ascii comma") << "1,5" << "15";
        QTest::newRow("second point") << "1.2.3" << "1.23";
        QTest::newRow("leading point") << ".5" << "5";
        QTest::newRow("minus inside") << "5-" << "5";
    }
    void validator()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        AddNewProbe p;
        QTest::keyClicks(p.lineEdit_price, typed);
        QCOMPARE(p.lineEdit_price->text(), kept);
    }

    void addChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("message"); // empty: the record is sent
        QTest::newRow("whole") << "milk" << "12" << QString();
        QTest::newRow("one decimal") << "milk" << "12.5" << QString();
        QTest::newRow("two decimals") << "milk" << "12.50" << QString();
        QTest::newRow("trailing point") << "milk" << "12." << MessageC;
        QTest::newRow("three decimals") << "milk" << "12.505" << MessageC;
        QTest::newRow("lone minus") << "milk" << "-" << MessageB;
        QTest::newRow("negative") << "milk" << "-5" << MessageB;
        QTest::newRow("empty name, negative price") << "" << "-5" << MessageA;
        QTest::newRow("blank name") << "   " << "5" << MessageA;
        QTest::newRow("empty price") << "milk" << "" << MessageA;
    }
    void addChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, price);
        QFETCH(QString, message);
        AddNewProbe p("a,b");
        p.form.receiveFlagEntity("addnew", TableMoney());
        QTest::keyClicks(p.lineEdit_name, name);
        QTest::keyClicks(p.lineEdit_price, price);
        QCOMPARE(p.lineEdit_price->text(), price);

        ScopedDialogAnswers dialogs;
        SendLog log(p.form);
        p.pushButton_add->click();

        if (message.isEmpty()) {
            QVERIFY(dialogs.asked.isEmpty());
            QCOMPARE(log.sent.size(), 1);
            QCOMPARE(log.sent.at(0).entity.price, price);
        } else {
            QCOMPARE(dialogs.allTexts(), QStringList{message});
            QCOMPARE(describe(dialogs.asked.at(0)), describe({Dialogs::Request::Warning, &p.form, WarningTitle, message, QString(),
                                                              QMessageBox::Ok, QMessageBox::NoButton}));
            QVERIFY(log.sent.isEmpty());
        }
        // Nothing typed is lost either way.
        QCOMPARE(p.lineEdit_name->text(), name);
        QCOMPARE(p.lineEdit_price->text(), price);
    }

    void addMode()
    {
        AddNewProbe p(QStringLiteral("餐饮,交通,其他"));
        p.form.receiveFlagEntity("edit", TableMoney{QStringLiteral("其他"), "old", "9", "2020-02-03", "note", 42});
        p.form.receiveFlagEntity("addnew", TableMoney{QStringLiteral("其他"), "ignored", "1", "2001-01-01", "x", 7});

        QCOMPARE(p.comboBox_type->currentIndex(), 0);
        QCOMPARE(p.shown(), (QStringList{"餐饮", "", "", QDate::currentDate().toString(Qt::ISODate), "", "新增", "-1"}));

        p.comboBox_type->setCurrentIndex(1);
        QTest::keyClicks(p.lineEdit_name, "  bus ticket ");
        QTest::keyClicks(p.lineEdit_price, "2.5");
        p.dateEdit_date->setDate(QDate(2024, 3, 9));
        p.plainTextEdit_memo->setPlainText("line 1\nline 2");

        ScopedDialogAnswers dialogs;
        SendLog log(p.form);
        p.form.show();
        p.pushButton_add->click();
        p.pushButton_add->click();

        QVERIFY(dialogs.asked.isEmpty());
        QCOMPARE(log.sent.size(), 2);
        for (const Sent &s : log.sent) {
            QCOMPARE(s.flag, QStringLiteral("addnew"));
            QCOMPARE(fields(s.entity), (QStringList{"交通", "  bus ticket ", "2.5", "2024-03-09", "line 1\nline 2", "1"}));
        }
        // The form stays open with what was typed.
        QVERIFY(p.form.isVisible());
        QCOMPARE(p.lineEdit_name->text(), QStringLiteral("  bus ticket "));
        QCOMPARE(p.comboBox_type->currentIndex(), 1);
    }

    void editMode()
    {
        AddNewProbe p(QStringLiteral("餐饮,交通,其他"));
        p.form.receiveFlagEntity("addnew", TableMoney());
        p.form.receiveFlagEntity("edit", TableMoney{QStringLiteral("其他"), "rice", " 30.00", " 2019-12-31 ", "a\nb", 17});

        QCOMPARE(p.shown(), (QStringList{"其他", "rice", " 30.00", "2019-12-31", "a\nb", "修改", "17"}));

        ScopedDialogAnswers dialogs;
        SendLog log(p.form);
        p.pushButton_add->click();
        QVERIFY(dialogs.asked.isEmpty());
        QCOMPARE(log.sent.size(), 1);
        QCOMPARE(log.sent.at(0).flag, QStringLiteral("edit"));
        QCOMPARE(fields(log.sent.at(0).entity), (QStringList{"其他", "rice", " 30.00", "2019-12-31", "a\nb", "17"}));

        // A stored negative price is caught even behind a blank.
        p.form.receiveFlagEntity("edit", TableMoney{QStringLiteral("其他"), "rice", " -3", "2019-12-31", "", 17});
        p.pushButton_add->click();
        QCOMPARE(dialogs.allTexts(), QStringList{MessageB});
        QCOMPARE(log.sent.size(), 1);
    }

    void editKeepsComboAndDateOnBadInput()
    {
        AddNewProbe p("a,b,c");
        p.form.receiveFlagEntity("edit", TableMoney{"b", "x", "1", "2020-01-02", "", 5});
        QCOMPARE(p.comboBox_type->currentIndex(), 1);

        // A fresh list puts the combo on its first item; an unknown category leaves it there.
        p.give("a,b,c");
        p.form.receiveFlagEntity("edit", TableMoney{"gone", "y", "2", "2021/05/06", "", 6});
        QCOMPARE(p.comboBox_type->currentIndex(), 0);
        QCOMPARE(p.dateEdit_date->date(), QDate(2020, 1, 2));
        QCOMPARE(p.lineEdit_name->text(), QStringLiteral("y"));

        p.form.receiveFlagEntity("edit", TableMoney{"B", "y", "2", "", "", 6});
        QCOMPARE(p.comboBox_type->currentIndex(), 0);
        QCOMPARE(p.dateEdit_date->date(), QDate(2020, 1, 2));

        SendLog log(p.form);
        p.pushButton_add->click();
        QCOMPARE(log.sent.size(), 1);
        QCOMPARE(log.sent.at(0).entity.type, QStringLiteral("a"));
        QCOMPARE(log.sent.at(0).entity.date, QStringLiteral("2020-01-02"));
    }

    void otherFlagChangesNothing_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::newRow("empty") << "";
        QTest::newRow("capitalised") << "Edit";
        QTest::newRow("padded") << " addnew";
        QTest::newRow("other") << "delete";
    }
    void otherFlagChangesNothing()
    {
        QFETCH(QString, flag);
        AddNewProbe p("a,b,c");
        p.form.receiveFlagEntity("edit", TableMoney{"c", "name", "3.1", "2022-07-08", "memo", 9});
        p.form.receiveFlagEntity(flag, TableMoney{"a", "other", "4", "2023-01-01", "other", 10});
        QCOMPARE(p.shown(), (QStringList{"c", "name", "3.1", "2022-07-08", "memo", "修改", "9"}));
    }

    void emptyCategoryList()
    {
        AddNewProbe p("");
        p.form.receiveFlagEntity("addnew", TableMoney());
        QTest::keyClicks(p.lineEdit_name, "thing");
        QTest::keyClicks(p.lineEdit_price, "1");
        SendLog log(p.form);
        p.pushButton_add->click();
        QCOMPARE(log.sent.size(), 1);
        QCOMPARE(log.sent.at(0).entity.type, QString());
    }

    void closeHides()
    {
        QWidget owner;
        QPointer<AddNew> form = new AddNew(&owner);
        AddNewProbe p(*form);
        form->setWindowFlag(Qt::Window);
        form->show();
        QTest::keyClicks(p.lineEdit_name, "kept");
        p.pushButton_close->click();
        QCoreApplication::processEvents();
        QVERIFY(form);
        QVERIFY(!form->isVisible());
        QCOMPARE(p.lineEdit_name->text(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(TestAddNew)
#include "tst_addnew.moc"
