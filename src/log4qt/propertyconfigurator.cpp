// log4cxx first: its LogLog declares a function named like Qt's emit macro.
#include "impl/internal.h"

#include <log4cxx/helpers/properties.h>
#include <log4cxx/consoleappender.h>
#include <log4cxx/defaultloggerfactory.h>
#include <log4cxx/logger.h>
#include <log4cxx/propertyconfigurator.h>

#include "log4qt/logmanager.h"
#include "log4qt/propertyconfigurator.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLoggingCategory>
#include <QMap>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTextStream>

#include <vector>

#ifdef Q_OS_UNIX
#include <clocale>
#include <cstring>
#include <langinfo.h>
#endif

namespace Log4Qt {
namespace Impl {

void setUpInternalLogger(const log4cxx::spi::LoggerRepositoryPtr &repo);

log4cxx::LogString localeEncoding()
{
    const QByteArray name = QTextCodec::codecForLocale()->name();
    // Qt's "System" codec: Windows' ANSI code page, which log4cxx calls "locale";
    // elsewhere the UTF-8 that Qt falls back to.
#ifdef Q_OS_WIN
    return name == "System" ? "locale" : name.toStdString();
#else
    return name == "System" ? "UTF-8" : name.toStdString();
#endif
}

namespace {

const char *const source = "PropertyConfigurator";

enum Type { Bool, LevelValue, Int, Text, FileName, Target, FileSize, Refused, Ignored };
struct Property
{
    const char *name;   // as Log4Qt names it; a file may capitalise the first letter
    Type type;
    const char *option; // log4cxx's option, or the type Log4Qt cannot convert to
};

// A Log4Qt class, the log4cxx class that carries it and the options that give it Log4Qt's defaults.
struct ClassInfo
{
    const char *name;
    const char *log4cxxClass; // null for a layout
    bool needsLayout;
    std::vector<std::pair<const char *, const char *>> options;
    std::vector<Property> properties;
};

std::vector<Property> operator+(std::vector<Property> a, const std::vector<Property> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const std::vector<Property> skeleton = {{"threshold", LevelValue, "Threshold"}, {"name", Ignored, ""}};
const std::vector<Property> writer = skeleton + std::vector<Property>{{"immediateFlush", Bool, "ImmediateFlush"},
                                      {"encoding", Refused, "QTextCodec*"}, {"writer", Refused, "QTextStream*"}};
const std::vector<Property> fileKeys = {
    {"file", FileName, "File"}, {"appendFile", Bool, "Append"}, {"bufferedIo", Bool, ""}}; // flushed after each event all the same
const std::vector<Property> file = writer + fileKeys;
const std::vector<Property> binary = skeleton + fileKeys + std::vector<Property>{{"byteOrder", Refused, "QDataStream::ByteOrder"}};
const std::vector<Property> layout = {{"header", Text, "Header"}, {"footer", Text, "Footer"}};

const std::vector<ClassInfo> &classes()
{
    static const std::vector<ClassInfo> list = {
        {"ConsoleAppender", "ConsoleAppender", true, {}, writer + std::vector<Property>{{"target", Target, "Target"}}},
        {"FileAppender", "FileAppender", true, {{"Append", "false"}}, file},
        {"RollingFileAppender", "QtRollingFileAppender", true, {{"Append", "false"}, {"MaxBackupIndex", "1"}},
         file + std::vector<Property>{{"maxBackupIndex", Int, "MaxBackupIndex"}, {"maximumFileSize", Refused, "qlonglong"},
                                      {"maxFileSize", FileSize, "MaxFileSize"}}},
        {"DailyRollingFileAppender", "QtDailyFileAppender", true, {{"Append", "false"}, {"DatePattern", "'.'yyyy-MM-dd"}},
         file + std::vector<Property>{{"datePattern", Text, "DatePattern"}}},
        {"DailyFileAppender", "QtDailyFileAppender", true, {{"Append", "false"}, {"DailyFile", "true"}, {"DatePattern", "_yyyy_MM_dd"}},
         file + std::vector<Property>{{"datePattern", Text, "DatePattern"}, {"keepDays", Int, "KeepDays"}}},
        // Off Windows Log4Qt's debug output is stderr, one more line break after each event, and no header.
        {"varia.DebugAppender", "ConsoleAppender", true, {{"Target", "System.err"}, {"layout.Suffix", "\n"}, {"layout.Header", "\5"}}, skeleton},
        {"varia.NullAppender", "NullAppender", false, {}, skeleton},
        {"BinaryFileAppender", "QtBinaryFileAppender", false, {{"Append", "false"}}, binary},
        {"RollingBinaryFileAppender", "QtBinaryFileAppender", false, {{"Append", "false"}},
         binary + std::vector<Property>{{"maxBackupIndex", Int, ""}, {"maximumFileSize", Refused, "qlonglong"}}},
        {"varia.ListAppender", "NullAppender", false, {}, skeleton + std::vector<Property>{{"configuratorList", Bool, ""}, {"maxCount", Int, ""}}},
        {"AsyncAppender", "NullAppender", false, {}, skeleton},
        {"MainThreadAppender", "NullAppender", false, {}, skeleton},
        {"SignalAppender", "NullAppender", true, {}, skeleton},
        {"SystemLogAppender", "SyslogAppender", true, {}, skeleton + std::vector<Property>{{"serviceName", Ignored, ""}}},
        {"PatternLayout", nullptr, false, {{"ConversionPattern", "%m%n"}}, layout + std::vector<Property>{{"conversionPattern", Text, "ConversionPattern"}}},
        {"SimpleLayout", nullptr, false, {{"ConversionPattern", "%p - %m%n"}}, layout + std::vector<Property>{{"showLevel", Bool, "ShowLevel"}}},
        {"TTCCLayout", nullptr, false, {},
         layout + std::vector<Property>{{"categoryPrefixing", Bool, "CategoryPrefixing"}, {"contextPrinting", Bool, "ContextPrinting"},
                                        {"dateFormat", Text, "DateFormat"}, {"threadPrinting", Bool, "ThreadPrinting"}}},
        {"SimpleTimeLayout", nullptr, false, {{"ConversionPattern", "%d{dd.MM.yyyy hh:mm}[%t] %p %\1 - %m%n"}}, layout},
        {"XMLLayout", nullptr, false, {{"Xml", "true"}}, layout},
        {"BinaryLayout", nullptr, false, {{"ConversionPattern", "\5"}}, layout}, // nothing for a text event
        {"BinaryToTextLayout", nullptr, false, {{"ConversionPattern", "\5"}}, layout},
    };
    return list;
}

// "org.apache.log4j.X", "org.apache.log4j.varia.X" for the varia classes, or "Log4Qt::X".
const ClassInfo *findClass(const QString &className, bool isLayout)
{
    for (const ClassInfo &c : classes()) {
        const QString name = QString::fromLatin1(c.name);
        const QString shortName = name.mid(name.indexOf(QLatin1Char('.')) + 1);
        if ((c.log4cxxClass == nullptr) == isLayout
            && (className == QLatin1String("org.apache.log4j.") + name || className == QLatin1String("Log4Qt::") + shortName))
            return &c;
    }
    return nullptr;
}

bool toBool(const QString &value, bool *ok)
{
    const QString v = value.trimmed().toLower();
    *ok = v == QLatin1String("true") || v == QLatin1String("false");
    if (!*ok)
        reportError("OptionConverter", QStringLiteral("Invalid option string '%1' for a boolean").arg(value));
    return v == QLatin1String("true");
}

// A null level: NULL where nulls > 0, also INHERITED for a logger (nulls > 1).
log4cxx::LevelPtr toLevel(const QString &value, bool *ok, int nulls = 0)
{
    const QString v = value.trimmed().toUpper();
    *ok = true;
    if ((nulls > 0 && v == QLatin1String("NULL")) || (nulls > 1 && v == QLatin1String("INHERITED")))
        return nullptr;
    if (const log4cxx::LevelPtr level = log4cxx::Level::toLevelLS(toLS(v), nullptr))
        return level;
    *ok = false;
    report(log4cxx::Level::getWarn(), "Level", QStringLiteral("Use of invalid level string '%1'").arg(value));
    reportError("OptionConverter", QStringLiteral("Invalid option string '%1' for a level").arg(value));
    return nullptr;
}

// Checks and converts one value; false when Log4Qt refuses it.
bool convert(const Property &property, QString *value, const QString &className, const QString &baseDir)
{
    bool ok = true;
    const QString v = value->trimmed();
    switch (property.type) {
    case Bool: *value = toBool(v, &ok) ? QStringLiteral("true") : QStringLiteral("false"); break;
    case LevelValue: toLevel(v, &ok, 1); break;
    case Int: v.toInt(&ok); break;
    case FileSize: { // bytes, or KB, MB, GB; a product past 64 bits wraps as Log4Qt's does
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\+?\\d+)\\s*([KMG]B)?$"), QRegularExpression::CaseInsensitiveOption).match(v);
        const int shift = m.captured(2).isEmpty() ? 0 : 10 + 10 * int(QStringLiteral("KMG").indexOf(m.captured(2).at(0).toUpper()));
        const quint64 size = quint64(m.captured(1).toLongLong(&ok)) << shift;
        ok = ok && m.hasMatch();
        *value = QString::number(qint64(size));
        break;
    }
    case FileName:
        // Relative names resolve against the configuration's folder, wherever the program was started.
        // (A trailing '/' stays: such a name is a folder, which cannot be opened.)
        *value = value->isEmpty() ? *value : QDir::cleanPath(QDir(baseDir).absoluteFilePath(*value))
                + (value->endsWith(QLatin1Char('/')) && value->size() > 1 ? QStringLiteral("/") : QString());
        break;
    case Target:
        ok = QRegularExpression(QStringLiteral("^(STD(OUT|ERR)_TARGET|System\\.(out|err))$"), QRegularExpression::CaseInsensitiveOption).match(v).hasMatch();
        *value = v.contains(QLatin1String("err"), Qt::CaseInsensitive) ? QStringLiteral("System.err") : QStringLiteral("System.out");
        break;
    case Refused:
        reportError("Factory", QStringLiteral("Cannot convert to type '%1' for property '%2' on object of class '%3'")
                                   .arg(QLatin1String(property.option), QLatin1String(property.name), className));
        return false;
    case Text:
    case Ignored: break;
    }
    if (!ok && property.type != Bool && property.type != LevelValue)
        reportError("Factory", QStringLiteral("Cannot convert '%1' for property '%2' on object of class '%3'")
                                   .arg(v, QLatin1String(property.name), className));
    return ok;
}

// Makes a logger with its level: log4cxx's setLevel on a logger already in the hierarchy
// looks through every logger there, so a file of many loggers would take the square of
// their number.
class LevelledFactory : public log4cxx::DefaultLoggerFactory
{
public:
    explicit LevelledFactory(const log4cxx::LevelPtr &level) : m_level(level) {}
    log4cxx::LoggerPtr makeNewLoggerInstance(log4cxx::helpers::Pool &pool, const log4cxx::LogString &name) const override
    {
        const log4cxx::LoggerPtr logger = log4cxx::DefaultLoggerFactory::makeNewLoggerInstance(pool, name);
        logger->setLevel(m_level);
        return logger;
    }

private:
    log4cxx::LevelPtr m_level;
};

class Configurator : public log4cxx::PropertyConfigurator
{
public:
    explicit Configurator(const QString &baseDir) : m_baseDir(baseDir) {}
    void read(QFile &file);

