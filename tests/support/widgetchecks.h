#ifndef WIDGETCHECKS_H
#define WIDGETCHECKS_H

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QWidget>
#include <QtTest>

// What a person sees of a form or menu, read the same way by every test.
namespace WidgetChecks {

// Shows w and waits until it is on screen.
inline bool showExposed(QWidget *w)
{
    w->show();
    return QTest::qWaitForWindowExposed(w);
}

// The widgets of among in the order Tab visits them within form.
inline QList<QWidget *> focusOrder(QWidget *form, const QList<QWidget *> &among)
{
    QList<QWidget *> chain;
    for (QWidget *w = form->nextInFocusChain(); w != form; w = w->nextInFocusChain())
        if (among.contains(w))
            chain << w;
    return chain;
}

// The menu's entries, separators as separator.
inline QStringList menuEntries(const QMenu *menu, const QString &separator)
{
    QStringList entries;
    for (QAction *a : menu->actions())
        entries << (a->isSeparator() ? separator : a->text());
    return entries;
}

// The texts a table model shows, row by row (none for no model).
inline QList<QStringList> cells(const QAbstractItemModel *model)
{
    QList<QStringList> rows;
    for (int r = 0; model && r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        rows << row;
    }
    return rows;
}

// The texts a combo box offers, in order.
inline QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace WidgetChecks

#endif // WIDGETCHECKS_H
