#include "log4qt/propertyconfigurator.h"

#include "impl/appenders.h"
#include "impl/configurator.h"
#include "impl/internallog.h"
#include "impl/properties.h"
#include "log4qt/logmanager.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QMap>
#include <QPointer>

#include <log4cxx/filter/denyallfilter.h>
#include <log4cxx/filter/levelmatchfilter.h>
#include <log4cxx/filter/levelrangefilter.h>
#include <log4cxx/filter/stringmatchfilter.h>
#include <log4cxx/helpers/pool.h>
#include <log4cxx/logger.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/spi/loggerrepository.h>

#include <cstdlib>
#include <memory>

namespace Log4Qt {

namespace Impl {

namespace {

const char *const source = "Log4Qt::PropertyConfigurator";

// Class names as Log4Qt accepts them: "org.apache.log4j.X", "org.apache.log4j.varia.X" or "Log4Qt::X".
QString shortClassName(const QString &className)
{
    static const char *const prefixes[] = {"org.apache.log4j.varia.", "org.apache.log4j.", "Log4Qt::"};
    const QString name = className.trimmed();
    for (const char *prefix : prefixes) {
        const QString p = QString::fromLatin1(prefix);
        if (name.startsWith(p) && name.size() > p.size() && !name.mid(p.size()).contains(QLatin1Char('.')))
            return name.mid(p.size());
    }
    return QString();
}

// Appenders Log4Qt offers only on Windows or for a program's own use of its objects.
bool isUnavailableAppender(const QString &shortName)
{
    static const QStringList names = {
        QStringLiteral("SignalAppender"), QStringLiteral("MainThreadAppender"), QStringLiteral("AsyncAppender"),
        QStringLiteral("ListAppender"), QStringLiteral("WriterAppender"), QStringLiteral("DatabaseAppender"),
        QStringLiteral("TelnetAppender"), QStringLiteral("BinaryFileAppender"), QStringLiteral("BinaryWriterAppender")};
    return names.contains(shortName);
}

std::shared_ptr<Appender> createAppender(const QString &className, const QString &baseDir)
{
    const QString name = shortClassName(className);
    if (name == QLatin1String("ConsoleAppender") || name == QLatin1String("ColorConsoleAppender"))
        return std::make_shared<ConsoleAppender>(name);
    if (name == QLatin1String("DebugAppender")) {
        // Off Windows Log4Qt's debug output is stderr.
        auto appender = std::make_shared<ConsoleAppender>(name);
        appender->setToStderr(true);
        return appender;
    }
    if (name == QLatin1String("FileAppender"))
        return std::make_shared<FileAppender>(name, baseDir);
    if (name == QLatin1String("RollingFileAppender"))
        return std::make_shared<RollingFileAppender>(name, baseDir);
    if (name == QLatin1String("DailyRollingFileAppender"))
        return std::make_shared<DailyRollingFileAppender>(name, baseDir);
    if (name == QLatin1String("DailyFileAppender"))
        return std::make_shared<DailyFileAppender>(name, baseDir);
    if (name == QLatin1String("NullAppender"))
        return std::make_shared<NullAppender>(name);
    if (name == QLatin1String("SystemLogAppender"))
        return std::make_shared<SystemLogAppender>(name);
    return nullptr;
}

std::shared_ptr<Layout> createLayout(const QString &className)
{
    const QString name = shortClassName(className);
    if (name == QLatin1String("SimpleLayout"))
        return std::make_shared<SimpleLayout>();
    if (name == QLatin1String("PatternLayout"))
        return std::make_shared<PatternLayout>();
    if (name == QLatin1String("TTCCLayout"))
        return std::make_shared<TTCCLayout>();
    return nullptr;
}

log4cxx::LogString ls(const QString &s)
{
    return s.toStdString();
}

QString resultText(PropertyResult result, const QString &property, const QString &value, const QString &className)
{
    return result == PropertyResult::Unknown
               ? QStringLiteral("Property '%1' does not exist in class '%2'").arg(property, className)
               : QStringLiteral("Invalid value '%1' for property '%2' of class '%3'").arg(value, property, className);
}

class Configurator
{
public:
    Configurator(const Properties &properties, const QString &baseDir)
        : m_properties(properties), m_baseDir(baseDir)
    {
    }

    void run();

private:
    void configureLogger(const log4cxx::LoggerPtr &logger, const QString &loggerName, const QString &value, bool isRoot);
    log4cxx::AppenderPtr appender(const QString &name);
    log4cxx::AppenderPtr buildAppender(const QString &name);
    std::shared_ptr<Layout> buildLayout(const QString &appenderName);
    void addFilters(const QString &appenderName, const std::shared_ptr<Appender> &appender);
    bool readBool(const QString &key, bool *value);

