#include "support/commanddriver.h"

#include <QtTest>

using namespace TestSupport;

namespace {

// About 1 MB of mixed text: Chinese, emoji, quotes, line breaks.
QString megabyteText()
{
    const QString piece = QStringLiteral("买菜🥬 'x' \"y\" %1\n第二行\t");
    QString text;
    while (text.size() < 1024 * 1024)
        text += piece;
    return text;
}

const QString priceTooExact = QStringLiteral("小数点后没有数字或者物品价格没必要精确到小数点后3位啊。");
const QString commaRefused = QStringLiteral("您刚才使用了英文逗号，请改为中文逗号，因为英文逗号是保留字符。");

} // namespace

class TestBadInput : public QObject, DrivenWindow
{
    Q_OBJECT
private slots:
    void init() { resetAnswers(); }
    void cleanup() { endTest(); }
    void entries_data();
    void entries();
    void categories_data();
    void categories();

private:
    // A new book with these categories, or the same book again when they are null.
    void start(const QString &categories)
    {
        if (categories.isNull())
            openWindow({1000, 700});
        else
            openBook(categories, {}, {1000, 700});
    }
};

void TestBadInput::entries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("refusal"); // empty: stored

    const QDate day(2024, 5, 6);
    const QString mb = megabyteText();
    QTest::newRow("1 MB memo") << QStringLiteral("大") << "1" << mb << day << QString();
    // Far beyond a line edit's default limit of 32767 characters: nothing is cut off.
    QTest::newRow("1 MB name") << mb << "1" << QString() << day << QString();
    QTest::newRow("emoji") << QStringLiteral("🍚🥛👨‍👩‍👧‍👦🇨🇳") << "3" << QStringLiteral("😀\n🎉") << day << QString();
    QTest::newRow("right-to-left") << QStringLiteral("חלב ولبن") << "4" << QStringLiteral("\u202Eevil\u202C \u200F!") << day << QString();
    QTest::newRow("control characters") << QStringLiteral("a\x01" "b\x1b[31mc\x7f") << "5"
                                        << QStringLiteral("\t\r\n\x0b\x0c\u2028\u2029\uFEFF") << day << QString();
    QTest::newRow("embedded NUL") << QString::fromUtf16(u"a\0b", 3) << "6" << QString::fromUtf16(u"x\0y\0", 4) << day << QString();
    QTest::newRow("SQL and format texts") << QStringLiteral("'); drop table tablemoneydb; --") << "7"
                                          << QStringLiteral("%1 %n %s \\0 '' \"") << day << QString();
    QTest::newRow("many leading zeros") << "x" << QString(40, QLatin1Char('0')) + QStringLiteral("12.50") << QString() << day << QString();
    QTest::newRow("300 digits") << "x" << QString(300, QLatin1Char('9')) << QString() << day << QString();
    QTest::newRow("300 digits, 2 decimals") << "x" << QString(300, QLatin1Char('1')) + QStringLiteral(".25") << QString() << day << QString();
    QTest::newRow("300 digits, 3 decimals") << "x" << QString(300, QLatin1Char('1')) + QStringLiteral(".255") << QString() << day << priceTooExact;
    QTest::newRow("earliest date") << "x" << "1" << QString() << QDate(1752, 9, 14) << QString();
    QTest::newRow("latest date") << "x" << "1" << QString() << QDate(9999, 12, 31) << QString();
}

