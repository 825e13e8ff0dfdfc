#ifndef BENCH_MEASURE_H
#define BENCH_MEASURE_H

#include <QMap>
#include <QString>

namespace Bench {

// Figure names, in table order.
extern const char *const StartUp;
extern const char *const AddRecord;
extern const char *const ChangeRecord;
extern const char *const DeleteRecord;
extern const char *const RenameCategory;
extern const char *const ChartPress;
extern const char *const ChartPressShort;
extern const char *const Backup;
extern const char *const PeakMemory;

// Loads the book beside the executable into a main window and measures every figure
// through the slots the menu uses; milliseconds (median of `runs`), peak memory in MB.
// Runs in a process of its own so that the peak belongs to this record count alone.
QMap<QString, double> measure(int records, int runs);

// A memory figure of this process from /proc/self/status (e.g. "VmHWM", "RssAnon") in MB;
// -1 where there is none.
double processMemoryMb(const char *key);

} // namespace Bench

#endif // BENCH_MEASURE_H
