#ifndef CATEGORYRULES_H
#define CATEGORYRULES_H

#include <QMap>
#include <QString>
#include <QStringList>

// Edits of the category list text (names joined by ",") made by the settings form.
// Adding and deleting work on the text itself, so it may carry empty parts;
// readers split it with Common::splitByComma, which drops them.
namespace CategoryRules {

enum class NameCheck {
    Ok,
    Comma,     // the ASCII comma is the separator and may not stand in a name
    Duplicate  // exactly (case-sensitive) equal to a name already in the list
};

// Names shown for the text, in order.
QStringList names(const QString &value);

// Comma test on the name as given, duplicate test on it trimmed.
NameCheck checkName(const QString &value, const QString &name);

// value + "," + trimmed name + ",".
QString appendName(const QString &value, const QString &name);

// Every part exactly equal to oldName becomes newName; the result is cleanly joined.
QString renameName(const QString &value, const QString &oldName, const QString &newName);

// Keeps every part not exactly equal to name, each followed by ",".
QString removeName(const QString &value, const QString &name);

// Swaps the names at rows from and to; false (value untouched) when either is out of range.
bool swapNames(QString &value, int from, int to);

// Extends the chain that currently ends in oldName (the newest such), or starts a new one.
void recordRename(QMap<int, QStringList> &history, int &nextKey,
                  const QString &oldName, const QString &newName);

} // namespace CategoryRules

#endif // CATEGORYRULES_H
