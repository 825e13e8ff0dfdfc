#ifndef LINES_H
#define LINES_H

#include <QTextCodec>
#include <QtTest>

// Writing fixture files and comparing the lines a program wrote.
namespace Lines {

// What the logging tests write through Qt: one message of each level, the first in Chinese.
inline void emitMessages()
{
    qDebug("debug 中文消息");
    qInfo("info line");
    qWarning("warn line");
    qCritical("error line");
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), qint64(content.size()));
}

// What a program's text output is on this platform: UTF-8 and LF on Unix; on Windows the
// ANSI code page (936, GBK, on a Chinese system) and CRLF.
inline QString decode(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return QTextCodec::codecForLocale()->toUnicode(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
#else
    return QString::fromUtf8(bytes);
#endif
}

// An expected text as it survives the platform's encoding ('?' for what the code page lacks).
inline QString encodable(const QString &text)
{
#ifdef Q_OS_WIN
    QTextCodec *codec = QTextCodec::codecForLocale();
    return codec->toUnicode(codec->fromUnicode(text));
#else
    return text;
#endif
}

// A text as the platform's programs write it by default.
inline QByteArray encode(const QString &text)
{
#ifdef Q_OS_WIN
    return QTextCodec::codecForLocale()->fromUnicode(text);
#else
    return text.toUtf8();
#endif
}

// Text output split into lines, without the empty piece after a final newline.
inline QStringList split(const QByteArray &bytes)
{
    QStringList lines = decode(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

inline QStringList read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing %1>").arg(path)};
    return split(f.readAll());
}

// Expected lines are literal unless they start with "re:".
inline void compare(const QStringList &actual, const QStringList &expected)
{
    if (actual.size() != expected.size())
        qWarning() << "actual lines:" << actual;
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString &e = expected.at(i);
        if (e.startsWith(QLatin1String("re:"))) {
            const QRegularExpression re(QRegularExpression::anchoredPattern(e.mid(3)));
            QVERIFY2(re.match(actual.at(i)).hasMatch(), qPrintable(actual.at(i) + " !~ " + e));
        } else {
            QCOMPARE(actual.at(i), encodable(e));
        }
    }
}

} // namespace Lines

#endif // LINES_H