    const Properties &m_properties;
    QString m_baseDir;
    QMap<QString, log4cxx::AppenderPtr> m_appenders;
};

bool Configurator::readBool(const QString &key, bool *value)
{
    if (!m_properties.contains(key))
        return false;
    bool ok = false;
    *value = toBool(m_properties.value(key), &ok);
    if (!ok)
        internalError(source, QStringLiteral("Invalid boolean value '%1' for key '%2'").arg(m_properties.value(key), key));
    return ok;
}

void Configurator::run()
{
    log4cxx::spi::LoggerRepositoryPtr repo = repository();

    if (m_properties.contains(QStringLiteral("log4j.Debug"))) {
        const QString value = m_properties.value(QStringLiteral("log4j.Debug")).trimmed().toUpper();
        static const QStringList names = {QStringLiteral("TRACE"), QStringLiteral("DEBUG"), QStringLiteral("INFO"),
                                          QStringLiteral("WARN"), QStringLiteral("ERROR"), QStringLiteral("FATAL"),
                                          QStringLiteral("OFF")};
        if (value == QLatin1String("ALL"))
            setInternalThreshold(Severity::Trace);
        else if (names.contains(value))
            setInternalThreshold(static_cast<Severity>(names.indexOf(value)));
        else
            internalError(source, QStringLiteral("Invalid level value '%1' for key 'log4j.Debug'").arg(value));
    }

    bool reset = false;
    if (readBool(QStringLiteral("log4j.reset"), &reset) && reset) {
        internalDebug(source, QStringLiteral("Resetting the configuration"));
        repo->resetConfiguration();
    }

    if (m_properties.contains(QStringLiteral("log4j.threshold"))) {
        bool ok = false;
        const QString value = m_properties.value(QStringLiteral("log4j.threshold"));
        const log4cxx::LevelPtr level = toLevel(value, &ok);
        if (ok && level)
            repo->setThreshold(level);
        else
            internalError(source, QStringLiteral("Invalid level value '%1' for key 'log4j.threshold'").arg(value));
    }

    bool handle = false;
    if (readBool(QStringLiteral("log4j.handleQtMessages"), &handle))
        LogManager::setHandleQtMessages(handle);

    if (m_properties.contains(QStringLiteral("log4j.qtLogging.filterRules"))) {
        QString rules = m_properties.value(QStringLiteral("log4j.qtLogging.filterRules"));
        QLoggingCategory::setFilterRules(rules.replace(QLatin1Char(';'), QLatin1Char('\n')));
    }
    if (m_properties.contains(QStringLiteral("log4j.qtLogging.messagePattern")))
        qSetMessagePattern(m_properties.value(QStringLiteral("log4j.qtLogging.messagePattern")));

    for (const char *key : {"log4j.rootLogger", "log4j.rootCategory"}) {
        const QString k = QString::fromLatin1(key);
        if (m_properties.contains(k)) {
            configureLogger(repo->getRootLogger(), QStringLiteral("root"), m_properties.value(k), true);
            break;
        }
    }

    for (const char *prefix : {"log4j.logger.", "log4j.category."}) {
        const QString p = QString::fromLatin1(prefix);
        for (const QString &key : m_properties.keysWithPrefix(p)) {
            const QString name = key.mid(p.size()).replace(QLatin1String("::"), QLatin1String("."));
            if (name.isEmpty())
                continue;
            configureLogger(repo->getLogger(ls(name)), name, m_properties.value(key), false);
        }
    }

    const QString additivityPrefix = QStringLiteral("log4j.additivity.");
    for (const QString &key : m_properties.keysWithPrefix(additivityPrefix)) {
        bool additive = true;
        const QString name = key.mid(additivityPrefix.size()).replace(QLatin1String("::"), QLatin1String("."));
        if (!name.isEmpty() && readBool(key, &additive))
            repo->getLogger(ls(name))->setAdditivity(additive);
    }
}

void Configurator::configureLogger(const log4cxx::LoggerPtr &logger, const QString &loggerName, const QString &value, bool isRoot)
{
    const QStringList parts = value.split(QLatin1Char(','));
    const QString levelText = parts.value(0).trimmed();
    if (!levelText.isEmpty()) {
        bool ok = false;
        const log4cxx::LevelPtr level = toLevel(levelText, &ok);
        if (!ok || (isRoot && !level))
            internalError(source, QStringLiteral("Invalid level value '%1' for logger '%2'").arg(levelText, loggerName));
        else
            logger->setLevel(level);
    }
    logger->removeAllAppenders();
    for (int i = 1; i < parts.size(); ++i) {
        const QString name = parts.at(i).trimmed();
        if (name.isEmpty())
            continue;
        const log4cxx::AppenderPtr a = appender(name);
        if (a) {
            logger->addAppender(a);
            internalDebug(source, QStringLiteral("Adding appender '%1' to logger '%2'").arg(name, loggerName));
        }
    }
}

log4cxx::AppenderPtr Configurator::appender(const QString &name)
{
    const auto it = m_appenders.constFind(name);
    if (it != m_appenders.constEnd())
        return it.value();
    const log4cxx::AppenderPtr built = buildAppender(name);
    m_appenders.insert(name, built);
    return built;
}

log4cxx::AppenderPtr Configurator::buildAppender(const QString &name)
{
    const QString prefix = QStringLiteral("log4j.appender.") + name;
    if (!m_properties.contains(prefix)) {
        internalError(source, QStringLiteral("Missing appender definition for appender named '%1'").arg(name));
        return nullptr;
    }
    const QString className = m_properties.value(prefix).trimmed();
    std::shared_ptr<Appender> appender = createAppender(className, m_baseDir);
    if (!appender) {
        if (isUnavailableAppender(shortClassName(className)))
            internalError(source, QStringLiteral("Appender class '%1' of appender '%2' is not available in this build")
                                      .arg(className, name));
        else
            internalError(source, QStringLiteral("Unable to create appender of class '%1' for appender '%2'")
                                      .arg(className, name));
        return nullptr;
    }
    appender->setName(ls(name));

    if (m_properties.contains(prefix + QStringLiteral(".layout"))) {
        std::shared_ptr<Layout> layout = buildLayout(name);
        if (layout)
            appender->setLayoutObject(layout);
    }

    const QString propertyPrefix = prefix + QLatin1Char('.');
    for (const QString &key : m_properties.keysWithPrefix(propertyPrefix)) {
        const QString property = key.mid(propertyPrefix.size());
        if (property.contains(QLatin1Char('.')) || property == QLatin1String("layout"))
            continue;
        const QString value = m_properties.value(key);
        const PropertyResult result = appender->setProperty(property.toLower(), value);
        if (result != PropertyResult::Applied)
            internalError(source, resultText(result, property, value, className));
    }

    addFilters(name, appender);

    if (appender->requiresLayout() && !appender->hasLayout()) {
        internalError(source, QStringLiteral("Appender '%1' requires a layout and has none").arg(name));
        return nullptr;
    }
    if (!appender->activate()) {
        appender->close();
        return nullptr;
    }
    internalDebug(source, QStringLiteral("Created appender '%1' of class '%2'").arg(name, className));
    return appender;
}

std::shared_ptr<Layout> Configurator::buildLayout(const QString &appenderName)
{
    const QString key = QStringLiteral("log4j.appender.") + appenderName + QStringLiteral(".layout");
    const QString className = m_properties.value(key).trimmed();
    std::shared_ptr<Layout> layout = createLayout(className);
    if (!layout) {
        internalError(source, QStringLiteral("Unable to create layout of class '%1' for appender '%2'").arg(className, appenderName));
        return nullptr;
    }
    const QString propertyPrefix = key + QLatin1Char('.');
    for (const QString &k : m_properties.keysWithPrefix(propertyPrefix)) {
        const QString property = k.mid(propertyPrefix.size());
        if (property.contains(QLatin1Char('.')))
            continue;
        const QString value = m_properties.value(k);
        const PropertyResult result = layout->setProperty(property.toLower(), value);
        if (result != PropertyResult::Applied)
            internalError(source, resultText(result, property, value, className));
    }
    layout->activate();
    return layout;
}

void Configurator::addFilters(const QString &appenderName, const std::shared_ptr<Appender> &appender)
{
    const QString prefix = QStringLiteral("log4j.appender.") + appenderName + QStringLiteral(".filter.");
    log4cxx::helpers::Pool pool;
    for (const QString &key : m_properties.keysWithPrefix(prefix)) {
        const QString id = key.mid(prefix.size());
        if (id.contains(QLatin1Char('.')))
            continue;
        const QString className = m_properties.value(key).trimmed();
        const QString name = shortClassName(className);
        log4cxx::spi::FilterPtr filter;
        QMap<QString, QString> options; // lower-case Log4Qt name -> log4cxx option
        if (name == QLatin1String("DenyAllFilter")) {
            filter = std::make_shared<log4cxx::filter::DenyAllFilter>();
        } else if (name == QLatin1String("LevelMatchFilter")) {
            filter = std::make_shared<log4cxx::filter::LevelMatchFilter>();
            options = {{QStringLiteral("leveltomatch"), QStringLiteral("LevelToMatch")},
                       {QStringLiteral("acceptonmatch"), QStringLiteral("AcceptOnMatch")}};
        } else if (name == QLatin1String("LevelRangeFilter")) {
            filter = std::make_shared<log4cxx::filter::LevelRangeFilter>();
            options = {{QStringLiteral("levelmin"), QStringLiteral("LevelMin")},
                       {QStringLiteral("levelmax"), QStringLiteral("LevelMax")},
                       {QStringLiteral("acceptonmatch"), QStringLiteral("AcceptOnMatch")}};
        } else if (name == QLatin1String("StringMatchFilter")) {
            filter = std::make_shared<log4cxx::filter::StringMatchFilter>();
            options = {{QStringLiteral("stringtomatch"), QStringLiteral("StringToMatch")},
                       {QStringLiteral("acceptonmatch"), QStringLiteral("AcceptOnMatch")}};
        } else {
            internalError(source, QStringLiteral("Unable to create filter of class '%1' for appender '%2'").arg(className, appenderName));
            continue;
        }
        const QString filterPrefix = key + QLatin1Char('.');
        for (const QString &k : m_properties.keysWithPrefix(filterPrefix)) {
            const QString property = k.mid(filterPrefix.size());
            const QString value = m_properties.value(k).trimmed();
            const QString option = options.value(property.toLower());
            bool ok = !option.isEmpty();
            if (ok && option.startsWith(QLatin1String("Level")))
                ok = toLevel(value, &ok) && ok;
            else if (ok && option == QLatin1String("AcceptOnMatch"))
                toBool(value, &ok);
            if (!ok) {
                internalError(source, resultText(option.isEmpty() ? PropertyResult::Unknown : PropertyResult::BadValue,
                                                 property, value, className));
                continue;
            }
            filter->setOption(ls(option), ls(option == QLatin1String("AcceptOnMatch") ? value.toLower() : value));
        }
        filter->activateOptions(pool);
        appender->addFilter(filter);
    }
}

// Re-reads a file whose configuration asked to be watched.
class FileWatcher : public QFileSystemWatcher
{
public:
    FileWatcher() : QFileSystemWatcher(QCoreApplication::instance())
    {
        connect(this, &QFileSystemWatcher::fileChanged, this, [this](const QString &path) {
            // Editors often replace the file; watch the new one.
            if (!files().contains(path) && QFile::exists(path))
                addPath(path);
            PropertyConfigurator::configure(path);
        });
    }
};

void watchFile(const QString &path, bool watch)
{
    static QPointer<FileWatcher> watcher;
    if (!watcher) {
        if (!watch || !QCoreApplication::instance())
            return;
        watcher = new FileWatcher;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (watch && !watcher->files().contains(absolute))
        watcher->addPath(absolute);
    else if (!watch && watcher->files().contains(absolute))
        watcher->removePath(absolute);
}

} // namespace

bool configureFromContent(const QByteArray &content, const QString &configFilename)
{
    const int errorsBefore = internalErrorCount();
    const Properties properties(parseProperties(content));
    const QString baseDir = QFileInfo(configFilename).absolutePath();
    internalDebug(source, QStringLiteral("Configuring from file '%1'").arg(configFilename));
    Configurator(properties, baseDir).run();

    bool watch = false;
    if (properties.contains(QStringLiteral("log4j.watchThisFile"))) {
        bool ok = false;
        watch = toBool(properties.value(QStringLiteral("log4j.watchThisFile")), &ok);
        if (!ok)
            internalError(source, QStringLiteral("Invalid boolean value '%1' for key 'log4j.watchThisFile'")
                                      .arg(properties.value(QStringLiteral("log4j.watchThisFile"))));
    }
    if (!configFilename.isEmpty())
        watchFile(configFilename, watch);
    return internalErrorCount() == errorsBefore;
}

} // namespace Impl

bool PropertyConfigurator::configure(const QString &configFilename)
{
    Impl::repository();
    QFile file(configFilename);
    if (!file.open(QIODevice::ReadOnly)) {
        Impl::internalError(Impl::source, QStringLiteral("Unable to open property file '%1' (%2)")
                                              .arg(configFilename, file.errorString()));
        return false;
    }
    return Impl::configureFromContent(file.readAll(), configFilename);
}

} // namespace Log4Qt
