#include "ui/dialogs.h"

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

using BoxFunction = QMessageBox::StandardButton (*)(QWidget *, const QString &, const QString &,
                                                   QMessageBox::StandardButtons, QMessageBox::StandardButton);

// A message box of the given kind: shown by Qt, or handed to the responder.
static QMessageBox::StandardButton box(Request::Kind kind, BoxFunction show, QWidget *parent,
                                       const QString &title, const QString &text,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::StandardButton defaultButton)
{
    if (!hasResponder())
        return show(parent, title, text, buttons, defaultButton);
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
    return box(Request::Warning, &QMessageBox::warning, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    return box(Request::Information, &QMessageBox::information, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton)
{
    return box(Request::Question, &QMessageBox::question, parent, title, text, buttons, defaultButton);
}

void warn(QWidget *parent, const QString &text)
{
    warning(parent, QStringLiteral("警告"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void inform(QWidget *parent, const QString &text)
{
    information(parent, QStringLiteral("信息"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

bool confirm(QWidget *parent, const QString &text)
{
    return question(parent, QStringLiteral("询问"), text, QMessageBox::Ok | QMessageBox::Cancel,
                    QMessageBox::Cancel) == QMessageBox::Ok;
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
