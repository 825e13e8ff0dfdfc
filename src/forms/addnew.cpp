#include "forms/addnew.h"
#include "ui_addnew.h"

#include "forms/formtexts.h"
#include "store/common.h"
#include "store/pricerule.h"
#include "ui/dialogs.h"

#include <QDate>
#include <QRegExp>
#include <QRegExpValidator>

static const char *const AddCaption = "新增";
static const char *const EditCaption = "修改";

AddNew::AddNew(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::AddNew)
{
    ui->setupUi(this);
    // Lets through only what may still become a number; the add button judges the rest.
    auto *validator = new QRegExpValidator(
        QRegExp(QStringLiteral("^-?\\d{1,}(\\.[0-9]+)?"), Qt::CaseSensitive, QRegExp::RegExp), this);
    ui->lineEdit_price->setValidator(validator);
    ui->dateEdit_date->setCalendarPopup(true);
}

AddNew::~AddNew()
{
    delete ui;
}

void AddNew::receiveSettingEntity(TableSetting *setting)
{
    if (!setting)
        return;
    Common *common = new Common(this);
    const QStringList names = common->splitByComma(setting->settingvalue);
    ui->comboBox_type->clear();
    for (const QString &name : names)
        ui->comboBox_type->addItem(name);
    delete common;
}

void AddNew::receiveFlagEntity(QString flag, TableMoney entity)
{
    if (flag == FormTexts::addFlag()) {
        ui->comboBox_type->setCurrentIndex(0);
        ui->lineEdit_name->setText(QString());
        ui->lineEdit_price->setText(QString());
        ui->dateEdit_date->setDate(QDate::currentDate());
        ui->plainTextEdit_memo->setPlainText(QString());
        editedMyID = -1;
        ui->pushButton_add->setText(QString::fromUtf8(AddCaption));
    }
    if (flag == FormTexts::editFlag()) {
        // A category no longer in the list leaves the selection as it is.
        ui->comboBox_type->setCurrentText(entity.type);
        ui->lineEdit_name->setText(entity.name);
        ui->lineEdit_price->setText(entity.price);
        const QDate date = QDate::fromString(entity.date.trimmed(), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid())
            ui->dateEdit_date->setDate(date);
        ui->plainTextEdit_memo->setPlainText(entity.memo);
        editedMyID = entity.MyID;
        ui->pushButton_add->setText(QString::fromUtf8(EditCaption));
    }
}

void AddNew::on_pushButton_add_clicked()
{
    switch (PriceRule::checkEntry(ui->lineEdit_name->text(), ui->lineEdit_price->text())) {
    case PriceRule::EntryCheck::Empty:
        Dialogs::warn(this, QStringLiteral("物品名称和物品价格不能为空。"));
        return;
    case PriceRule::EntryCheck::Negative:
        Dialogs::warn(this, QStringLiteral("物品价格不能为负数。"));
        return;
    case PriceRule::EntryCheck::BadDecimals:
        Dialogs::warn(this, QStringLiteral("小数点后没有数字或者物品价格没必要精确到小数点后3位啊。"));
        return;
    case PriceRule::EntryCheck::Ok:
        break;
    }

    // Name and price go out as typed; only the checks above trim.
    TableMoney entity;
    entity.type = ui->comboBox_type->currentText();
    entity.name = ui->lineEdit_name->text();
    entity.price = ui->lineEdit_price->text();
    entity.date = ui->dateEdit_date->date().toString(QStringLiteral("yyyy-MM-dd"));
    entity.memo = ui->plainTextEdit_memo->toPlainText();

    if (ui->pushButton_add->text() == QString::fromUtf8(AddCaption)) {
        entity.MyID = 1; // placeholder: the main window hands out the real key
        emit sendEntity(FormTexts::addFlag(), entity);
    }
    if (ui->pushButton_add->text() == QString::fromUtf8(EditCaption)) {
        entity.MyID = editedMyID;
        emit sendEntity(FormTexts::editFlag(), entity);
    }
}

void AddNew::on_pushButton_close_clicked()
{
    close();
}
