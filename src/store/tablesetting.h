#ifndef TABLESETTING_H
#define TABLESETTING_H

#include <QObject>
#include <QString>

// A name/value row of tablesetting. Always created with a parent, which frees it.
class TableSetting : public QObject
{
    Q_OBJECT
public:
    explicit TableSetting(QObject *parent);

    QString settingname;
    QString settingvalue;
};

#endif // TABLESETTING_H
