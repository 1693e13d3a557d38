#pragma once
// How large a recording may grow, and when it stops to leave the disk usable.

#include <QtGlobal>

struct RecordingLimits {
    qint64 maxFileBytes = 1024LL * 1024 * 1024;  // then the next numbered file
    qint64 minFreeBytes = 64LL * 1024 * 1024;    // the recording stops before the disk is full
    // Video written without the file growing: the writes are failing. Longer
    // than a Matroska cluster (5 s) and than a dark AVI takes to fill the
    // writer's buffer.
    double stallSeconds = 20;
    // The encoder never works on more than this much video at once, which
    // also bounds the wait for it when the program ends.
    double mostBehindSeconds = 2;
};
