#ifndef LOG4QT_PROPERTYCONFIGURATOR_H
#define LOG4QT_PROPERTYCONFIGURATOR_H

#include <QString>

namespace Log4Qt {

// Configures logging from a Log4Qt property file, read once.
class PropertyConfigurator
{
public:
    // True only when the file was read and applied without error.
    static bool configure(const QString &configFilename);
};

} // namespace Log4Qt

#endif // LOG4QT_PROPERTYCONFIGURATOR_H
