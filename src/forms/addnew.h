#ifndef ADDNEW_H
#define ADDNEW_H

#include "store/tablemoney.h"
#include "store/tablesetting.h"

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class AddNew;
}
QT_END_NAMESPACE

// Entry form: one expense, in "addnew" or "edit" mode.
class AddNew : public QWidget
{
    Q_OBJECT

public:
    explicit AddNew(QWidget *parent = nullptr);
    ~AddNew() override;

signals:
    void sendEntity(QString flag, TableMoney entity);

public slots:
    void receiveFlagEntity(QString flag, TableMoney entity);
    void receiveSettingEntity(TableSetting *setting);

private slots:
    void on_pushButton_add_clicked();
    void on_pushButton_close_clicked();

private:
    Ui::AddNew *ui = nullptr;
    qint32 editedMyID = -1;

    friend class AddNewProbe;
};

#endif // ADDNEW_H
