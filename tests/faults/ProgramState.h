#pragma once
// What the running program says about itself in the statistics line it logs
// once a second.

#include <QRegularExpression>
#include <QString>

struct ProgramState {
    long long framesShown = 0;
    long long withResults = 0;
    QString log;
};

// The last "[Stats]" line of `log`.
inline ProgramState StateOf(const QString& log)
{
    static const QRegularExpression stats(QStringLiteral("\\[Stats\\] shown (\\d+) frames, [0-9.]+ fps, (\\d+) with results"));
    ProgramState state;
    state.log = log;
    for (QRegularExpressionMatchIterator it = stats.globalMatch(log); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        state.framesShown = m.captured(1).toLongLong();
        state.withResults = m.captured(2).toLongLong();
    }
    return state;
}
