#include "SettingsFile.h"

#include "settings/JsonText.h"

#include <json/writer.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtDebug>

namespace {

// Far above any real settings file; a larger one is not what we wrote.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

QString NativeName(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

// Keeps the user's file under a name that is not taken yet; false if it
// could not be kept, in which case nothing may overwrite it.
bool Quarantine(const QString& name, const QString& why)
{
    QString keptAs = name + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(keptAs) && n < 1000; ++n)
        keptAs = name + QStringLiteral(".bad.") + QString::number(n);
    if (!QFile::rename(name, keptAs)) {
        qWarning().noquote() << "[Settings]" << name << why
                             << "- it could not be set aside, so it is left as it is and the defaults are used for this run";
        return false;
    }
    qWarning().noquote() << "[Settings]" << name << why << "- kept as" << keptAs << "and replaced by the defaults";
    return true;
}

}  // namespace

SettingsRead ReadSettingsFile(const std::string& path)
{
    SettingsRead result;
    const QString name = NativeName(path);
    const QFileInfo info(name);
    if (!info.exists()) {
        qInfo().noquote() << "[Settings]" << name << "does not exist; it is created with the defaults";
        return result;
    }
    if (info.isDir()) {
        qWarning().noquote() << "[Settings]" << name << "is a directory, not a settings file; the defaults are used";
        result.mayWriteBack = false;
        return result;
    }
    if (info.size() == 0) {
        qInfo().noquote() << "[Settings]" << name << "is empty; it is filled with the defaults";
        return result;
    }
    if (info.size() > kMaxSettingsBytes) {
        result.mayWriteBack = Quarantine(name, QStringLiteral("is %1 bytes, too large for a settings file").arg(info.size()));
        return result;
    }

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "[Settings] cannot read" << name << ":" << file.errorString()
                             << "- the defaults are used and the file is left untouched";
        result.mayWriteBack = false;
        return result;
    }
    const QByteArray text = file.readAll();
    file.close();

    std::string errors;
    Json::Value document;
    if (!ParseJsonText(text.constData(), text.constData() + text.size(), document, errors, true)) {
        result.mayWriteBack =
            Quarantine(name, QStringLiteral("is not valid JSON (%1)").arg(QString::fromStdString(errors).trimmed()));
        return result;
    }
    if (!document.isObject()) {
        result.mayWriteBack = Quarantine(name, QStringLiteral("does not hold a JSON object"));
        return result;
    }
    result.document = std::move(document);
    return result;
}

bool WriteSettingsFile(const std::string& path, const Json::Value& document)
{
    const Json::StreamWriterBuilder builder;  // default settings: tab indentation
    const std::string text = Json::writeString(builder, document);

    // A first start in a fresh account has no configuration folder yet.
    const QString folder = QFileInfo(NativeName(path)).absolutePath();
    if (!QDir().mkpath(folder)) {
        qWarning().noquote() << "[Settings] cannot create the folder" << folder
                             << "- the settings are used for this run only";
        return false;
    }
    QSaveFile file(NativeName(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(text.data(), qint64(text.size())) == qint64(text.size())
        && file.commit())
        return true;
    qWarning().noquote() << "[Settings] cannot write" << file.fileName() << ":" << file.errorString()
                         << "- the settings are used for this run only";
    file.cancelWriting();
    return false;
}
