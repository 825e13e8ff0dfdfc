#ifndef DOSETTING_H
#define DOSETTING_H

#include "store/tablesetting.h"

#include <QMap>
#include <QStringList>
#include <QWidget>

class QPushButton;

QT_BEGIN_NAMESPACE
namespace Ui {
class DoSetting;
}
QT_END_NAMESPACE

// Category settings form: edits its own copy of the category list and hands it back on close.
class DoSetting : public QWidget
{
    Q_OBJECT

public:
    explicit DoSetting(QWidget *parent = nullptr);
    ~DoSetting() override;

    // Renames since the list last arrived: key -> names from the first to the current one.
    QMap<int, QStringList> renameHistory;

signals:
    void sendSettingEntity(TableSetting *setting);

public slots:
    void receiveSettingEntity(TableSetting *setting);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButton_addnew_clicked();
    void on_pushButton_edit_clicked();
    void on_pushButton_del_clicked();
    void on_pushButton_up_clicked();
    void on_pushButton_down_clicked();

private:
    void refreshList();
    void showNames(const QStringList &names);
    QString selectedName() const;
    bool acceptName(const QString &name, const char *commaText);
    void moveSelected(QPushButton *button, int step);
    void inform(const char *text);

    qint32 nextRenameKey = 0;
    Ui::DoSetting *ui = nullptr;
    QString settingValue;

    friend class DoSettingProbe;
};

#endif // DOSETTING_H
