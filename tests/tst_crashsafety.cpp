#include "support/testsupport.h"

#include <QtTest>

#include <cstdio>
#include <signal.h>

using namespace TestSupport;

namespace {

const char helperFlag[] = "--add-records";

// The fields of record number index of a helper run; the name is unique per record, so
// a record stored twice under two keys shows up as a repeated name.
QStringList helperRecord(int round, int index)
{
    static const QStringList categories{QStringLiteral("餐饮"), QStringLiteral("交通"), QStringLiteral("其他")};
    static const QStringList decorations{QStringLiteral(""), QStringLiteral(" 🍚"), QStringLiteral(" O'Brien \"x\""),
                                         QStringLiteral(" %1 %2"), QStringLiteral(" חלב")};
    const QString type = categories.at((round + index) % categories.size());
    const QString name = QStringLiteral("r%1-i%2%3").arg(round).arg(index).arg(decorations.at(index % decorations.size()));
    const QString price = QStringLiteral("%1.%2").arg(index % 500).arg(index % 100, 2, 10, QLatin1Char('0'));
    const QString date = QDate(2023, 1, 1).addDays((round * 37 + index) % 700).toString(QStringLiteral("yyyy-MM-dd"));
    const QString memo = index % 3 ? QString() : QStringLiteral("第%1行\n第二行").arg(index);
    return {type, name, price, date, memo};
}

// One line per stored record: the key, then each field as hex UTF-8, tab-separated.
QByteArray encodeLine(qint32 key, const QStringList &fields)
{
    QByteArray line = QByteArray::number(key);
    for (const QString &f : fields)
        line += '\t' + f.toUtf8().toHex();
    return line + '\n';
}

bool decodeLine(const QByteArray &line, qint32 &key, QStringList &fields)
{
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() != 6)
        return false;
    bool ok = false;
    key = parts.at(0).toInt(&ok);
    fields.clear();
    for (int i = 1; i < parts.size(); ++i)
        fields << QString::fromUtf8(QByteArray::fromHex(parts.at(i)));
    return ok;
}

// The helper: loads the book beside the executable and adds records until it is killed.
// A key is printed only once the add has returned, i.e. once the book counts it saved.
int runHelper(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int round = argc > 2 ? QByteArray(argv[2]).toInt() : 0;
    OpenedBook book;
    book.open();
    book->sort(0); // as the window shows it
    for (int index = 0; index < 100000; ++index) {
        const QStringList f = helperRecord(round, index);
        const BookChange change = book->add({f.at(0), f.at(1), f.at(2), f.at(3), f.at(4), 1});
        if (!change.saved) {
            std::fprintf(stderr, "not saved: %s\n", qPrintable(change.error));
            return 2;
        }
        const QByteArray line = encodeLine(change.rows.first().record.MyID, f);
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    }
    return 0;
}

// Read-write, as any SQLite client opens a book: a journal left by the kill is rolled back.
QList<QStringList> query(const QString &sql)
{
    return queryRows(databasePath(), sql, Open::ReadWrite);
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT
private slots:
    void killedWhileAddingLosesNothingSaved();
};

// A helper process adds records to the book and is killed with SIGKILL,
// sometimes while starting, mostly while adding. After every kill the book must be
// intact, hold each record the helper reported saved exactly once with its fields, and
// open as usual.
void TestCrashSafety::killedWhileAddingLosesNothingSaved()
{
    QVERIFY(createDatabase(databasePath(), QStringLiteral("餐饮,交通,其他")));
    QMap<qint32, QStringList> saved;
    int unreported = 0;
    const int rounds = 24;

    for (int round = 0; round < rounds; ++round) {
        QRandomGenerator rng(quint32(1000 + round));
        QProcess helper;
        helper.setProcessChannelMode(QProcess::SeparateChannels);
        helper.start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(helperFlag), QString::number(round)});
        QVERIFY(helper.waitForStarted());

        QByteArray out;
        if (round % 3 == 0) {
            // Any moment from start-up on, loading included.
            QTest::qSleep(int(rng.bounded(400)));
        } else {
            // While adding: after some records, at a random point of the next one.
            const int lines = 1 + int(rng.bounded(25));
            QElapsedTimer timer;
            timer.start();
            while (out.count('\n') < lines && helper.state() == QProcess::Running && timer.elapsed() < 60000) {
                helper.waitForReadyRead(100);
                out += helper.readAllStandardOutput();
            }
            QTest::qSleep(int(rng.bounded(20)));
        }
        QVERIFY2(helper.state() == QProcess::Running, helper.readAllStandardError().constData());
        ::kill(pid_t(helper.processId()), SIGKILL);
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);
        out += helper.readAllStandardOutput();

        // A line cut off by the kill was never printed in full: that record is not reported.
        const QList<QByteArray> lines = out.split('\n');
        for (int i = 0; i + 1 < lines.size(); ++i) {
            qint32 key = 0;
            QStringList fields;
            QVERIFY2(decodeLine(lines.at(i), key, fields), lines.at(i).constData());
            QVERIFY2(!saved.contains(key), "a key reported twice");
            saved.insert(key, fields);
        }

        QCOMPARE(query(QStringLiteral("PRAGMA integrity_check")), QList<QStringList>{{QStringLiteral("ok")}});
        const QList<QStringList> rows = query(QStringLiteral("select type,name,price,date,memo,MyID from tablemoneydb"));
        QMap<qint32, QStringList> stored;
        QSet<QString> names;
        for (const QStringList &row : rows) {
            const qint32 key = row.at(5).toInt();
            QVERIFY2(!stored.contains(key), "a key stored twice");
            QVERIFY2(!names.contains(row.at(1)), "a record stored twice");
            names.insert(row.at(1));
            stored.insert(key, row.mid(0, 5));
        }
        for (auto it = saved.constBegin(); it != saved.constEnd(); ++it) {
            QVERIFY2(stored.contains(it.key()), qPrintable(QStringLiteral("record %1 lost").arg(it.key())));
            QCOMPARE(stored.value(it.key()), it.value());
        }
        // Only the record in flight at a kill may be stored without having been reported.
        unreported = stored.size() - saved.size();
        QVERIFY2(unreported <= round + 1, qPrintable(QStringLiteral("%1 records nobody added").arg(unreported)));

        // The book opens on the file as usual: no diagnostics, every record loaded.
        {
            OpenedBook book;
            const QStringList own = ownMessagesDuring([&book] { book.open(); });
            QVERIFY2(own.isEmpty(), qPrintable(own.join('\n')));
            QCOMPARE(book->count(), stored.size());
        }
    }
    QVERIFY2(saved.size() > rounds, "the helper hardly added anything");
    qInfo("%d rounds, %d records reported saved, %d stored without report", rounds, saved.size(), unreported);
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], helperFlag) == 0)
        return runHelper(argc, argv);
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
