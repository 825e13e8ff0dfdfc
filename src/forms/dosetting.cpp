#include "dosetting.h"
#include "ui_dosetting.h"

#include <QCloseEvent>

DoSetting::DoSetting(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DoSetting)
{
    ui->setupUi(this);
}

DoSetting::~DoSetting()
{
    delete ui;
}

void DoSetting::receiveSettingEntity(TableSetting *) {}
void DoSetting::closeEvent(QCloseEvent *event) { QWidget::closeEvent(event); }
void DoSetting::on_pushButton_addnew_clicked() {}
void DoSetting::on_pushButton_edit_clicked() {}
void DoSetting::on_pushButton_del_clicked() {}
void DoSetting::on_pushButton_up_clicked() {}
void DoSetting::on_pushButton_down_clicked() {}
void DoSetting::refreshList() {}
