#ifndef LOG4QT_LOGMANAGER_H
#define LOG4QT_LOGMANAGER_H

namespace Log4Qt {

class LogManager
{
public:
    // Routes Qt's own messages (qDebug and friends) to the logger "Qt".
    static void setHandleQtMessages(bool handleQtMessages);
    static bool handleQtMessages();
};

} // namespace Log4Qt

#endif // LOG4QT_LOGMANAGER_H
