#include "store/common.h"

#include <QRandomGenerator>
#include <QtTest>

class TestCommon : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void join_data();
    void join();
    void roundTrip_data();
    void roundTrip();
    void randomLists();
};

void TestCommon::split_data()
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

void TestCommon::split()
{
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    Common c(nullptr);
    QCOMPARE(c.splitByComma(text), parts);
}

void TestCommon::join_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QStringList() << QString();
    QTest::newRow("one") << QStringList{"A"} << "A";
    QTest::newRow("two") << QStringList{"A", "B"} << "A,B";
    QTest::newRow("empty item kept in place") << QStringList{"A", "", "B"} << "A,,B";
}

void TestCommon::join()
{
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    Common c(nullptr);
    QCOMPARE(c.joinByComma(list), text);
}

void TestCommon::roundTrip_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::newRow("single") << QStringList{"A"};
    QTest::newRow("chinese") << QStringList{QString::fromUtf8("餐饮"), QString::fromUtf8("交通"), QString::fromUtf8("其他")};
    QTest::newRow("blanks inside") << QStringList{" a ", "b c"};
}

void TestCommon::roundTrip()
{
    QFETCH(QStringList, list);
    Common c(nullptr);
    QCOMPARE(c.splitByComma(c.joinByComma(list)), list);
}

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

// Random lists survive join then split; random texts split into their non-empty
// comma-free stretches, found here by a plain scan.
void TestCommon::randomLists()
{
    Common c(nullptr);
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

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
