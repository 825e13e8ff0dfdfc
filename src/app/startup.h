#ifndef STARTUP_H
#define STARTUP_H

class BookLock;
class QCoreApplication;

// The steps main() takes before the window, each on its own so the tests can take them too.
namespace Startup {

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
