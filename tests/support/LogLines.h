#pragma once
// The Qt log messages written while one of these lives, for tests that check
// what the program says.

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Thread-safety: messages may come from any thread; one instance at a time.
class LogLines {
public:
    LogLines() : previous(qInstallMessageHandler(&Collect)) { Locked([](QStringList& all) { all.clear(); }); }
    ~LogLines() { qInstallMessageHandler(previous); }

    // The messages that begin with `prefix`, in the order they came.
    QStringList Starting(const QString& prefix) const
    {
        QStringList found;
        Locked([&](QStringList& all) {
            for (const QString& line : all)
                if (line.startsWith(prefix))
                    found.append(line);
        });
        return found;
    }

private:
    static void Locked(const std::function<void(QStringList&)>& use)
    {
        static QMutex mutex;
        static QStringList all;
        QMutexLocker lock(&mutex);
        use(all);
    }
    static void Collect(QtMsgType, const QMessageLogContext&, const QString& msg)
    {
        Locked([&msg](QStringList& all) { all.append(msg); });
    }

    QtMessageHandler previous;
};