    void run();

private:
    QString value(const QString &key) const { return substitute(key, {}); }
    QString substitute(const QString &key, QStringList within) const;
    bool has(const QString &key) const { return m_properties.contains(key); }
    QStringList keysWithPrefix(const QString &prefix) const;
    // The root, or the logger of that name, made where it does not exist yet.
    log4cxx::LoggerPtr configureLogger(const log4cxx::LoggerPtr &root, const QString &name, const QString &value);
    log4cxx::AppenderPtr appender(const QString &name);
    void translate(const QString &key, const ClassInfo &info, const QString &target, log4cxx::helpers::Properties &translated);

    QMap<QString, QString> m_properties; // sorted: the keys under a prefix stand together
    QString m_baseDir;
    QMap<QString, log4cxx::AppenderPtr> m_appenders;
};

// ${key} names another key of the file (not the environment); an unclosed one empties the
// value. Log4Qt recurses without end on keys that name each other; here such a key stands for nothing.
QString Configurator::substitute(const QString &key, QStringList within) const
{
    const QString text = m_properties.value(key);
    within << key;
    QString out;
    int from = 0;
    for (int open; (open = text.indexOf(QLatin1String("${"), from)) >= 0;) {
        const int close = text.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            reportError("OptionConverter", QStringLiteral("Missing closing bracket for opening bracket at %1 in value %2").arg(open).arg(text));
            return QString();
        }
        out += text.mid(from, open - from);
        const QString name = text.mid(open + 2, close - open - 2);
        if (!within.contains(name))
            out += substitute(name, within);
        from = close + 1;
    }
    return out + text.mid(from);
}

QStringList Configurator::keysWithPrefix(const QString &prefix) const
{
    QStringList keys;
    for (auto it = m_properties.lowerBound(prefix); it != m_properties.cend() && it.key().startsWith(prefix); ++it)
        keys << it.key();
    return keys;
}

void Configurator::run()
{
    const log4cxx::spi::LoggerRepositoryPtr repo = repository();
    bool ok = true;
    if (has(QStringLiteral("log4j.Debug"))) { // anything but a level's name means DEBUG, without a word
        const log4cxx::LevelPtr level = log4cxx::Level::toLevelLS(toLS(value(QStringLiteral("log4j.Debug")).trimmed()), log4cxx::Level::getDebug());
        repo->getLogger("Log4Qt")->setLevel(level);
    }
    const QString reset = value(QStringLiteral("log4j.reset"));
    if (!reset.isEmpty() && toBool(reset, &ok) && ok) {
        repo->resetConfiguration();
        setUpInternalLogger(repo);
    }
    if (has(QStringLiteral("log4j.threshold"))) {
        const log4cxx::LevelPtr level = toLevel(value(QStringLiteral("log4j.threshold")), &ok, 1);
        if (level)
            repo->setThreshold(level);
    }
    if (has(QStringLiteral("log4j.handleQtMessages"))) {
        const bool handle = toBool(value(QStringLiteral("log4j.handleQtMessages")), &ok);
        if (ok)
            LogManager::setHandleQtMessages(handle);
    }
    if (has(QStringLiteral("log4j.watchThisFile"))) // checked, though the file is read once
        toBool(value(QStringLiteral("log4j.watchThisFile")), &ok);
    if (has(QStringLiteral("log4j.qtLogging.filterRules")))
        QLoggingCategory::setFilterRules(value(QStringLiteral("log4j.qtLogging.filterRules")));
    if (has(QStringLiteral("log4j.qtLogging.messagePattern")))
        qSetMessagePattern(value(QStringLiteral("log4j.qtLogging.messagePattern")));

    for (const QString root : {QStringLiteral("log4j.rootLogger"), QStringLiteral("log4j.rootCategory")}) {
        if (has(root)) {
            if (root.endsWith(QLatin1String("Category")))
                report(log4cxx::Level::getWarn(), source, QStringLiteral("[%1] is deprecated, use [log4j.rootLogger]").arg(root));
            configureLogger(repo->getRootLogger(), QString(), value(root));
            break;
        }
    }
    // Log4Qt takes a logger's and a category's line in an order that changes from run to run;
    // here the logger's wins. Additivity counts only for the loggers named there.
    for (const QString prefix : {QStringLiteral("log4j.category."), QStringLiteral("log4j.logger.")}) {
        for (const QString &key : keysWithPrefix(prefix)) {
            const QString name = key.mid(prefix.size());
            if (name.isEmpty())
                continue;
            const log4cxx::LoggerPtr logger = configureLogger(nullptr, QString(name).replace(QLatin1String("::"), QLatin1String(".")), value(key));
            const QString additivity = value(QStringLiteral("log4j.additivity.") + name);
            const bool additive = additivity.isEmpty() || toBool(additivity, &ok);
            if (!additivity.isEmpty() && ok)
                logger->setAdditivity(additive);
        }
    }
}

log4cxx::LoggerPtr Configurator::configureLogger(const log4cxx::LoggerPtr &root, const QString &name, const QString &value)
{
    log4cxx::LoggerPtr logger = root;
    const QStringList parts = value.split(QLatin1Char(','));
    if (!parts.value(0).trimmed().isEmpty()) {
        bool ok = false;
        // A level Log4Qt cannot read means DEBUG; the root takes no null level: a warning, and it stays.
        const log4cxx::LevelPtr level = toLevel(parts.value(0), &ok, 2);
        if (ok && !level && root) {
            report(log4cxx::Level::getWarn(), "Logger", QStringLiteral("Invalid root logger level %1").arg(parts.value(0).trimmed()));
        } else {
            const log4cxx::LevelPtr set = ok ? level : log4cxx::Level::getDebug();
            if (!logger) // a new logger is made with its level
                logger = repository()->getLogger(toLS(name), std::make_shared<LevelledFactory>(set));
            if (logger->getLevel() != set) // log4cxx looks through every logger even for the same level
                logger->setLevel(set);
        }
    }
    if (!logger)
        logger = repository()->getLogger(toLS(name));
    logger->removeAllAppenders();
    for (int i = 1; i < parts.size(); ++i) {
        const QString name = parts.at(i).trimmed();
        if (name.isEmpty())
            continue;
        if (!m_appenders.contains(name))
            m_appenders.insert(name, appender(name));
        if (const log4cxx::AppenderPtr a = m_appenders.value(name))
            logger->addAppender(a);
    }
    return logger;
}

// Translates the keys of one appender or layout for log4cxx, reporting what Log4Qt refuses.
void Configurator::translate(const QString &key, const ClassInfo &info, const QString &target,
                             log4cxx::helpers::Properties &translated)
{
    const QString className = QLatin1String("Log4Qt::") + QString::fromLatin1(info.name).section(QLatin1Char('.'), -1);
    for (const auto &option : info.options)
        translated.setProperty(toLS(target + QLatin1Char('.') + QLatin1String(option.first)), option.second);
    QMap<QString, QString> values;
    for (const QString &k : keysWithPrefix(key + QLatin1Char('.'))) {
        const QString name = k.mid(key.size() + 1);
        const QString property = name.left(1).toLower() + name.mid(1);
        if (property.isEmpty() || (info.log4cxxClass && (property == QLatin1String("layout") || property.startsWith(QLatin1String("layout.")))))
            continue; // a key ending in '.' names nothing, and Log4Qt says nothing about it
        const auto it = std::find_if(info.properties.begin(), info.properties.end(),
                                     [&](const Property &p) { return property == QLatin1String(p.name); });
        if (it == info.properties.end()) {
            reportError("Factory", QStringLiteral("Property '%1' does not exist in class '%2'").arg(name, className));
            continue;
        }
        QString v = value(k);
        if (convert(*it, &v, className, m_baseDir) && it->option[0])
            values.insert(QLatin1String(it->option), v.isEmpty() && it->type == Text ? QStringLiteral("\5") : v);
    }
    if (QLatin1String(info.name) == QLatin1String("TTCCLayout")) {
        const QString date = QString(values.value(QStringLiteral("DateFormat"), QStringLiteral("RELATIVE"))).remove(QLatin1Char('\5'));
        const auto on = [&](const char *option) { return values.value(QLatin1String(option)) != QLatin1String("false"); };
        values.insert(QStringLiteral("ConversionPattern"),
                      QStringLiteral("%d{%1} ").arg(date)
                          + (on("ThreadPrinting") ? QStringLiteral("[%t] ") : QString()) + QStringLiteral("%-5p ")
                          + (on("CategoryPrefixing") ? QStringLiteral("%c ") : QString())
                          + (on("ContextPrinting") ? QStringLiteral("%x ") : QString()) + QStringLiteral("- %m%n"));
    }
    if (values.value(QStringLiteral("ShowLevel")) == QLatin1String("false"))
        values.insert(QStringLiteral("ConversionPattern"), QStringLiteral("%m%n"));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        translated.setProperty(toLS(target + QLatin1Char('.') + it.key()), toLS(it.value()));
}

log4cxx::AppenderPtr Configurator::appender(const QString &name)
{
    const QString key = QStringLiteral("log4j.appender.") + name;
    if (!has(key)) {
        reportError(source, QStringLiteral("Missing appender definition for appender named '%1'").arg(name));
        return nullptr;
    }
    const QString className = value(key); // trailing blanks included, as Log4Qt reads it
    const ClassInfo *info = findClass(className, false);
    if (!info) {
        report(log4cxx::Level::getWarn(), "Factory", QStringLiteral("Request for the creation of Appender with class '%1', which is not registered").arg(className));
        reportError(source, QStringLiteral("Unable to create appender of class '%1' named '%2'").arg(className, name));
        return nullptr;
    }
    const QString target = QStringLiteral("log4j.appender.") + name;
    // This appender's keys alone: log4cxx looks through all it is given for each appender.
    log4cxx::helpers::Properties translated;
    translated.setProperty(toLS(target), info->log4cxxClass);
    if (info->properties.size() > 2 && qstrcmp(info->properties.at(2).option, "ImmediateFlush") == 0) // a writer: in the locale's codec
        translated.setProperty(toLS(target + QStringLiteral(".Encoding")), localeEncoding());
    if (info->needsLayout && has(key + QStringLiteral(".layout"))) { // Log4Qt reads no layout for the others
        const QString layoutName = value(key + QStringLiteral(".layout"));
        const ClassInfo *layoutInfo = findClass(layoutName, true);
        if (!layoutInfo) {
            report(log4cxx::Level::getWarn(), "Factory", QStringLiteral("Request for the creation of Layout with class '%1', which is not registered").arg(layoutName));
            reportError(source, QStringLiteral("Unable to create layout of class '%1' requested by appender '%2'").arg(layoutName, key));
            return nullptr;
        }
        translated.setProperty(toLS(target + QStringLiteral(".layout")), "QtLayout");
        translate(key + QStringLiteral(".layout"), *layoutInfo, target + QStringLiteral(".layout"), translated);
    } else if (info->needsLayout) {
        reportError(source, QStringLiteral("Missing layout definition for appender '%1'").arg(key));
        return nullptr;
    }
    holdReports(true); // until the layout is made
    translate(key, *info, target, translated);
    const log4cxx::AppenderPtr appender = parseAppender(translated, toLS(name));
    holdReports(false);
    if (const auto console = log4cxx::cast<log4cxx::ConsoleAppender>(appender)) {
        const log4cxx::helpers::WriterPtr writer = consoleWriter(console->getTarget() == "System.err");
        console->setWriter(writer);
        log4cxx::LogString header;
        log4cxx::helpers::Pool pool;
        console->getLayout()->appendHeader(header, pool);
        writer->write(header, pool);
        writer->flush(pool);
    }
    // log4cxx keeps its own failures quiet; Log4Qt reports them, and every event the appender cannot write.
    const auto fileAppender = log4cxx::cast<log4cxx::FileAppender>(appender);
    // (A daily file without a name is no error to Log4Qt; a bad date pattern reported itself.)
    const QString fileName = fileAppender ? fromLS(fileAppender->getFile()) : QString();
    const QFileInfo opened(fileName); // no name: none
    if (fileAppender && !fileAppender->getFilter() && QLatin1String(info->name) != QLatin1String("DailyFileAppender")
        && (!opened.exists() || opened.isDir())) {
        reportError("FileAppender", QStringLiteral("Unable to open the file of appender '%1'").arg(name));
        if (!fileName.isEmpty()) // a name that could not be opened: a second complaint
            reportError("FileAppender", QStringLiteral("Appender '%1' has no writer").arg(name));
        fileAppender->addFilter(refusingFilter("FileAppender", QStringLiteral("Use of appender '%1' without open file").arg(name)));
    }
    return appender;
}

// log4cxx's reading of a property file, by index: its own reader takes the first character
// off the text for each one it reads, which grows with the square of the file's size.
// Keys and values of Latin-1 text, the escapes \t \n \r and any other escaped character
// standing for itself, a line ending in '\' going on in the next.
void loadProperties(const QByteArray &text, log4cxx::helpers::Properties &properties)
{
    enum State { Begin, Key, KeyEscape, KeyContinue, KeyContinueCr, Delimiter, Element, ElementEscape,
                 ElementContinue, ElementContinueCr, Comment };
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; }; // not '\f'

