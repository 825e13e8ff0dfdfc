#include "store/common.h"

#include <QtTest>

namespace {
// Letters a category name may hold: anything but the ASCII comma.
const QString nameLetters = QString::fromUtf8("ab Z9\t'%\"餐饮，、；") + QString::fromUtf16(u"\U0001F35C\u05D0\0", 4);

QString randomName(QRandomGenerator &rng)
{
    QString name;
    const int length = 1 + int(rng.bounded(6));
    while (name.size() < length) {
        const int i = int(rng.bounded(nameLetters.size()));
        if (nameLetters.at(i).isHighSurrogate())
            name += nameLetters.mid(i, 2);
        else if (!nameLetters.at(i).isLowSurrogate())
            name += nameLetters.at(i);
    }
    return name;
}
} // namespace

class TestCommon : public QObject
{
    Q_OBJECT
private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("stray separators") << ",A,,B," << QStringList{"A", "B"};
        QTest::newRow("blanks kept") << " A , B" << QStringList{" A ", " B"};
        QTest::newRow("only separators") << ",,," << QStringList();
        QTest::newRow("full-width comma is not a separator") << QString::fromUtf8("餐饮，交通,其他")
                                                             << QStringList{QString::fromUtf8("餐饮，交通"), QString::fromUtf8("其他")};
        QTest::newRow("case of neighbours irrelevant") << "a,A" << QStringList{"a", "A"};
    }
    void split()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, parts);
        QCOMPARE(c.splitByComma(text), parts);
    }

    void join_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QStringList() << QString();
        QTest::newRow("one") << QStringList{"A"} << "A";
        QTest::newRow("two") << QStringList{"A", "B"} << "A,B";
        QTest::newRow("empty item kept in place") << QStringList{"A", "", "B"} << "A,,B";
    }
    void join()
    {
        QFETCH(QStringList, list);
        QFETCH(QString, text);
        QCOMPARE(c.joinByComma(list), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::newRow("single") << QStringList{"A"};
        QTest::newRow("chinese") << QStringList{QString::fromUtf8("餐饮"), QString::fromUtf8("交通"), QString::fromUtf8("其他")};
        QTest::newRow("blanks inside") << QStringList{" a ", "b c"};
    }
    void roundTrip()
    {
        QFETCH(QStringList, list);
        QCOMPARE(c.splitByComma(c.joinByComma(list)), list);
    }

    // Random lists survive join then split; random texts split into their non-empty
    // comma-free stretches, found here by a plain scan.
    void randomLists()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator rng(seed);
            QStringList list;
            const int count = int(rng.bounded(8));
            for (int i = 0; i < count; ++i)
                list << randomName(rng);
            QCOMPARE(c.splitByComma(c.joinByComma(list)), list);

            QString text;
            const int pieces = int(rng.bounded(10));
            for (int i = 0; i < pieces; ++i)
                text += rng.bounded(3) == 0 ? QStringLiteral(",") : randomName(rng);
            QStringList expected;
            QString part;
            for (const QChar ch : text + QLatin1Char(',')) {
                if (ch != QLatin1Char(',')) {
                    part += ch;
                } else if (!part.isEmpty()) {
                    expected << part;
                    part.clear();
                }
            }
            QCOMPARE(c.splitByComma(text), expected);
            QCOMPARE(c.splitByComma(c.joinByComma(c.splitByComma(text))), expected);
        }
    }

private:
    Common c{nullptr};
};

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
