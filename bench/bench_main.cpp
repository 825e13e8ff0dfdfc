// Measures the expense book at household scale and prints one table.
// Usage: tobrell_bench [records ...]          (default 10000 100000 1000000)
// Each record count runs in fresh child processes (three by default, TOBRELL_BENCH_PROCESSES
// to change), each timing every step five times; the table holds the medians. The ready
// figure starts five more fresh processes per count, on the display when there is one.

#include "bench_book.h"
#include "bench_measure.h"
#include "bench_ready.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int stepRuns = 5;

QString beside(const QString &name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/") + name;
}

QString bookPath(int records)
{
    return beside(QStringLiteral("bench-book-v1-%1.sqlite3").arg(records));
}

int runChild(const QStringList &arguments, QByteArray *output)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = child.readAllStandardOutput();
    return child.exitCode();
}

struct Goal
{
    const char *figure;
    QMap<int, double> limit; // by record count; absent: no goal
    // A goal that scales: at most perRecord ms for each record, or ratio times the
    // figure ofFigure of the same record count.
    double perRecord = 0;
    const char *ofFigure = nullptr;
    double ratio = 0;
};

Goal perRecord(const char *figure, double microseconds)
{
    Goal g{figure, {}};
    g.perRecord = microseconds / 1000.0;
    return g;
}

Goal ratioOf(const char *figure, const char *ofFigure, double ratio)
{
    Goal g{figure, {}};
    g.ofFigure = ofFigure;
    g.ratio = ratio;
    return g;
}

} // namespace

