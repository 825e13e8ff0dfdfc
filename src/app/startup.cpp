#include "app/startup.h"

#include "store/booklock.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace Startup {

void enterProgramFolder()
{
    QDir::setCurrent(QCoreApplication::applicationDirPath());
}

bool loadQtTranslation(QCoreApplication *app)
{
    const QString name = QStringLiteral("qtbase_zh_CN");
    const QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                              QLibraryInfo::location(QLibraryInfo::TranslationsPath)};
    auto *translator = new QTranslator(app);
    for (const QString &folder : folders) {
        if (translator->load(name, folder))
            return app->installTranslator(translator);
    }
    delete translator;
    return false;
}

bool mayOpenBook(const BookLock &lock)
{
    if (lock.state() != BookLock::HeldElsewhere)
        return true;
    Dialogs::inform(nullptr, QStringLiteral("账本已经在另一个窗口中打开，请到那个窗口中继续使用。"));
    return false;
}

} // namespace Startup
