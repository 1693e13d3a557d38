#include "keep/KeptFileNames.h"

#include <QDir>
#include <QFileInfo>

QString NumberedPath(const QString& path, int number)
{
    if (number <= 1)
        return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString n = QString::number(number);
    // A name without an extension, or a hidden file's leading dot, gets the number at its end.
    if (dot <= slash + 1)
        return path + QLatin1Char('.') + n;
    return path.left(dot) + QLatin1Char('.') + n + path.mid(dot);
}

QString KeptName(const QString& dir, const QDateTime& at, quint64 frame, const QString& extension)
{
    return QDir(dir).filePath(QStringLiteral("VireoOwlEdge-%1-%2.%3")
                                  .arg(at.toString(QStringLiteral("yyyyMMdd-HHmmss")))
                                  .arg(frame)
                                  .arg(extension));
}

QString AttemptPath(const QString& path, int attempt)
{
    if (attempt <= 1)
        return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString n = QLatin1Char('-') + QString::number(attempt);
    return dot <= slash + 1 ? path + n : path.left(dot) + n + path.mid(dot);
}

QString RecordingPathProblem(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mkv") || suffix == QLatin1String("avi"))
        return {};
    return QStringLiteral("%1: a recording must end in .mkv (Matroska) or .avi (AVI), not \"%2\"; those two stay "
                          "playable when a recording is cut short")
        .arg(path, suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

bool SameFile(const QString& a, const QString& b)
{
    auto resolved = [](const QString& path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
        const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
        return QDir::cleanPath((dir.isEmpty() ? info.absolutePath() : dir) + QLatin1Char('/') + info.fileName());
    };
    return resolved(a) == resolved(b);
}