// Each entry is refused with its message, or stored exactly as the form holds it and
// read back exactly after a restart; the chart's sums take it without harm.
void TestBadInput::entries()
{
    QFETCH(QString, name);
    QFETCH(QString, price);
    QFETCH(QString, memo);
    QFETCH(QDate, date);
    QFETCH(QString, refusal);
    start(QStringLiteral("A,B"));

    driver->rightClick(-1, QStringLiteral("新增"));
    AddNew *form = driver->entryForm();
    auto *dateEdit = child<QDateEdit>(form, "dateEdit_date");
    QVERIFY(date >= dateEdit->minimumDate() && date <= dateEdit->maximumDate());
    driver->fillEntry(name, QString(), date, memo, QStringLiteral("B"));
    // The price is typed, so the field's validator sees every key.
    auto *priceEdit = child<QLineEdit>(form, "lineEdit_price");
    QTest::keyClicks(priceEdit, price);
    QCOMPARE(priceEdit->text(), price);
    const QString shownName = child<QLineEdit>(form, "lineEdit_name")->text();
    QCOMPARE(shownName, name);
    // The memo field keeps line breaks as plain "\n": a pasted "\r\n" or paragraph
    // separator becomes one, so the record carries what the field shows.
    const QString shownMemo = child<QPlainTextEdit>(form, "plainTextEdit_memo")->toPlainText();
    if (shownMemo != memo)
        qInfo("memo field shows %s for %s", shownMemo.toUtf8().toHex(' ').constData(), memo.toUtf8().toHex(' ').constData());

    QSignalSpy sent(form, &AddNew::sendEntity);
    driver->pressEntryButton();
    if (!refusal.isEmpty()) {
        QCOMPARE(answers.warnings(), QStringList{refusal});
        QCOMPARE(sent.count(), 0);
        QVERIFY(storedRows(databasePath()).isEmpty());
        return;
    }
    QCOMPARE(answers.warnings(), QStringList());
    const QStringList expected{QStringLiteral("B"), shownName, price, date.toString(QStringLiteral("yyyy-MM-dd")), shownMemo,
                               QStringLiteral("1")};
    QCOMPARE(storedRows(databasePath()), QList<QStringList>{expected});
    QCOMPARE(driver->tableRows(), QList<QStringList>{expected});

    start(QString());
    QCOMPARE(driver->tableRows(), QList<QStringList>{expected});
    QCOMPARE(driver->memoryRows(), QList<QStringList>{expected});
    const QMap<QString, double> totals = driver->probe().book().monthTotals(date.addDays(-1), date.addDays(1));
    QCOMPARE(totals.size(), 1);
    QVERIFY(qIsFinite(totals.first()));
}

void TestBadInput::categories_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("notice"); // empty: accepted
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("one blank") << " " << QString() << "A,B,," << QStringList{"A", "B"};
    QTest::newRow("full-width comma") << QStringLiteral("，") << QString() << QStringLiteral("A,B,，,")
                                      << QStringList{"A", "B", QStringLiteral("，")};
    QTest::newRow("full-width comma inside") << QStringLiteral("吃，喝") << QString() << QStringLiteral("A,B,吃，喝,")
                                             << QStringList{"A", "B", QStringLiteral("吃，喝")};
    QTest::newRow("ascii comma") << "C,D" << commaRefused << "A,B" << QStringList{"A", "B"};
    QTest::newRow("emoji") << QStringLiteral("🍜") << QString() << QStringLiteral("A,B,🍜,") << QStringList{"A", "B", QStringLiteral("🍜")};
    QTest::newRow("right-to-left") << QStringLiteral("מזון") << QString() << QStringLiteral("A,B,מזון,")
                                   << QStringList{"A", "B", QStringLiteral("מזון")};
    QTest::newRow("embedded NUL") << QString::fromUtf16(u"x\0y", 3) << QString() << QString::fromUtf16(u"A,B,x\0y,", 8)
                                  << QStringList{"A", "B", QString::fromUtf16(u"x\0y", 3)};
}

// A category is refused with its notice or stored exactly; a record filed under an
// accepted category keeps that category through a restart.
void TestBadInput::categories()
{
    QFETCH(QString, category);
    QFETCH(QString, notice);
    QFETCH(QString, stored);
    QFETCH(QStringList, shown);
    start(QStringLiteral("A,B"));

    driver->addCategory(category);
    QCOMPARE(answers.notices(), notice.isEmpty() ? QStringList() : QStringList{notice});
    QCOMPARE(answers.warnings(), QStringList());
    QCOMPARE(storedCategories(databasePath()), stored);

    start(QString());
    QCOMPARE(driver->categorySetting(), stored);
    driver->rightClick(-1, QStringLiteral("新增"));
    auto *box = child<QComboBox>(driver->entryForm(), "comboBox_type");
    QCOMPARE(WidgetChecks::comboItems(box), shown);

    box->setCurrentIndex(box->count() - 1);
    driver->fillEntry(QStringLiteral("物"), QStringLiteral("1"));
    driver->pressEntryButton();
    start(QString());
    QCOMPARE(driver->tableRows().value(0).value(0), shown.last());
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
