#include "store/monthtotals.h"
#include "support/testsupport.h"

#include <QtTest>

using TestSupport::datedRecords;

class TestMonthTotals : public QObject
{
    Q_OBJECT
private slots:
    void totals_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("months");
        QTest::addColumn<QList<double>>("sums");

        const QDate jan1(2022, 1, 1);
        const QDate dec31(2022, 12, 31);

        QTest::newRow("both ends inclusive")
            << QStringList{"2022-03-10|1", "2022-03-31|2", "2022-04-01|4", "2022-04-20|8", "2022-04-21|16"}
            << QDate(2022, 3, 31) << QDate(2022, 4, 20)
            << QStringList{"2022-03", "2022-04"} << QList<double>{2, 12};
        QTest::newRow("one month, one sum")
            << QStringList{"2022-03-02|10.25", "2022-03-28|5.5"} << jan1 << dec31
            << QStringList{"2022-03"} << QList<double>{15.75};
        QTest::newRow("no bar for a month without records")
            << QStringList{"2022-03-02|1", "2022-05-02|2"} << jan1 << dec31
            << QStringList{"2022-03", "2022-05"} << QList<double>{1, 2};
        QTest::newRow("calendar order whatever the entry order")
            << QStringList{"2022-11-01|1", "2021-12-31|2", "2022-02-01|4", "2022-11-30|8", "2022-01-15|16", "2022-02-28|32"}
            << QDate(2021, 1, 1) << dec31
            << QStringList{"2021-12", "2022-01", "2022-02", "2022-11"} << QList<double>{2, 16, 36, 9};
        QTest::newRow("unparsable dates left out")
            << QStringList{"2022-03-01|1", "2022-3-5|2", " 2022-03-06|4", "2022-03-07 |8", "2022-02-30|16",
                           "2022/03/08|32", "|64", "yesterday|128", "２０２２-03-09|256"}
            << jan1 << dec31 << QStringList{"2022-03"} << QList<double>{1};
        QTest::newRow("unconvertible prices count 0")
            << QStringList{"2022-03-01|abc", "2022-03-02|1,5", "2022-03-03|", "2022-03-04| 2.5 ", "2022-03-05|7"}
            << jan1 << dec31 << QStringList{"2022-03"} << QList<double>{9.5};
        QTest::newRow("month of bad prices still has its bar")
            << QStringList{"2022-06-01|x"} << jan1 << dec31 << QStringList{"2022-06"} << QList<double>{0};
        QTest::newRow("non-finite prices count 0")
            << QStringList{"2022-03-01|inf", "2022-03-02|nan", "2022-03-03|-inf", "2022-03-04|3"}
            << jan1 << dec31 << QStringList{"2022-03"} << QList<double>{3};
        QTest::newRow("start after end selects nothing")
            << QStringList{"2022-03-01|1", "2022-04-01|2"} << QDate(2022, 4, 1) << QDate(2022, 3, 1)
            << QStringList() << QList<double>();
        QTest::newRow("start equal to end")
            << QStringList{"2022-03-31|1", "2022-04-01|2", "2022-04-02|4"} << QDate(2022, 4, 1) << QDate(2022, 4, 1)
            << QStringList{"2022-04"} << QList<double>{2};
        QTest::newRow("nothing in range") << QStringList{"2020-03-01|1"} << jan1 << dec31 << QStringList() << QList<double>();
        QTest::newRow("no records") << QStringList() << jan1 << dec31 << QStringList() << QList<double>();
        QTest::newRow("leap day")
            << QStringList{"2024-02-29|5", "2023-02-29|7"} << QDate(2023, 1, 1) << QDate(2024, 12, 31)
            << QStringList{"2024-02"} << QList<double>{5};
    }
    void totals()
    {
        QFETCH(QStringList, entries);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, months);
        QFETCH(QList<double>, sums);

        const QMap<QString, double> result = monthTotals(datedRecords(entries), start, end);
        QCOMPARE(result.keys(), months);
        QCOMPARE(result.values(), sums);
    }

    // The hand-read form must agree with Qt's parser on every text.
    void parseLikeQt_data()
    {
        QTest::addColumn<QString>("text");
        const char *const texts[] = {
            "2022-07-05", "1900-01-01", "9999-12-31", "2024-02-29", "2023-02-29", "2022-04-31",
            "2022-13-01", "2022-00-10", "2022-01-00", "0000-01-01", "+022-01-01", "-001-01-01",
            "2022-7-5", "2022-07-5", "2022-7-05", " 2022-07-05", "2022-07-05 ", "2022-07-05x",
            "2022/07/05", "2022--7-05", "20220-01-01", "", "abcd-ef-gh", "2022-0a-05",
        };
        for (const char *t : texts)
            QTest::newRow(t[0] ? t : "empty") << QString::fromLatin1(t);
        QTest::newRow("full-width digits") << QString::fromUtf8("２０２２-07-05");
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("٢٠٢٢-07-05");
    }
    void parseLikeQt()
    {
        QFETCH(QString, text);
        const QDate expected = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        const QDate actual = parseStoredDate(text);
        QCOMPARE(actual.isValid(), expected.isValid());
        if (expected.isValid())
            QCOMPARE(actual, expected);
    }

    // Random books in random order against the plainest sum: Qt's own date parser, the
    // first seven characters of the date as the month, prices that do not convert as 0.
    void randomAgainstNaiveSum()
    {
        const QStringList oddDates{"", "2022-3-5", "2023-02-30", "garbage", " 2022-03-06", "2022/03/08", "2022-13-01"};
        const QStringList oddPrices{"", "abc", "1,5", "inf", "nan", " 2.5 ", "1e3", "-4", "0012.30"};
        for (quint32 seed = 1; seed <= 200; ++seed) {
            QRandomGenerator rng(seed);
            QList<TableMoney> records;
            const int count = int(rng.bounded(60));
            for (int i = 0; i < count; ++i) {
                TableMoney r;
                r.MyID = i + 1;
                r.date = rng.bounded(8) == 0 ? oddDates.at(int(rng.bounded(oddDates.size())))
                                              : QDate(2020, 1, 1).addDays(rng.bounded(1500)).toString(QStringLiteral("yyyy-MM-dd"));
                r.price = rng.bounded(6) == 0 ? oddPrices.at(int(rng.bounded(oddPrices.size())))
                                               : QStringLiteral("%1.%2").arg(rng.bounded(10000)).arg(rng.bounded(100), 2, 10, QLatin1Char('0'));
                records << r;
            }
            const QDate start = QDate(2019, 6, 1).addDays(rng.bounded(2000));
            const QDate end = QDate(2019, 6, 1).addDays(rng.bounded(2000));

            QMap<QString, double> naive;
            for (const TableMoney &r : qAsConst(records)) {
                const QDate d = QDate::fromString(r.date, QStringLiteral("yyyy-MM-dd"));
                if (!d.isValid() || start > end || d < start || d > end)
                    continue;
                bool ok = false;
                const double v = r.price.toDouble(&ok);
                naive[r.date.left(7)] += (ok && qIsFinite(v)) ? v : 0.0;
            }
            const QMap<QString, double> totals = monthTotals(records, start, end);
            QCOMPARE(totals.keys(), naive.keys());
            for (auto it = naive.constBegin(); it != naive.constEnd(); ++it)
                QCOMPARE(totals.value(it.key()), it.value());
        }
    }
};

QTEST_GUILESS_MAIN(TestMonthTotals)
#include "tst_monthtotals.moc"
