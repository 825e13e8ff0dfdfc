#ifndef BENCH_CHART_H
#define BENCH_CHART_H

class QTextStream;

// Times the chart button at 10,000 and 100,000 records and prints one row per case.
// Needs a QApplication.
void benchChart(QTextStream &out);

#endif // BENCH_CHART_H
