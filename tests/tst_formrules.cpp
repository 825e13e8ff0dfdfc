#include "store/categoryrules.h"
#include "store/pricerule.h"

#include <QtTest>

using PriceRule::EntryCheck;
using CategoryRules::NameCheck;

Q_DECLARE_METATYPE(EntryCheck)
Q_DECLARE_METATYPE(NameCheck)

using History = QMap<int, QStringList>;
using Rename = QPair<QString, QString>;

namespace {
// The entry checks as the form's description words them, written apart from the code:
// a decimal point needs a second stretch of non-points of at most two characters.
EntryCheck referenceCheck(const QString &name, const QString &price)
{
    if (name.trimmed().isEmpty() || price.trimmed().isEmpty())
        return EntryCheck::Empty;
    const QString p = price.trimmed();
    if (p.at(0) == QLatin1Char('-'))
        return EntryCheck::Negative;
    if (p.indexOf(QLatin1Char('.')) < 0)
        return EntryCheck::Ok;
    static const QRegularExpression twoStretches(QStringLiteral("^\\.*[^.]+\\.+([^.]+)"));
    const QRegularExpressionMatch m = twoStretches.match(p);
    if (!m.hasMatch())
        return EntryCheck::BadDecimals;
    return m.captured(1).size() <= 2 ? EntryCheck::Ok : EntryCheck::BadDecimals;
}
} // namespace

