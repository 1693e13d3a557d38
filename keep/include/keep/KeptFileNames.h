#pragma once
// The names of the files a run keeps: numbered continuations of a file that
// grew too large, and the names of snapshots and recordings made by a key.

#include <QDateTime>
#include <QString>

// `path` for number 1, then `out.2.mkv`, `out.3.mkv`, ... (the number goes
// before the extension, so the file still opens by its type).
QString NumberedPath(const QString& path, int number);

// `VireoOwlEdge-YYYYMMDD-HHMMSS-<frame>.<extension>` in `dir`.
QString KeptName(const QString& dir, const QDateTime& at, quint64 frame, const QString& extension);

// `path` for attempt 1, then `name-2.png`, `name-3.png`, ...: the names tried
// in turn so that a file that is there already is never overwritten.
QString AttemptPath(const QString& path, int attempt);

// The recording file extensions that stay playable when the program stops
// at any moment (a full disk, a crash): ".mkv", ".avi". Empty when `path`
// has one of them; otherwise what is wrong, for one line.
QString RecordingPathProblem(const QString& path);

// True when both name the same file (as written, after making them absolute
// and resolving links where the files exist).
bool SameFile(const QString& a, const QString& b);