int main(int argc, char *argv[])
{
    // A ready process runs on the platform it was given; everything else offscreen.
    if (argc > 1 && qstrcmp(argv[1], "--ready") == 0)
        return Bench::runUntilReady(argc, argv);
    const bool platformGiven = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!platformGiven)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();

    if (args.value(0) == QLatin1String("--write")) {
        QCoreApplication app(argc, argv);
        return Bench::writeBook(args.value(2), args.value(1).toInt()) ? 0 : 1;
    }
    if (args.value(0) == QLatin1String("--measure")) {
        QApplication app(argc, argv);
        const QMap<QString, double> figures = Bench::measure(args.value(1).toInt(), args.value(2).toInt());
        QTextStream out(stdout);
        for (auto it = figures.constBegin(); it != figures.constEnd(); ++it)
            out << "FIGURE\t" << it.key() << '\t' << QString::number(it.value(), 'f', 2) << '\n';
        return 0;
    }

    QCoreApplication app(argc, argv);
    QList<int> counts;
    for (const QString &a : args)
        counts << a.toInt();
    if (counts.isEmpty())
        counts = {10000, 100000, 1000000};
    const int processes = qMax(1, qEnvironmentVariableIntValue("TOBRELL_BENCH_PROCESSES") ? qEnvironmentVariableIntValue("TOBRELL_BENCH_PROCESSES") : 3);

    // What a user waits for includes the platform's set-up: a real display where there is one.
    QProcessEnvironment readyEnvironment = QProcessEnvironment::systemEnvironment();
    if (!platformGiven && !qEnvironmentVariableIsEmpty("DISPLAY"))
        readyEnvironment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString readyPlatform = readyEnvironment.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    const QList<Goal> goals = {
        {Bench::ReadyFresh, {{10000, 200}, {100000, 450}, {1000000, 3000}}},
        // After ready, and delaying nothing the user sees; on any machine a fraction of the wait.
        ratioOf(Bench::ReadyBackup, Bench::ReadyFresh, 0.2),
        {Bench::ReadyAnonMemory, {{100000, 125}, {1000000, 1100}}},
        {Bench::ReadyLargeConfiguration, {{10000, 500}, {100000, 500}, {1000000, 500}}},
        {Bench::StartUp, {{10000, 150}, {100000, 600}, {1000000, 8000}}},
        {Bench::AddRecord, {{10000, 10}, {100000, 16}, {1000000, 200}}},
        {Bench::ChangeRecord, {{10000, 10}, {100000, 16}, {1000000, 200}}},
        {Bench::DeleteRecord, {{10000, 10}, {100000, 16}, {1000000, 200}}},
        {Bench::RenameCategory, {{10000, 100}, {100000, 1000}}},
        {Bench::ChartPress, {{10000, 20}, {100000, 100}, {1000000, 1000}}},
        {Bench::ChartPressShort, {}},
        perRecord(Bench::Backup, 1.0),
        {Bench::PeakMemory, {{10000, 80}, {100000, 250}, {1000000, 2500}}},
    };

    QTextStream err(stderr);
    QMap<QString, QMap<int, double>> table;
    for (int records : counts) {
        if (!QFile::exists(bookPath(records))) {
            err << "writing a book of " << records << " records\n";
            err.flush();
            if (runChild({QStringLiteral("--write"), QString::number(records), bookPath(records)}, nullptr) != 0) {
                err << "cannot write the book\n";
                return 1;
            }
        }
        QMap<QString, std::vector<double>> samples;
        for (int p = 0; p < processes; ++p) {
            err << "measuring " << records << " records, process " << p + 1 << " of " << processes << "\n";
            err.flush();
            // Every process starts from the same untouched book, which it backs up.
            QDir(beside(QStringLiteral("backups"))).removeRecursively();
            QFile::remove(beside(QStringLiteral("Tobrell.sqlite3")));
            QFile::copy(bookPath(records), beside(QStringLiteral("Tobrell.sqlite3")));
            QByteArray output;
            if (runChild({QStringLiteral("--measure"), QString::number(records), QString::number(stepRuns)}, &output) != 0) {
                err << "the measuring process failed\n";
                return 1;
            }
            for (const QByteArray &line : output.split('\n')) {
                const QList<QByteArray> parts = line.split('\t');
                if (parts.size() == 3 && parts.at(0) == "FIGURE")
                    samples[QString::fromUtf8(parts.at(1))].push_back(parts.at(2).toDouble());
            }
        }
        err << "starting fresh processes on " << readyPlatform << " for " << records << " records\n";
        err.flush();
        QFile::remove(beside(QStringLiteral("Tobrell.sqlite3")));
        QFile::copy(bookPath(records), beside(QStringLiteral("Tobrell.sqlite3")));
        const QMap<QString, double> ready = Bench::timeToReady(5, readyEnvironment);
        if (ready.isEmpty()) {
            err << "a fresh process did not get ready\n";
            return 1;
        }
        for (auto it = ready.constBegin(); it != ready.constEnd(); ++it)
            samples[it.key()].push_back(it.value());
        // Start-up with a megabyte of logging configuration, beside the shipped one; the same
        // at every record count, so measured with the first.
        if (records == counts.first()) {
            const QString large = QStringLiteral("QtLog4Qt-1MB.conf");
            err << "starting fresh processes with a 1 MB logging file\n";
            err.flush();
            const QMap<QString, double> slow = Bench::writeLargeConfiguration(beside(QStringLiteral("QtLog4Qt.conf")), beside(large))
                ? Bench::timeToReady(5, readyEnvironment, large) : QMap<QString, double>();
            QFile::remove(beside(large));
            if (slow.isEmpty()) {
                err << "a fresh process with a 1 MB logging file did not get ready\n";
                return 1;
            }
            samples[Bench::ReadyLargeConfiguration].push_back(slow[Bench::ReadyFresh] - ready[Bench::ReadyFresh]);
        }
        for (auto it = samples.begin(); it != samples.end(); ++it) {
            std::vector<double> v = it.value();
            std::sort(v.begin(), v.end());
            table[it.key()][records] = v[v.size() / 2];
        }
    }
    QFile::remove(beside(QStringLiteral("Tobrell.sqlite3")));
    QDir(beside(QStringLiteral("backups"))).removeRecursively();

    QTextStream out(stdout);
    out << "Median of " << processes << " processes x " << stepRuns << " runs each; ready: median of 5 fresh processes on "
        << readyPlatform << "; goal in brackets (us/rec: per record; 0.2 x N: a share of the ready time N), ! marks a miss.\n";
    out << qSetFieldWidth(46) << Qt::left << "figure" << qSetFieldWidth(22) << Qt::right;
    for (int records : counts)
        out << QStringLiteral("%1 records").arg(records);
    out << qSetFieldWidth(0) << "\n";
    bool allMet = true;
    for (const Goal &g : goals) {
        const QString name = QString::fromLatin1(g.figure);
        out << qSetFieldWidth(46) << Qt::left << name << qSetFieldWidth(22) << Qt::right;
        for (int records : counts) {
            if (!table[name].contains(records)) {
                out << "-";
                continue;
            }
            const double value = table[name][records];
            QString cell = QString::number(value, 'f', 1);
            double limit = -1;
            QString goal;
            if (g.limit.contains(records)) {
                limit = g.limit[records];
                goal = QString::number(limit);
            } else if (g.perRecord > 0) {
                limit = g.perRecord * records;
                goal = QStringLiteral("%1 us/rec").arg(g.perRecord * 1000);
            } else if (g.ofFigure && table[QString::fromLatin1(g.ofFigure)].contains(records)) {
                const double of = table[QString::fromLatin1(g.ofFigure)][records];
                limit = g.ratio * of;
                goal = QStringLiteral("%1 x %2").arg(g.ratio).arg(of, 0, 'f', 0);
            }
            if (limit >= 0) {
                const bool met = value <= limit;
                allMet = allMet && met;
                cell += QStringLiteral(" (%1)%2").arg(goal, met ? QStringLiteral(" ") : QStringLiteral("!"));
            }
            out << cell;
        }
        out << qSetFieldWidth(0) << "\n";
    }
    out << (allMet ? "Every goal met.\n" : "Some goals missed.\n");
    return 0;
}
