#include "keep/ResultsLog.h"

#include "keep/KeptFileNames.h"

#include <json/writer.h>

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <utility>

ResultsLog::ResultsLog(QString path, qint64 maxBytes, std::function<void(const QString&)> say)
    : path(std::move(path)), maxBytes(maxBytes), say(std::move(say))
{
}

bool ResultsLog::Append(const Json::Value& value)
{
    if (state == State::Failed)
        return false;
    const QByteArray line = JsonLine(value) + '\n';
    if (state == State::Closed && !OpenNext())
        return false;
    // A line never straddles two files; a line larger than the limit still
    // gets a file of its own rather than being lost.
    if (file.size() > 0 && file.size() + line.size() > maxBytes) {
        file.close();
        ++number;
        if (!OpenNext())
            return false;
    }
    // Unbuffered: each line reaches the file as one write, and a short write
    // (a full disk) is seen at once.
    const qint64 written = file.write(line);
    if (written != line.size()) {
        // Half a line would break the parsing of the whole file.
        if (written > 0)
            file.resize(file.size() - written);
        Fail(file.errorString());
        return false;
    }
    return true;
}

bool ResultsLog::OpenNext()
{
    // Numbered files a past run filled up are continued after, never rewritten.
    while (QFileInfo(NumberedPath(path, number)).size() >= maxBytes)
        ++number;
    file.setFileName(NumberedPath(path, number));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        Fail(file.errorString());
        return false;
    }
    state = State::Writing;
    return true;
}

void ResultsLog::Fail(const QString& what)
{
    state = State::Failed;
    file.close();
    say(QStringLiteral("[Results] %1 cannot be written (%2); the results log stops here, the program goes on")
            .arg(file.fileName(), what));
}

QByteArray JsonLine(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    if (!value.isObject())
        return QByteArray::fromStdString(Json::writeString(builder, value));
    // A person reading the log sees when and what first; the writer would sort the keys.
    static const char* const kFirst[] = {"time", "frame", "mode", "model"};
    QByteArray line("{");
    auto member = [&](const std::string& key) {
        if (line.size() > 1)
            line += ',';
        line += QByteArray::fromStdString(Json::writeString(builder, Json::Value(key))) + ':' +
                QByteArray::fromStdString(Json::writeString(builder, value[key]));
    };
    for (const char* key : kFirst)
        if (value.isMember(key))
            member(key);
    for (const std::string& key : value.getMemberNames())
        if (std::find_if(std::begin(kFirst), std::end(kFirst), [&key](const char* k) { return key == k; }) ==
            std::end(kFirst))
            member(key);
    return line + '}';
}
