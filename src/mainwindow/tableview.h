#ifndef TABLEVIEW_H
#define TABLEVIEW_H

#include <QTableView>

// The expense table's view; a named class so the form can place it.
class TableView : public QTableView
{
    Q_OBJECT
public:
    explicit TableView(QWidget *parent = nullptr);
};

#endif // TABLEVIEW_H
