#include "store/tablesetting.h"

TableSetting::TableSetting(QObject *parent)
    : QObject(parent)
{
}
