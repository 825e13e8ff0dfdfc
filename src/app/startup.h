#ifndef STARTUP_H
#define STARTUP_H

#include <QByteArray>

class BookLock;
class QCoreApplication;

// The steps main() takes before the window, each on its own so the tests can take them too.
namespace Startup {

// Linux with glibc, for a large book: restarts the program once, as the same process, with
// glibc told to back its heap with huge pages and to grow it in large steps. Such a book's
// table is a million small items, and each fresh 4 KB page of them costs a fault; on a
// virtual machine those faults were half the time to show 100,000 records. glibc takes this
// only from the environment at start. Returns when there is nothing to do or the restart
// failed; the program then runs as it is.
void useHugePagesForTheHeap(char *argv[]);

// Whether this build restarts for that (not under AddressSanitizer, which has its own heap).
bool restartsForHugePages();

// The GLIBC_TUNABLES value for that restart: `current` with the settings it lacks added.
// Empty for a small book, and when `current` already says how the heap uses huge pages (a
// choice made there stands).
QByteArray heapTunables(const QByteArray &current, qint64 bookSize);

// Makes the program's folder the working directory: relative names in QtLog4Qt.conf then
// mean "beside the program", whether it was started from a shortcut, a prompt or the Run box.
void enterProgramFolder();

// Loads Qt's own texts in Chinese (standard buttons, input dialogs, the menus of text
// fields): from translations/ beside the program (Windows), else from Qt's own folder.
// Without the file Qt's texts stay English; false then.
bool loadQtTranslation(QCoreApplication *app);

// False, once the user has been told, when another program has the book open.
bool mayOpenBook(const BookLock &lock);

} // namespace Startup

#endif // STARTUP_H
