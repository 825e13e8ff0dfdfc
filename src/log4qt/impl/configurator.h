#ifndef LOG4QT_IMPL_CONFIGURATOR_H
#define LOG4QT_IMPL_CONFIGURATOR_H

#include <QByteArray>
#include <QString>

#include <log4cxx/spi/loggerrepository.h>

namespace Log4Qt {
namespace Impl {

// The repository, marked configured so log4cxx never configures itself.
log4cxx::spi::LoggerRepositoryPtr repository();

// Applies a property file's content; relative file names resolve against the
// folder of configFilename. True when nothing went wrong.
bool configureFromContent(const QByteArray &content, const QString &configFilename);

} // namespace Impl
} // namespace Log4Qt

#endif
