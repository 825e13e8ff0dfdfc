#include "mainwindow/tableview.h"

TableView::TableView(QWidget *parent)
    : QTableView(parent)
{
}
