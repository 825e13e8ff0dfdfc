#include "mainwindow/tablerows.h"

#include "store/globals.h"

#include <QHash>
#include <QMutexLocker>
#include <QSignalBlocker>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace {
// The fitted columns are measured over up to a thousand rows around the visible ones at
// every refresh, and laying out a text is by far the dearest part of it. Their texts
// repeat (categories, memos), and a plain text cell's size depends only on its text and
// the view's font, so each distinct text is laid out once.
class TextSizeCache : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant text = index.data(Qt::DisplayRole);
        if (option.rect.isValid() || text.userType() != QMetaType::QString || hasLookRoles(index))
            return QStyledItemDelegate::sizeHint(option, index);
        if (!(option.font == font) || sizes.size() > 20000) {
            sizes.clear();
            font = option.font;
        }
        const QString key = text.toString();
        auto it = sizes.constFind(key);
        if (it == sizes.constEnd())
            it = sizes.insert(key, QStyledItemDelegate::sizeHint(option, index));
        return it.value();
    }

private:
    static bool hasLookRoles(const QModelIndex &index)
    {
        for (int role : {Qt::DecorationRole, Qt::CheckStateRole, Qt::FontRole, Qt::SizeHintRole,
                         Qt::TextAlignmentRole})
            if (index.data(role).isValid())
                return true;
        return false;
    }

    mutable QHash<QString, QSize> sizes;
    mutable QFont font;
};
} // namespace

QStringList TableRows::headerLabels()
{
    return {QStringLiteral("大类名称"), QStringLiteral("物品名称"), QStringLiteral("物品价格"),
            QStringLiteral("购买日期"), QStringLiteral("备注"), QStringLiteral("ID")};
}

QString TableRows::cellText(const TableMoney &record, int column)
{
    switch (column) {
    case 0: return record.type;
    case 1: return record.name;
    case 2: return record.price;
    case 3: return record.date;
    case 4: return record.memo;
    default: return QString::number(record.MyID);
    }
}

// The items share the record's texts, so a row costs no second copy of them.
QList<QStandardItem *> TableRows::rowItems(const TableMoney &record)
{
    QList<QStandardItem *> items;
    items.reserve(6);
    for (int column = 0; column < 6; ++column)
        items.append(new QStandardItem(cellText(record, column)));
    return items;
}

QStyledItemDelegate *TableRows::newTextSizeCache(QObject *parent)
{
    return new TextSizeCache(parent);
}

bool TableRows::mirrorsList(const QAbstractItemModel *shown) const
{
    if (rebuildOnChange || !listInTableOrder || shown != tableModel)
        return false;
    QMutexLocker lock(moneyMutex);
    return tableModel->rowCount() == moneyList->size();
}

void TableRows::apply(const QVector<Change> &changes)
{
    // Replaced texts are announced once for all of them: the view re-measures its fitted
    // columns at every announcement, which a rename of thousands of records cannot afford.
    int firstReplaced = -1;
    int lastReplaced = -1;
    const auto announceReplaced = [&] {
        if (firstReplaced < 0)
            return;
        emit tableModel->dataChanged(tableModel->index(firstReplaced, 0), tableModel->index(lastReplaced, 5));
        firstReplaced = lastReplaced = -1;
    };
    for (const Change &change : changes) {
        if (change.kind != Change::Replace)
            announceReplaced();
        switch (change.kind) {
        case Change::Insert:
            tableModel->insertRow(change.row, rowItems(change.record));
            break;
        case Change::Remove:
            tableModel->removeRow(change.row);
            break;
        case Change::Replace: {
            const QSignalBlocker quiet(tableModel);
            for (int column = 0; column < 6; ++column) {
                QStandardItem *item = tableModel->item(change.row, column);
                const QString text = cellText(change.record, column);
                if (item->text() != text)
                    item->setText(text);
            }
            firstReplaced = firstReplaced < 0 ? change.row : qMin(firstReplaced, change.row);
            lastReplaced = qMax(lastReplaced, change.row);
            break;
        }
        }
    }
    announceReplaced();
}
