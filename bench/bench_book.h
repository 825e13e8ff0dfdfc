#ifndef BENCH_BOOK_H
#define BENCH_BOOK_H

#include <QString>
#include <QStringList>

namespace Bench {

// The ten categories of a generated book; each holds about a tenth of the records.
QStringList categories();

// Writes a deterministic expense book of `records` records to `path` (replacing it):
// ten years of dates in random order of entry, Chinese names and memos, prices with
// 0 to 2 decimals. One transaction, one prepared insert.
bool writeBook(const QString &path, int records);

} // namespace Bench

#endif // BENCH_BOOK_H
