#include "addnew.h"
#include "ui_addnew.h"

AddNew::AddNew(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::AddNew)
{
    ui->setupUi(this);
}

AddNew::~AddNew()
{
    delete ui;
}

void AddNew::receiveFlagEntity(QString, TableMoney) {}
void AddNew::receiveSettingEntity(TableSetting *) {}
void AddNew::on_pushButton_add_clicked() {}
void AddNew::on_pushButton_close_clicked() { close(); }
