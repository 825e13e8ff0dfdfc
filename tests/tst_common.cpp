#include "common.h"

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

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
