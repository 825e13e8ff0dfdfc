#include "dialogs.h"

#include <QAction>
#include <QMenu>

namespace Dialogs {

static Responder &responder()
{
    static Responder r;
    return r;
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

bool hasResponder()
{
    return bool(responder());
}

static QMessageBox::StandardButton ask(Request::Kind kind, QWidget *parent, const QString &title,
                                       const QString &text, QMessageBox::StandardButtons buttons,
                                       QMessageBox::StandardButton defaultButton)
{
    Request req;
    req.kind = kind;
    req.parent = parent;
    req.title = title;
    req.text = text;
    req.buttons = buttons;
    req.defaultButton = defaultButton;
    return responder()(req).button;
}

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    if (hasResponder())
        return ask(Request::Warning, parent, title, text, buttons, defaultButton);
    return QMessageBox::warning(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    if (hasResponder())
        return ask(Request::Information, parent, title, text, buttons, defaultButton);
    return QMessageBox::information(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    if (hasResponder())
        return ask(Request::Question, parent, title, text, buttons, defaultButton);
    return QMessageBox::question(parent, title, text, buttons, defaultButton);
}

QString getText(QWidget *parent, const QString &title, const QString &label,
                QLineEdit::EchoMode mode, const QString &text, bool *ok,
                Qt::WindowFlags flags, Qt::InputMethodHints hints)
{
    if (hasResponder()) {
        Request req;
        req.kind = Request::GetText;
        req.parent = parent;
        req.title = title;
        req.text = label;
        req.defaultText = text;
        const Answer answer = responder()(req);
        if (ok)
            *ok = answer.accepted;
        return answer.accepted ? answer.text : QString();
    }
    return QInputDialog::getText(parent, title, label, mode, text, ok, flags, hints);
}

QAction *execMenu(QMenu *menu, const QPoint &pos)
{
    if (hasResponder()) {
        Request req;
        req.kind = Request::Menu;
        req.parent = menu->parentWidget();
        req.menu = menu;
        const Answer answer = responder()(req);
        if (answer.menuEntry.isEmpty())
            return nullptr;
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && action->text() == answer.menuEntry) {
                action->trigger();
                return action;
            }
        }
        return nullptr;
    }
    return menu->exec(pos);
}

} // namespace Dialogs
