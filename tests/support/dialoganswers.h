#ifndef DIALOGANSWERS_H
#define DIALOGANSWERS_H

#include "ui/dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers every dialog from a queue (by default: OK, an accepted empty text, no menu
// entry) and keeps what was asked.
struct DialogAnswers
{
    QList<Dialogs::Request> asked;
    QList<Dialogs::Answer> queue;
    std::function<void(const Dialogs::Request &)> onRequest;

    void install()
    {
        Dialogs::setResponder([this](const Dialogs::Request &r) {
            asked << r;
            if (onRequest)
                onRequest(r);
            return queue.isEmpty() ? Dialogs::Answer() : queue.takeFirst();
        });
    }
    void menu(const QString &entry)
    {
        Dialogs::Answer a;
        a.menuEntry = entry;
        queue << a;
    }
    void button(QMessageBox::StandardButton b)
    {
        Dialogs::Answer a;
        a.button = b;
        queue << a;
    }
    void text(const QString &t, bool accepted = true)
    {
        Dialogs::Answer a;
        a.text = t;
        a.accepted = accepted;
        queue << a;
    }
    QStringList texts(Dialogs::Request::Kind kind) const
    {
        QStringList out;
        for (const auto &r : asked)
            if (r.kind == kind)
                out << r.text;
        return out;
    }
    QStringList allTexts() const
    {
        QStringList out;
        for (const auto &r : asked)
            out << r.text;
        return out;
    }
    // Texts of the message boxes only (input dialogs left out).
    QStringList messages() const
    {
        QStringList out;
        for (const auto &r : asked)
            if (r.kind != Dialogs::Request::GetText)
                out << r.text;
        return out;
    }
    QStringList warnings() const { return texts(Dialogs::Request::Warning); }
    QStringList notices() const { return texts(Dialogs::Request::Information); }
};

// Every part of a request a person sees, as one text, so that one comparison covers them all.
inline QString describe(const Dialogs::Request &r)
{
    static const char *const kinds[] = {"warning", "information", "question", "text input", "menu"};
    const QString parent = r.parent ? QString::number(quintptr(r.parent), 16) : QStringLiteral("none");
    return QLatin1String(kinds[r.kind]) + QStringLiteral(" over ") + parent + QStringLiteral(": [") + r.title
        + QStringLiteral("] ") + r.text + QStringLiteral(" (default text \"") + r.defaultText
        + QStringLiteral("\", buttons ") + QString::number(int(r.buttons), 16) + QStringLiteral(", default ")
        + QString::number(int(r.defaultButton), 16) + QLatin1Char(')');
}

// Installed for the life of the object.
struct ScopedDialogAnswers : DialogAnswers
{
    ScopedDialogAnswers() { install(); }
    ~ScopedDialogAnswers() { Dialogs::setResponder(nullptr); }
    ScopedDialogAnswers(const ScopedDialogAnswers &) = delete;
    ScopedDialogAnswers &operator=(const ScopedDialogAnswers &) = delete;
};

#endif // DIALOGANSWERS_H
