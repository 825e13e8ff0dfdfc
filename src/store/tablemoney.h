#ifndef TABLEMONEY_H
#define TABLEMONEY_H

#include <QString>

// One expense, a plain value copied wherever it goes; mirrors a row of tablemoneydb.
class TableMoney
{
public:
    QString type;
    QString name;
    QString price;
    QString date;
    QString memo;
    qint32 MyID = 0;
};

#endif // TABLEMONEY_H