    const auto escaped = [](char c) { return c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c; };
    std::string key, element;
    State state = Begin;
    int at = 0;
    while (at < text.size()) {
        const char c = text.at(at);
        bool take = true; // false: the character is read again in the next state
        switch (state) {
        case Begin:
            if (c == '#' || c == '!')
                state = Comment;
            else if (!isBlank(c) && c != '\n' && c != '\r') {
                state = Key;
                take = false;
            }
            break;
        case Key:
            if (c == '\\')
                state = KeyEscape;
            else if (isBlank(c) || c == ':' || c == '=')
                state = Delimiter;
            else if (c == '\n' || c == '\r') {
                properties.setProperty(key, std::string());
                key.clear();
                state = Begin;
            } else
                key += c;
            break;
        case KeyEscape:
        case ElementEscape: {
            const bool inKey = state == KeyEscape;
            if (c == '\n')
                state = inKey ? KeyContinue : ElementContinue;
            else if (c == '\r')
                state = inKey ? KeyContinueCr : ElementContinueCr;
            else {
                (inKey ? key : element) += escaped(c);
                state = inKey ? Key : Element;
            }
            break;
        }
        case KeyContinue:
        case ElementContinue:
            if (!isBlank(c)) {
                state = state == KeyContinue ? Key : Element;
                take = false;
            }
            break;
        case KeyContinueCr:
        case ElementContinueCr:
            take = c == '\n';
            state = state == KeyContinueCr ? KeyContinue : ElementContinue;
            break;
        case Delimiter:
            if (!isBlank(c) && c != ':' && c != '=') {
                state = Element;
                take = false;
            }
            break;
        case Element:
            if (c == '\\')
                state = ElementEscape;
            else if (c == '\n' || c == '\r') {
                properties.setProperty(key, element);
                key.clear();
                element.clear();
                state = Begin;
            } else
                element += c;
            break;
        case Comment:
            if (c == '\n' || c == '\r')
                state = Begin;
            break;
        }
        if (take)
            ++at;
    }
    if (!key.empty())
        properties.setProperty(key, element);
}

// Log4Qt reads the file in the locale's codec; log4cxx's reader takes Latin-1 and
// drops unknown escapes. So \uXXXX and every other character travel as "\2uXXXX",
// and a value's leading backslash, which Log4Qt keeps as it stands, as "\1".
// Each step is one pass: a configuration of a megabyte reads in a moment.
void Configurator::read(QFile &file)
{
    QTextStream stream(&file);
    stream.setCodec(QTextCodec::codecForLocale());
    // Log4Qt drops every '\r' and continues any line that ends in '\', a comment too.
    const QString text = stream.readAll().remove(QLatin1Char('\r')).replace(QRegularExpression(QStringLiteral("\\\\\n[ \t\f]*")), QString());
    // log4cxx's reader would also take a value's leading '=' or ':' as a separator.
    static const QRegularExpression valueStart(QStringLiteral("^(\\s*+[^\\s=:#!][^=:\\s]*+\\s*+[=:]?+\\s*+)([=:\\\\])"),
                                               QRegularExpression::MultilineOption);
    QString marked;
    marked.reserve(text.size());
    int from = 0;
    for (QRegularExpressionMatchIterator it = valueStart.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        marked += text.midRef(from, m.capturedStart(2) - from);
        if (m.captured(2) == QLatin1String("\\"))
            marked += QLatin1Char('\x01');
        else
            marked += QLatin1Char('\\') + m.captured(2);
        from = m.capturedEnd(2);
    }
    marked += text.midRef(from);
    // \u takes up to four hex digits, none at all being nothing; other escapes pass as they are.
    static const QRegularExpression escape(QStringLiteral("\\\\(?:u([0-9a-fA-F]{0,4})|.)"), QRegularExpression::DotMatchesEverythingOption);
    QString unescaped;
    unescaped.reserve(marked.size());
    from = 0;
    for (QRegularExpressionMatchIterator it = escape.globalMatch(marked); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedStart(1) < 0)
            continue;
        unescaped += marked.midRef(from, m.capturedStart() - from);
        if (m.capturedLength(1))
            unescaped += QStringLiteral("\x02u%1").arg(m.captured(1), 4, QLatin1Char('0'));
        from = m.capturedEnd();
    }
    unescaped += marked.midRef(from);
    QByteArray latin1;
    latin1.reserve(unescaped.size());
    for (const QChar c : qAsConst(unescaped)) {
        if (c.unicode() < 0x80)
            latin1 += char(c.unicode());
        else
            latin1 += QStringLiteral("\x02u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toLatin1();
    }
    log4cxx::helpers::Properties loaded;
    loadProperties(latin1, loaded);
    const auto decode = [](const log4cxx::LogString &s) {
        QString in = fromLS(s), out;
        for (int i = 0; i < in.size(); ++i) {
            // (A byte order mark stays escaped: Qt would drop it from the front of a key.)
            if (in.at(i) == QChar(2) && i + 5 < in.size() && in.at(i + 1) == QLatin1Char('u') && in.mid(i + 2, 4) != QLatin1String("feff")) {
                out += QChar(in.mid(i + 2, 4).toUShort(nullptr, 16));
                i += 5;
            } else {
                out += in.at(i) == QChar(1) ? QChar(QLatin1Char('\\')) : in.at(i);
            }
        }
        return out;
    };
    for (const log4cxx::LogString &key : loaded.propertyNames())
        m_properties.insert(decode(key), decode(loaded.getProperty(key)));
}

// Under the C locale Qt names files in UTF-8, while log4cxx asks libc, which
// would turn every other character of a file name into '?'.
void nameFilesAsQtDoes()
{
#ifdef Q_OS_UNIX
    if (QTextCodec::codecForLocale()->mibEnum() == 106 && std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
}

} // namespace
} // namespace Impl

bool PropertyConfigurator::configure(const QString &configFilename)
{
    Impl::repository();
    Impl::nameFilesAsQtDoes();
    QFile file(configFilename);
    if (!file.open(QIODevice::ReadOnly)) {
        Impl::reportError("PropertyConfigurator", QStringLiteral("Unable to open property file '%1'").arg(configFilename));
        return false;
    }
    const int errorsBefore = Impl::errorCount();
    Impl::Configurator configurator(QFileInfo(configFilename).absolutePath());
    configurator.read(file);
    configurator.run();
    return Impl::errorCount() == errorsBefore;
}

} // namespace Log4Qt