class TestFormRules : public QObject
{
    Q_OBJECT
private slots:
    void entry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("price");
        QTest::addColumn<EntryCheck>("result");
        QTest::newRow("whole") << "milk" << "12" << EntryCheck::Ok;
        QTest::newRow("one decimal") << "milk" << "12.5" << EntryCheck::Ok;
        QTest::newRow("two decimals") << "milk" << "12.50" << EntryCheck::Ok;
        QTest::newRow("zero") << "milk" << "0" << EntryCheck::Ok;
        QTest::newRow("point without digits") << "milk" << "12." << EntryCheck::BadDecimals;
        QTest::newRow("three decimals") << "milk" << "12.505" << EntryCheck::BadDecimals;
        QTest::newRow("leading point") << "milk" << ".5" << EntryCheck::BadDecimals;
        QTest::newRow("lone minus") << "milk" << "-" << EntryCheck::Negative;
        QTest::newRow("negative") << "milk" << "-5" << EntryCheck::Negative;
        QTest::newRow("negative behind blanks") << "milk" << " -5" << EntryCheck::Negative;
        QTest::newRow("negative with bad decimals") << "milk" << "-5.123" << EntryCheck::Negative;
        QTest::newRow("empty name wins over negative") << "" << "-5" << EntryCheck::Empty;
        QTest::newRow("blank name") << "   " << "5" << EntryCheck::Empty;
        QTest::newRow("empty price") << "milk" << "" << EntryCheck::Empty;
        QTest::newRow("blank price") << "milk" << "  " << EntryCheck::Empty;
        QTest::newRow("outer blanks are fine") << " milk " << " 3.2 " << EntryCheck::Ok;
    }
    void entry()
    {
        QFETCH(QString, name);
        QFETCH(QString, price);
        QFETCH(EntryCheck, result);
        QCOMPARE(PriceRule::checkEntry(name, price), result);
    }

    // Random names and prices, including the texts the price field lets through and many
    // it does not, judged alike by the rule and the reference.
    void entryAgainstReference()
    {
        const QString letters = QString::fromUtf8("0019..-  a５\t");
        const QStringList names{QString(), QStringLiteral(" "), QStringLiteral("\t"), QStringLiteral("milk"), QStringLiteral(" m ")};
        for (quint32 seed = 1; seed <= 5000; ++seed) {
            QRandomGenerator rng(seed);
            QString price;
            const int length = int(rng.bounded(9));
            for (int i = 0; i < length; ++i)
                price += letters.at(int(rng.bounded(letters.size())));
            const QString name = names.at(int(rng.bounded(names.size())));
            const EntryCheck expected = referenceCheck(name, price);
            if (PriceRule::checkEntry(name, price) != expected)
                QFAIL(qPrintable(QStringLiteral("seed %1: name \"%2\" price \"%3\"").arg(seed).arg(name, price)));
        }
    }

    void checkName_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        QTest::addColumn<NameCheck>("result");
        QTest::newRow("new") << "a,b" << "c" << NameCheck::Ok;
        QTest::newRow("ascii comma") << "a,b" << "c,d" << NameCheck::Comma;
        QTest::newRow("comma beats duplicate") << "a,b" << "a," << NameCheck::Comma;
        QTest::newRow("full-width comma") << "a,b" << QString::fromUtf8("c，d") << NameCheck::Ok;
        QTest::newRow("duplicate") << "a,b" << "b" << NameCheck::Duplicate;
        QTest::newRow("duplicate once trimmed") << "a,b" << "  b " << NameCheck::Duplicate;
        QTest::newRow("case differs") << "a,b" << "B" << NameCheck::Ok;
        QTest::newRow("stored part with blanks") << " b ,a" << "b" << NameCheck::Ok;
        QTest::newRow("empty list") << "" << "a" << NameCheck::Ok;
        QTest::newRow("stray separators") << ",a,,b," << "b" << NameCheck::Duplicate;
    }
    void checkName()
    {
        QFETCH(QString, value);
        QFETCH(QString, name);
        QFETCH(NameCheck, result);
        QCOMPARE(CategoryRules::checkName(value, name), result);
    }

    void append_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("to empty") << "" << "c" << ",c," << QStringList{"c"};
        QTest::newRow("to list") << "a,b" << "c" << "a,b,c," << QStringList{"a", "b", "c"};
        QTest::newRow("trimmed, inner blank kept") << "a" << " x y " << "a,x y," << QStringList{"a", "x y"};
        QTest::newRow("blanks add nothing") << "a,b" << "   " << "a,b,," << QStringList{"a", "b"};
    }
    void append()
    {
        QFETCH(QString, value);
        QFETCH(QString, name);
        QFETCH(QString, result);
        QFETCH(QStringList, shown);
        const QString after = CategoryRules::appendName(value, name);
        QCOMPARE(after, result);
        QCOMPARE(CategoryRules::names(after), shown);
    }

    void remove_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("result");
        QTest::newRow("middle") << "a,b,c" << "b" << "a,c,";
        QTest::newRow("only") << "a" << "a" << "";
        QTest::newRow("stray separators dropped") << ",a,,b," << "a" << "b,";
        QTest::newRow("twice") << "a,b,a" << "a" << "b,";
        QTest::newRow("blanks around stored part") << " a ,b" << "a" << " a ,b,";
        QTest::newRow("case-sensitive") << "A,a" << "a" << "A,";
        QTest::newRow("absent") << "a,b" << "x" << "a,b,";
    }
    void remove()
    {
        QFETCH(QString, value);
        QFETCH(QString, name);
        QFETCH(QString, result);
        QCOMPARE(CategoryRules::removeName(value, name), result);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("result");
        QTest::newRow("middle") << "a,b,c" << "b" << "x" << "a,x,c";
        QTest::newRow("joined cleanly") << ",a,,b," << "a" << "z" << "z,b";
        QTest::newRow("twice") << "a,b,a" << "a" << "c" << "c,b,c";
        QTest::newRow("stored blanks not replaced") << " a ,b" << "a" << "c" << " a ,b";
    }
    void rename()
    {
        QFETCH(QString, value);
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(QString, result);
        QCOMPARE(CategoryRules::renameName(value, oldName, newName), result);
    }

    void swap_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QString>("result");
        QTest::newRow("last up") << "a,b,c" << 2 << 1 << true << "a,c,b";
        QTest::newRow("first down") << "a,b,c" << 0 << 1 << true << "b,a,c";
        QTest::newRow("first up") << "a,b,c" << 0 << -1 << false << "a,b,c";
        QTest::newRow("last down") << "a,b,c" << 2 << 3 << false << "a,b,c";
        QTest::newRow("single") << "a" << 0 << 1 << false << "a";
        QTest::newRow("stray separators") << ",a,,b," << 0 << 1 << true << "b,a";
    }
    void swap()
    {
        QFETCH(QString, value);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, done);
        QFETCH(QString, result);
        QCOMPARE(CategoryRules::swapNames(value, from, to), done);
        QCOMPARE(value, result);
    }

    void history_data()
    {
        QTest::addColumn<int>("firstKey");
        QTest::addColumn<QList<Rename>>("renames");
        QTest::addColumn<History>("result");
        QTest::addColumn<int>("nextKey");

        QTest::newRow("one") << 0 << QList<Rename>{{"A", "B"}} << History{{0, {"A", "B"}}} << 1;
        QTest::newRow("chain") << 0 << QList<Rename>{{"A", "B"}, {"B", "C"}}
                               << History{{0, {"A", "B", "C"}}} << 1;
        QTest::newRow("back and forth") << 0 << QList<Rename>{{"A", "B"}, {"B", "A"}}
                                        << History{{0, {"A", "B", "A"}}} << 1;
        QTest::newRow("two categories") << 3 << QList<Rename>{{"A", "B"}, {"X", "Y"}, {"B", "C"}}
                                        << History{{3, {"A", "B", "C"}}, {4, {"X", "Y"}}} << 5;
        // Both chains end in A; the newer one carries on.
        QTest::newRow("newest match wins") << 0 << QList<Rename>{{"A", "B"}, {"B", "A"}, {"C", "D"}, {"D", "A"}, {"A", "E"}}
                                           << History{{0, {"A", "B", "A"}}, {1, {"C", "D", "A", "E"}}} << 2;
    }
    void history()
    {
        QFETCH(int, firstKey);
        QFETCH(QList<Rename>, renames);
        QFETCH(History, result);
        QFETCH(int, nextKey);
        History h;
        int key = firstKey;
        for (const Rename &r : renames)
            CategoryRules::recordRename(h, key, r.first, r.second);
        QCOMPARE(h, result);
        QCOMPARE(key, nextKey);
    }
};

QTEST_GUILESS_MAIN(TestFormRules)
#include "tst_formrules.moc"
