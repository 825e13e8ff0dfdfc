#include "tablesetting.h"

TableSetting::TableSetting(QObject *parent)
    : QObject(parent)
{
}
