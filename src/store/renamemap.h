#ifndef RENAMEMAP_H
#define RENAMEMAP_H

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

// Turns the settings form's rename chains into one mapping from each category's name
// when the form opened to its name now. Applied in a single pass, every record is
// relabelled at most once, so two categories that swap names stay apart.
// Chains that end where they began map nothing; of two chains starting from the same
// name the earlier one wins, since only it can stand for a category that existed then.
QHash<QString, QString> renameMapping(const QMap<int, QStringList> &history);

#endif // RENAMEMAP_H
