#include "store/monthtotals.h"

#include <QHash>
#include <QStringRef>
#include <QtGlobal>

namespace {

inline int digitAt(const QChar *p, int i)
{
    const ushort u = p[i].unicode();
    return (u >= '0' && u <= '9') ? int(u - '0') : -1;
}

// The date parser costs microseconds per call; the entry form always writes
// "yyyy-MM-dd", so that form is read by hand. QDate(y, m, d) rejects the same
// days and months (and year 0) as the parser. False: not in that form.
bool readCanonicalDate(const QString &text, QDate &date)
{
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return false;
    const QChar *p = text.constData();
    static const int positions[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        digits[i] = digitAt(p, positions[i]);
        if (digits[i] < 0)
            return false;
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    const int month = digits[4] * 10 + digits[5];
    const int day = digits[6] * 10 + digits[7];
    date = QDate(year, month, day);
    return true;
}

} // namespace

QDate parseStoredDate(const QString &text)
{
    QDate date;
    if (readCanonicalDate(text, date))
        return date;
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

QMap<QString, double> monthTotals(const QList<TableMoney> &records, const QDate &start, const QDate &end)
{
    QMap<QString, double> totals;
    if (start.isValid() && end.isValid() && start > end)
        return totals;

    // Odd date texts (from files written by other tools) go through the slow
    // parser once per distinct text.
    QHash<QString, QDate> oddDates;
    // Records arrive in date order, so a month's records follow each other:
    // the map is searched only when the month changes.
    QMap<QString, double>::iterator current = totals.end();

    for (const TableMoney &record : records) {
        QDate date;
        if (!readCanonicalDate(record.date, date)) {
            auto cached = oddDates.constFind(record.date);
            if (cached == oddDates.constEnd())
                cached = oddDates.insert(record.date, QDate::fromString(record.date, QStringLiteral("yyyy-MM-dd")));
            date = cached.value();
        }
        if (!date.isValid() || date < start || date > end)
            continue;

        const QStringRef key = record.date.leftRef(7);
        if (current == totals.end() || key != current.key()) {
            const QString month = key.toString();
            current = totals.find(month);
            if (current == totals.end())
                current = totals.insert(month, 0.0);
        }

        bool ok = false;
        const double price = record.price.toDouble(&ok);
        // "inf" and "nan" convert, but would wreck every total and the axis.
        if (ok && qIsFinite(price))
            current.value() += price;
    }
    return totals;
}
