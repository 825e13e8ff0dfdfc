#include "store/renamemap.h"

#include <QtTest>

using History = QMap<int, QStringList>;
using Mapping = QHash<QString, QString>;
Q_DECLARE_METATYPE(History)
Q_DECLARE_METATYPE(Mapping)

class TestRenameMap : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data()
    {
        QTest::addColumn<History>("history");
        QTest::addColumn<Mapping>("expected");

        QTest::newRow("empty") << History() << Mapping();
        QTest::newRow("one rename") << History{{0, {"A", "B"}}} << Mapping{{"A", "B"}};
        QTest::newRow("chain A B C") << History{{0, {"A", "B", "C"}}} << Mapping{{"A", "C"}};
        QTest::newRow("back to start") << History{{0, {"A", "B", "A"}}} << Mapping();
        QTest::newRow("swap through a spare name")
            << History{{0, {"A", "T", "B"}}, {1, {"B", "A"}}} << Mapping{{"A", "B"}, {"B", "A"}};
        QTest::newRow("names trimmed") << History{{3, {" A ", "B "}}} << Mapping{{"A", "B"}};
        QTest::newRow("earlier chain wins for one first name")
            << History{{0, {"A", "B"}}, {1, {"A", "C"}}} << Mapping{{"A", "B"}};
        QTest::newRow("two independent") << History{{0, {"A", "X"}}, {5, {"B", "Y"}}} << Mapping{{"A", "X"}, {"B", "Y"}};
    }
    void mapping()
    {
        QFETCH(History, history);
        QFETCH(Mapping, expected);
        QCOMPARE(renameMapping(history), expected);
    }

    // Without interlocking names, the single-pass mapping equals applying each chain's
    // rename to the records one after another.
    void matchesSequentialRenamesWithoutSwaps()
    {
        for (quint32 seed = 1; seed <= 50; ++seed) {
            QRandomGenerator rng(seed);
            QStringList names;
            for (int i = 0; i < 6; ++i)
                names << QStringLiteral("c%1").arg(i);
            QStringList records;
            for (int i = 0; i < 40; ++i)
                records << names.at(rng.bounded(names.size()));

            // Build chains the way the settings form does, never reusing a name.
            History history;
            int key = 0;
            int fresh = 100;
            QStringList current = names;
            for (int step = 0; step < 8; ++step) {
                const int idx = rng.bounded(current.size());
                const QString oldName = current.at(idx);
                const QString newName = QStringLiteral("c%1").arg(fresh++);
                current[idx] = newName;
                bool extended = false;
                for (auto it = history.end(); it != history.begin();) {
                    --it;
                    if (it.value().last() == oldName) {
                        it.value() << newName;
                        extended = true;
                        break;
                    }
                }
                if (!extended)
                    history.insert(key++, {oldName, newName});
            }

            QStringList sequential = records;
            for (const QStringList &chain : qAsConst(history))
                for (QString &r : sequential)
                    if (r == chain.first())
                        r = chain.last();

            const Mapping map = renameMapping(history);
            QStringList single = records;
            for (QString &r : single)
                r = map.value(r, r);
            QCOMPARE(single, sequential);
        }
    }
};

QTEST_GUILESS_MAIN(TestRenameMap)
#include "tst_renamemap.moc"
