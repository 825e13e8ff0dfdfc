#ifndef DIALOGS_H
#define DIALOGS_H

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPoint>
#include <QString>

#include <functional>

class QMenu;
class QAction;

// Every modal box, input dialog and popup menu of the program goes through here,
// so that a test can answer it instead of a person (and never hang on one).
namespace Dialogs {

struct Request
{
    enum Kind { Warning, Information, Question, GetText, Menu };
    Kind kind = Warning;
    QWidget *parent = nullptr;
    QString title;
    QString text; // message text, or the input dialog's label
    QString defaultText; // input dialog only
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMenu *menu = nullptr; // menu only
};

struct Answer
{
    QMessageBox::StandardButton button = QMessageBox::Ok;
    bool accepted = true; // input dialog: OK pressed
    QString text; // input dialog: the entered text
    QString menuEntry; // menu: text of the action to trigger; empty closes the menu
};

using Responder = std::function<Answer(const Request &)>;

// With a responder set, nothing is shown: each request is handed to it.
void setResponder(Responder responder);
bool hasResponder();

QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton information(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton);
QString getText(QWidget *parent, const QString &title, const QString &label,
                QLineEdit::EchoMode mode, const QString &text, bool *ok,
                Qt::WindowFlags flags = Qt::WindowFlags(),
                Qt::InputMethodHints hints = Qt::ImhNone);
// The program's boxes: each kind with its title; OK alone with no default button, or OK
// and Cancel with Cancel the default.
void warn(QWidget *parent, const QString &text); // "警告"
void inform(QWidget *parent, const QString &text); // "信息"
bool confirm(QWidget *parent, const QString &text); // "询问": true for OK

// Opens the menu at pos and returns once it has closed; the chosen action has run by then.
QAction *execMenu(QMenu *menu, const QPoint &pos);

} // namespace Dialogs

#endif // DIALOGS_H
