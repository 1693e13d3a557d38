#pragma once
// The results log: one JSON document per line, appended and flushed line by
// line, so a crash loses at most the line being written. A file that reaches
// its size limit is continued in the next numbered file (out.2.jsonl, ...).

#include <json/value.h>

#include <QFile>
#include <QString>

#include <functional>

// Thread-safety: one thread (the GUI thread).
class ResultsLog {
public:
    enum class State { Closed, Writing, Failed };

    // `say` gets the one line about a log that cannot be written.
    ResultsLog(QString path, qint64 maxBytes, std::function<void(const QString&)> say);

    // Opens the file (appending) at the first line; after a failure nothing
    // more is written. False when the line was not written.
    bool Append(const Json::Value& line);

    State CurrentState() const { return state; }
    QString CurrentPath() const { return file.fileName(); }

private:
    bool OpenNext();
    void Fail(const QString& what);

    const QString path;
    const qint64 maxBytes;
    const std::function<void(const QString&)> say;
    QFile file;
    int number = 1;
    State state = State::Closed;
};

// One line of JSON without a line break in it (line breaks inside texts are
// escaped); an object's "time", "frame", "mode" and "model" come first.
QByteArray JsonLine(const Json::Value& value);
