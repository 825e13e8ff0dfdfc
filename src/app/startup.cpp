#include "app/startup.h"

#include "store/booklock.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#if defined(Q_OS_LINUX) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define TOBRELL_HEAP_TUNABLES
#include <cstdlib>
#include <unistd.h>
#endif

namespace Startup {

namespace {
// Below this (some 20,000 records) a book shows quickly anyway, and the restart would cost
// more than the huge pages save.
const qint64 largeBook = 1 << 20;
} // namespace

QByteArray heapTunables(const QByteArray &current, qint64 bookSize)
{
    if (bookSize < largeBook || current.contains("glibc.malloc.hugetlb"))
        return {};
    QByteArrayList settings;
    if (!current.isEmpty())
        settings << current;
    settings << QByteArrayLiteral("glibc.malloc.hugetlb=1");
    if (!current.contains("glibc.malloc.top_pad"))
        settings << QByteArrayLiteral("glibc.malloc.top_pad=67108864");
    return settings.join(':');
}

bool restartsForHugePages()
{
#ifdef TOBRELL_HEAP_TUNABLES
    return true;
#else
    return false;
#endif
}

void useHugePagesForTheHeap(char *argv[])
{
#ifdef TOBRELL_HEAP_TUNABLES
    // Before there is an application to ask: the book beside the program the kernel started.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const qint64 bookSize = QFileInfo(QFileInfo(program).path() + QStringLiteral("/Tobrell.sqlite3")).size();
    const QByteArray before = qgetenv("GLIBC_TUNABLES"); // null when not set
    const QByteArray tunables = heapTunables(before, bookSize);
    if (tunables.isEmpty() || setenv("GLIBC_TUNABLES", tunables.constData(), 1) != 0)
        return;
    // By its path, not /proc/self/exe: the process keeps its name (ps, pkill, a task list).
    execv(QFile::encodeName(program).constData(), argv);
    // Still here: no restart. The environment goes back to what it was.
    if (!before.isNull())
        setenv("GLIBC_TUNABLES", before.constData(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    Q_UNUSED(argv)
#endif
}

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
