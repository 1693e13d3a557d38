#pragma once
// The Qt log messages written while one of these lives, for tests that check
// what the program says.

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Thread-safety: messages may come from any thread; one instance at a time.
class LogLines {
public:
    LogLines() : previous(qInstallMessageHandler(&Collect))
    {
        QMutexLocker lock(&Mutex());
        Store().clear();
    }
    ~LogLines() { qInstallMessageHandler(previous); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    // The messages that begin with `prefix`, in the order they came.
    QStringList Starting(const QString& prefix) const
    {
        QMutexLocker lock(&Mutex());
        QStringList found;
        for (const QString& line : Store())
            if (line.startsWith(prefix))
                found.append(line);
        return found;
    }

private:
    static QStringList& Store()
    {
        static QStringList lines;
        return lines;
    }
    static QMutex& Mutex()
    {
        static QMutex mutex;
        return mutex;
    }
    static void Collect(QtMsgType, const QMessageLogContext&, const QString& msg)
    {
        QMutexLocker lock(&Mutex());
        Store().append(msg);
    }

    QtMessageHandler previous;
};
