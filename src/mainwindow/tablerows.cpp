#include "mainwindow/tablerows.h"

#include <QHash>
#include <QPainter>
#include <QSignalBlocker>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include <vector>

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

    // The view draws its grid with the painter its cells were painted on. Qt's raster engine
    // draws a horizontal cosmetic line pixel by pixel unless the painter has a clip rectangle
    // (some 0.3 ms per row line, a third of a frame for a full table). Clipping to the whole
    // widget changes no pixel and lets the grid take the fast path.
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!painter->hasClipping())
            painter->setClipRect(painter->window());
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

// Cells of one text are copies of the first item made for it. A copy shares the item's
// role data until either is changed, so a household's book (a dozen categories, a few
// thousand dates, names and prices that repeat, memos mostly empty) needs far less memory
// and time per row; each cell is still a plain item holding its text. Texts are told
// apart by their string data: the book's equal texts share one string since loading.
// One column's first items, by open addressing over one array.
class EqualTextCells
{
public:
    QStandardItem *item(const QString &text)
    {
        const QChar *data = text.constData();
        if (last.item && last.data == data && last.size == text.size())
            return last.item->clone();
        size_t at = place(data);
        for (; table[at].item; at = (at + 1) & (table.size() - 1)) {
            if (table[at].data == data && table[at].size == text.size()) {
                last = table[at];
                return last.item->clone();
            }
        }
        auto *created = new QStandardItem(text);
        table[at] = last = {created, data, text.size()};
        if (++used * 2 > table.size())
            grow();
        return created;
    }

private:
    // Items stay in the model for as long as this lives.
    struct Seen
    {
        QStandardItem *item = nullptr;
        const QChar *data = nullptr;
        int size = 0;
    };

    size_t place(const QChar *data) const
    {
        // The product's high bits mix every bit of the address.
        return size_t((quint64(quintptr(data)) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
    }

    void grow()
    {
        std::vector<Seen> old(table.size() * 2);
        old.swap(table);
        ++bits;
        for (const Seen &seen : old) {
            if (!seen.item)
                continue;
            size_t at = place(seen.data);
            while (table[at].item)
                at = (at + 1) & (table.size() - 1);
            table[at] = seen;
        }
    }

    int bits = 6;
    std::vector<Seen> table = std::vector<Seen>(size_t(1) << bits);
    size_t used = 0;
    Seen last;
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

void TableRows::fillRows(QStandardItemModel *model, const QList<TableMoney> &records)
{
    EqualTextCells cells[5];
    QList<QStandardItem *> row;
    for (int column = 0; column < 6; ++column)
        row.append(nullptr);
    for (const TableMoney &record : records) {
        row[0] = cells[0].item(record.type);
        row[1] = cells[1].item(record.name);
        row[2] = cells[2].item(record.price);
        row[3] = cells[3].item(record.date);
        row[4] = cells[4].item(record.memo);
        row[5] = new QStandardItem(QString::number(record.MyID));
        model->appendRow(row);
    }
}

QStyledItemDelegate *TableRows::newTextSizeCache(QObject *parent)
{
    return new TextSizeCache(parent);
}

bool TableRows::mirrorsList(const QAbstractItemModel *shown, int records) const
{
    if (rebuildOnChange || !listInTableOrder || shown != tableModel)
        return false;
    return tableModel->rowCount() == records;
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
