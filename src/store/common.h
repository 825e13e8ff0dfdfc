#ifndef COMMON_H
#define COMMON_H

#include <QObject>
#include <QString>
#include <QStringList>

// The category list travels as one text with "," between names.
class Common : public QObject
{
    Q_OBJECT
public:
    explicit Common(QObject *parent);

    QStringList splitByComma(const QString &text);
    QString joinByComma(const QStringList &list);
};

#endif // COMMON_H
