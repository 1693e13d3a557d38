#pragma once
// The dongle's results as result entries, so one set of display routines
// serves both back-ends.

#include "EntryMapping.h"

#include "HostLibAdapter/FdFrResult.h"

#include <json/value.h>

#include <map>
#include <string>
#include <vector>

struct DeviceEntries {
    std::vector<Json::Value> boxes;   // one per shown box (models 0 to 3)
    std::vector<Json::Value> frames;  // one per result of the user model (model 4)
};

// Builds the entries of model `Mode` from its results; boxes are mapped to the
// window with `geometry`, user-model classes named from `classTable`.
DeviceEntries BuildDeviceEntries(int Mode, const std::vector<FdFrResult>& ResultList,
                                 const PictureGeometry& geometry, const std::map<int, std::string>& classTable);

// Entry builders: the four ints of "bbox", one row of "ordered_value_dict"
// (shown, without title prefix on box panels), and the panel's style sheet.
void SetEntryBox(Json::Value& entry, const QRect& box);
void SetEntryValue(Json::Value& entry, const std::string& key, const std::string& value, const std::string& title,
                   int fontSize, int alignment, int order);
void SetEntryStyle(Json::Value& entry, const std::string& style);
