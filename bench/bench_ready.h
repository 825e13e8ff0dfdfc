#ifndef BENCH_READY_H
#define BENCH_READY_H

#include <QMap>
#include <QProcessEnvironment>
#include <QString>

namespace Bench {

extern const char *const ReadyFresh;
extern const char *const ReadyAnonMemory;
extern const char *const ReadyLargeConfiguration;
extern const char *const ReadyBackup;

// In a fresh process: starts the program the way main.cpp does, with the book and
// QtLog4Qt.conf beside the executable, and prints READY once the table has been painted
// for the first time and the events it left are processed, then the anonymous memory, and
// once the window has taken its start-up backup, the time that took after READY.
int runUntilReady(int argc, char *argv[]);

// Starts `runs` fresh processes of this executable in turn and times each from its start
// to its READY line: the time a user waits for the window; each starts without backups, so
// that it writes a copy. Medians. A configuration names
// another logging file beside the executable to read instead of QtLog4Qt.conf.
QMap<QString, double> timeToReady(int runs, const QProcessEnvironment &environment,
                                  const QString &configuration = QString());

// The shipped logging file, a long comment and 10,000 logger lines: a megabyte.
bool writeLargeConfiguration(const QString &shipped, const QString &path);

} // namespace Bench

#endif // BENCH_READY_H
