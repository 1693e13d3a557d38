#pragma once
// The lines of the results log: what one answer brought, in the pixels of
// the camera picture as shown (mirrored, as the boxes on screen are).

#include "LabelTable.h"

#include "HostLibAdapter/FdFrResult.h"

#include <json/value.h>

#include <QDateTime>
#include <QSize>

#include <vector>

// What every line starts with.
struct ResultsLineHead {
    QDateTime time;   // when the answer was shown
    quint64 frame;    // pictures shown since the start, this one included
};

// The detector's box entries with their rectangles mapped from the `sent`
// picture to the `camera` picture, and its frame entries, each with its value
// items. Null when the answer brought no entry.
Json::Value DetectorResultsLine(const ResultsLineHead& head, const std::vector<Json::Value>& boxes,
                                const std::vector<Json::Value>& frames, QSize sent, QSize camera);

// The dongle's results of model `Mode` with their rectangles mapped from the
// `seen` image to the `camera` picture; classes named as on screen. Null when
// the list is empty.
Json::Value DeviceResultsLine(const ResultsLineHead& head, int Mode, const std::vector<FdFrResult>& ResultList,
                              QSize seen, QSize camera, const ClassTable& classTable);
