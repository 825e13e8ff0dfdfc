#ifndef BENCH_H
#define BENCH_H

#include "mainwindow.h"

#include <functional>
#include <QString>

// Reaches the main window's private operations; one definition for the whole bench.
class MainWindowProbe
{
public:
    static void refreshTable(MainWindow &w) { w.refreshTable(); }
    static int sortMoneyList(MainWindow &w, int mode) { return w.sortMoneyList(mode); }
};

namespace Bench {

// One timed step, run on a shown main window that has loaded a book of `records` expenses.
// Deferred work (layout, painting) is processed inside the timing.
struct Step
{
    QString name;
    std::function<void(MainWindow &)> run;
};

// Steps register themselves from any bench/*.cpp with a static Registrar.
struct Registrar
{
    Registrar(const QString &name, std::function<void(MainWindow &)> run);
};

} // namespace Bench

#endif // BENCH_H
