#include "DeviceEntries.h"

#include "HostLibAdapter/ModelSets.h"
#include "HostLibAdapter/ObjectClassName.h"

namespace {

const char* const kBlueStyle = "background-color:rgba(34,110,158,70%); border-radius: 15px; color: rgb(255, 255, 204);";
const char* const kRedStyle = "background-color:rgba(180,79,82,70%); border-radius: 15px; color: rgb(255, 255, 204);";
const char* const kGreenStyle =
    "background-color:rgba(110,245,124,70%); border-radius: 15px; color: rgb(255, 255, 204);";
constexpr int kCentred = 132;  // Qt::AlignCenter
constexpr int kPanelFont = 18;
constexpr int kClassFont = 50;

void AddBoxEntry(DeviceEntries& entries, ResultLook look, const FdFrResult& r, const PictureGeometry& geometry)
{
    const QRect box = MapDeviceBox(r, geometry);
    if (box.isEmpty())
        return;
    Json::Value entry(Json::objectValue);
    SetEntryBox(entry, box);
    switch (look) {
    case ResultLook::AgeGender: {
        const bool male = r.Male >= 1;
        SetEntryValue(entry, "gender", male ? "    Male    " : "   Female   ", "Gender", kPanelFont, kCentred, 0);
        SetEntryValue(entry, "age", std::to_string(r.Age), "Age", kPanelFont, kCentred, 1);
        SetEntryStyle(entry, male ? kBlueStyle : kRedStyle);
        break;
    }
    case ResultLook::ObjectName:
        SetEntryValue(entry, "object_name", "    " + ObjectClassName(r.ClassId).toStdString() + "    ", "Object Name",
                      kPanelFont, kCentred, 0);
        SetEntryStyle(entry, kBlueStyle);
        break;
    case ResultLook::MaskOrNot: {
        const bool mask = r.ClassId != -1;
        SetEntryValue(entry, "is_mask", mask ? "    Mask    " : "   No Mask   ", "Is Mask", kPanelFont, kCentred, 0);
        SetEntryStyle(entry, mask ? kGreenStyle : kRedStyle);
        break;
    }
    case ResultLook::BoxOnly:
    case ResultLook::LabelledClass:
        break;
    }
    entries.boxes.push_back(std::move(entry));
}

void AddClassEntry(DeviceEntries& entries, const FdFrResult& r, const std::map<int, std::string>& classTable)
{
    const auto named = classTable.find(r.ClassId);
    const std::string name = named != classTable.end() ? named->second : std::to_string(r.ClassId);
    Json::Value entry(Json::objectValue);
    SetEntryValue(entry, "class", "  " + name, "Class", kClassFont, kCentred, 0);
    SetEntryStyle(entry, r.ClassId != -1 ? kGreenStyle : kRedStyle);
    entries.frames.push_back(std::move(entry));
}

}  // namespace

DeviceEntries BuildDeviceEntries(int Mode, const std::vector<FdFrResult>& ResultList,
                                 const PictureGeometry& geometry, const std::map<int, std::string>& classTable)
{
    DeviceEntries entries;
    const ModelRow* model = FindModel(Mode);
    if (model == nullptr)
        return entries;
    for (const FdFrResult& r : ResultList) {
        if (model->look == ResultLook::LabelledClass)
            AddClassEntry(entries, r, classTable);
        else if (r.Width >= 1 && r.Height >= 1)
            AddBoxEntry(entries, model->look, r, geometry);
    }
    return entries;
}

void SetEntryBox(Json::Value& entry, const QRect& box)
{
    Json::Value& bbox = entry["bbox"];
    bbox["x"] = box.x();
    bbox["y"] = box.y();
    bbox["width"] = box.width();
    bbox["height"] = box.height();
}

void SetEntryValue(Json::Value& entry, const std::string& key, const std::string& value, const std::string& title,
                   int fontSize, int alignment, int order)
{
    Json::Value& item = entry["ordered_value_dict"][key];
    item["value"] = value;
    item["order"] = order;
    item["title"] = title;
    item["font_size"] = fontSize;
    item["alignment"] = alignment;
    item["show_on_panel"] = true;
    item["show_title"] = false;
}

void SetEntryStyle(Json::Value& entry, const std::string& style)
{
    entry["qt_panel_style_sheet"] = style;
}
