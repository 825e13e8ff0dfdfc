#include "store/moneyreader.h"

#include "store/sqlitehandle.h"

#include <QHash>
#include <QSet>
#include <QVariant>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The value Qt's SQLite driver makes of a column (default precision policy).
QVariant driverValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(statement, column));
        return QByteArray(data, sqlite3_column_bytes(statement, column));
    }
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
        return QVariant(QVariant::String);
    default: {
        const auto *data = static_cast<const QChar *>(sqlite3_column_text16(statement, column));
        return QString(data, sqlite3_column_bytes16(statement, column) / int(sizeof(QChar)));
    }
    }
}

// The texts of one column by their stored bytes: a text seen before costs one lookup
// instead of a conversion to UTF-16 and a string of its own. Open addressing over one
// array, as a book has up to hundreds of thousands of distinct prices.
class TextPool
{
public:
    QString text(sqlite3_stmt *statement, int column)
    {
        if (sqlite3_column_type(statement, column) != SQLITE_TEXT)
            return *others.insert(driverValue(statement, column).toString());
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        if (!bytes)
            return driverValue(statement, column).toString();
        const auto size = quint32(sqlite3_column_bytes(statement, column));
        const quint32 hash = qHashBits(bytes, size);
        size_t at = hash & mask();
        for (; table[at].bytes; at = (at + 1) & mask()) {
            const Slot &slot = table[at];
            if (slot.hash == hash && slot.size == size && std::memcmp(slot.bytes, bytes, size) == 0)
                return slot.text;
        }
        Slot &slot = table[at];
        slot.bytes = keep(bytes, size); // before the conversion below, which frees the bytes
        slot.size = size;
        slot.hash = hash;
        slot.text = driverValue(statement, column).toString();
        const QString found = slot.text;
        if (++used * 2 > table.size())
            grow();
        return found;
    }

private:
    struct Slot
    {
        const char *bytes = nullptr;
        quint32 size = 0;
        quint32 hash = 0;
        QString text;
    };

    size_t mask() const { return table.size() - 1; }

    void grow()
    {
        std::vector<Slot> old(table.size() * 2);
        old.swap(table);
        for (Slot &slot : old) {
            if (!slot.bytes)
                continue;
            size_t at = slot.hash & mask();
            while (table[at].bytes)
                at = (at + 1) & mask();
            table[at] = std::move(slot);
        }
    }

    // The bytes of the texts seen, in blocks that never move.
    const char *keep(const char *bytes, size_t size)
    {
        if (!block || blockUsed + size > blockSize) {
            blocks.emplace_back(new char[qMax(blockSize, size + 1)]);
            block = blocks.back().get();
            blockUsed = 0;
        }
        char *kept = block + blockUsed;
        std::memcpy(kept, bytes, size);
        blockUsed += size;
        return kept;
    }

    static constexpr size_t blockSize = 64 * 1024;
    std::vector<Slot> table = std::vector<Slot>(256);
    size_t used = 0;
    std::vector<std::unique_ptr<char[]>> blocks;
    char *block = nullptr;
    size_t blockUsed = 0;
    QSet<QString> others;
};

qint32 keyOf(sqlite3_stmt *statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
        const sqlite3_int64 key = sqlite3_column_int64(statement, column);
        if (key >= INT_MIN && key <= INT_MAX)
            return qint32(key);
    }
    return driverValue(statement, column).toInt();
}

} // namespace

bool readMoneyRowsDirectly(const QSqlDatabase &db, QList<TableMoney> &records)
{
    sqlite3 *handle = sqliteHandle(db);
    if (!handle)
        return false;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, "select type,name,price,date,memo,MyID from tablemoneydb", -1, &statement,
                           nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    QList<TableMoney> read;
    // One pool per column keeps the small ones (categories, dates) quick to search.
    TextPool pools[5];
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        TableMoney record;
        record.type = pools[0].text(statement, 0);
        record.name = pools[1].text(statement, 1);
        record.price = pools[2].text(statement, 2);
        record.date = pools[3].text(statement, 3);
        record.memo = pools[4].text(statement, 4);
        record.MyID = keyOf(statement, 5);
        read.append(record);
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE)
        return false;
    records.append(read);
    return true;
}
