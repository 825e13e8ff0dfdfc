// log4cxx first: its LogLog declares a function named like Qt's emit macro.
#include <log4cxx/helpers/loglog.h>
#include <log4cxx/hierarchy.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/spi/defaultrepositoryselector.h>

#include "impl/appenders.h"
#include "impl/configurator.h"

#include <cstdlib>
#include <mutex>

namespace Log4Qt {
namespace Impl {

log4cxx::spi::LoggerRepositoryPtr repository()
{
    // Our own repository, marked configured, so log4cxx never goes looking for a
    // configuration file of its own; and quiet, since Log4Qt says nothing about
    // loggers without appenders.
    static std::once_flag once;
    // Held by a pointer that is never freed: at exit log4cxx tears down its own
    // memory pools first, and the repository must not outlive them here.
    static log4cxx::spi::LoggerRepositoryPtr *repo = nullptr;
    std::call_once(once, [] {
        log4cxx::helpers::LogLog::setQuietMode(true);
        log4cxx::spi::LoggerRepositoryPtr created = log4cxx::Hierarchy::create();
        created->setConfigured(true);
        static int guard = 0;
        log4cxx::LogManager::setRepositorySelector(std::make_shared<log4cxx::spi::DefaultRepositorySelector>(created), &guard);
        repo = new log4cxx::spi::LoggerRepositoryPtr(created);
        std::atexit([] { Appender::closeAll(); });
    });
    // A reset elsewhere clears the flag again.
    (*repo)->setConfigured(true);
    return *repo;
}

} // namespace Impl
} // namespace Log4Qt
