#include "forms/dosetting.h"
#include "ui_dosetting.h"

#include "forms/formtexts.h"
#include "store/categoryrules.h"
#include "store/common.h"
#include "ui/dialogs.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QStringListModel>
#include <QThread>

namespace {

const char *const NoSelection = "您没有选择项目，请选择项目。";
const char *const CommaOnAdd = "您刚才使用了英文逗号，请改为中文逗号，因为英文逗号是保留字符。";
const char *const CommaOnEdit = "您刚才使用了英文逗号，请改为中文逗号，因为英文逗号是物品大类的保留字符。";
const char *const Duplicate = "您刚才输入的项目已经存在了，请不要输入重复的项目。";
const char *const AlreadyFirst = "您选择的项目已经是第一个，不能再上移了。";
const char *const AlreadyLast = "您选择的项目已经是最后一个，不能再下移了。";
const char *const InputTitle = "QInputdialog_Name";

} // namespace

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

void DoSetting::inform(const char *text)
{
    Dialogs::inform(this, QString::fromUtf8(text));
}

// Tells the user why a name cannot be taken; commaText differs between add and change.
bool DoSetting::acceptName(const QString &name, const char *commaText)
{
    switch (CategoryRules::checkName(settingValue, name)) {
    case CategoryRules::NameCheck::Comma:
        inform(commaText);
        return false;
    case CategoryRules::NameCheck::Duplicate:
        inform(Duplicate);
        return false;
    case CategoryRules::NameCheck::Ok:
        break;
    }
    return true;
}

QString DoSetting::selectedName() const
{
    const QModelIndex current = ui->listView_setting->currentIndex();
    if (!current.isValid())
        return QString();
    return current.data(Qt::DisplayRole).toString().trimmed();
}

void DoSetting::showNames(const QStringList &names)
{
    // Each rebuild gets a fresh model; the one it replaces (and the selection
    // model the view made for it) is freed so reopening never piles them up.
    QAbstractItemModel *oldModel = ui->listView_setting->model();
    QItemSelectionModel *oldSelection = ui->listView_setting->selectionModel();
    ui->listView_setting->setModel(new QStringListModel(names, this));
    delete oldSelection;
    delete oldModel;
}

void DoSetting::refreshList()
{
    Common *common = new Common(this);
    const QStringList names = common->splitByComma(settingValue);
    delete common;
    showNames(names);
    ui->listView_setting->setCurrentIndex(QModelIndex());
}

void DoSetting::receiveSettingEntity(TableSetting *setting)
{
    if (!setting)
        return;
    renameHistory.clear();
    settingValue = setting->settingvalue;
    refreshList();
}

void DoSetting::closeEvent(QCloseEvent *event)
{
    // Every close hands the list back, changed or not; the record stays our child.
    TableSetting *setting = new TableSetting(this);
    setting->settingname = FormTexts::categorySetting();
    setting->settingvalue = settingValue;
    emit sendSettingEntity(setting);
    event->accept();
}

void DoSetting::on_pushButton_addnew_clicked()
{
    bool ok = false;
    const QString text = Dialogs::getText(this, QString::fromUtf8(InputTitle),
                                          QStringLiteral("请输入新的大类名称："), QLineEdit::Normal,
                                          QString(), &ok, Qt::WindowFlags(), Qt::ImhNone);
    if (!ok || text.isEmpty())
        return;
    if (!acceptName(text, CommaOnAdd))
        return;
    settingValue = CategoryRules::appendName(settingValue, text);
    refreshList();
}

void DoSetting::on_pushButton_edit_clicked()
{
    const QString oldName = selectedName();
    if (oldName.isEmpty()) {
        inform(NoSelection);
        return;
    }
    bool ok = false;
    const QString text = Dialogs::getText(this, QString::fromUtf8(InputTitle),
                                          QStringLiteral("请修改您选择的大类名称："), QLineEdit::Normal,
                                          oldName, &ok, Qt::WindowFlags(), Qt::ImhNone);
    const QString newName = text.trimmed();
    if (!ok || newName.isEmpty() || newName == oldName)
        return;
    if (!acceptName(newName, CommaOnEdit))
        return;
    settingValue = CategoryRules::renameName(settingValue, oldName, newName);
    CategoryRules::recordRename(renameHistory, nextRenameKey, oldName, newName);
    refreshList();
}

void DoSetting::on_pushButton_del_clicked()
{
    const QString name = selectedName();
    if (name.isEmpty()) {
        inform(NoSelection);
        return;
    }
    if (!Dialogs::confirm(this, QStringLiteral("是否删除：物品大类为：") + name + QStringLiteral("。删除这项记录吗？")))
        return;
    settingValue = CategoryRules::removeName(settingValue, name);
    refreshList();
}

void DoSetting::on_pushButton_up_clicked()
{
    moveSelected(ui->pushButton_up, -1);
}

void DoSetting::on_pushButton_down_clicked()
{
    moveSelected(ui->pushButton_down, +1);
}

void DoSetting::moveSelected(QPushButton *button, int step)
{
    button->setEnabled(false);
    if (selectedName().isEmpty()) {
        inform(NoSelection);
        button->setEnabled(true);
        return;
    }
    const int row = ui->listView_setting->currentIndex().row();
    const int target = row + step;
    if (!CategoryRules::swapNames(settingValue, row, target)) {
        inform(step < 0 ? AlreadyFirst : AlreadyLast);
        button->setEnabled(true);
        return;
    }
    showNames(CategoryRules::names(settingValue));
    // The moved name stays current, so repeated presses keep moving it.
    ui->listView_setting->setCurrentIndex(ui->listView_setting->model()->index(target, 0));
    // Short pause with the button off, so a burst of clicks cannot run ahead of the list.
    QThread::msleep(100);
    button->setEnabled(true);
}
