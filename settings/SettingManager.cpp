#include "settings/SettingManager.h"

#include "SettingsFile.h"

#include <json/writer.h>

#include <QtDebug>

#include <atomic>
#include <utility>

namespace {

std::atomic<SettingManager*> registered{nullptr};
std::atomic<bool> released{false};

// Most characters of a replaced value that its message repeats.
constexpr std::size_t kMaxQuotedValue = 60;

bool IsInt32(const Json::Value& v)
{
    return (v.type() == Json::intValue || v.type() == Json::uintValue) && v.isInt();
}

const char* TypeName(Json::ValueType type)
{
    switch (type) {
    case Json::intValue:
    case Json::uintValue:
        return "an integer";
    case Json::booleanValue:
        return "true or false";
    case Json::stringValue:
        return "a text";
    case Json::objectValue:
        return "an object";
    default:
        return "of the default's type";
    }
}

// The value as it would stand in the file, on one line and cut short.
std::string Quoted(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    std::string text = Json::writeString(builder, value);
    if (text.size() > kMaxQuotedValue)
        text = text.substr(0, kMaxQuotedValue) + "...";
    return text;
}

}  // namespace

SettingManager* SettingManager::GetInstance()
{
    if (SettingManager* instance = registered.load())
        return instance;
    if (released.load()) {
        qWarning("[Settings] the settings store was used after it was released");
        return nullptr;
    }
    Register(new SettingManager());
    return registered.load();
}

void SettingManager::ReleaseInstance()
{
    released = true;
    delete registered.exchange(nullptr);
}

void SettingManager::Register(SettingManager* instance)
{
    registered = instance;
}

SettingManager::SettingManager()
{
    AddDefault("Company", "Vireo");
    AddDefault("CacheData", true);
    AddDefault("RequestFIFO", R"(\\.\pipe\req_pipe)");
    AddDefault("ResponseFIFO", R"(\\.\pipe\resp_pipe)");
}

SettingManager::~SettingManager()
{
    // A store deleted directly (not through ReleaseInstance) must not stay registered.
    SettingManager* self = this;
    registered.compare_exchange_strong(self, nullptr);
}

void SettingManager::AddDefault(const std::string& key, const Json::Value& value, int minInt)
{
    defaults[key] = value;
    if (minInt != INT_MIN)
        intMinimums[key] = minInt;
}

void SettingManager::AddChoiceDefault(const std::string& key, const std::string& value,
                                      std::vector<std::string> accepted)
{
    defaults[key] = value;
    textChoices[key] = std::move(accepted);
}

std::string SettingManager::Misfit(const std::string& key, const Json::Value& member) const
{
    const Json::Value& def = defaults.at(key);
    if (def.type() == Json::intValue) {
        if (member.type() != Json::intValue && member.type() != Json::uintValue)
            return std::string("is not ") + TypeName(def.type());
        // An int beyond 32 bits would make the library's int conversion throw.
        if (!IsInt32(member))
            return "is beyond the 32-bit range";
        const auto minimum = intMinimums.find(key);
        if (minimum != intMinimums.end() && member.asInt() < minimum->second)
            return "is below " + std::to_string(minimum->second);
        return {};
    }
    if (member.type() != def.type())
        return std::string("is not ") + TypeName(def.type());
    const auto choices = textChoices.find(key);
    if (choices == textChoices.end())
        return {};
    std::string names;
    for (const std::string& choice : choices->second) {
        if (member.asString() == choice)
            return {};
        names += (names.empty() ? "" : " or ") + choice;
    }
    return "is not " + names;
}

void SettingManager::MergeDefaults()
{
    if (!document.isObject())
        document = Json::Value(Json::objectValue);
    for (const auto& [key, value] : defaults) {
        if (!document.isMember(key)) {
            document[key] = value;
            continue;
        }
        // The user's value leaves the file: say what it was.
        const std::string why = Misfit(key, document[key]);
        if (why.empty())
            continue;
        qWarning().noquote() << QString::fromStdString("[Settings] " + key + ": " + Quoted(document[key]) + " " + why
                                                       + "; " + Quoted(value) + " is used instead");
        document[key] = value;
    }
}

void SettingManager::Load(const std::string& path)
{
    SettingsRead read = ReadSettingsFile(path);
    document = std::move(read.document);
    MergeDefaults();
    if (read.mayWriteBack)
        WriteSettingsFile(path, document);

    cacheData = GetBoolValue(document, "CacheData", true);
    requestFifo = GetStringValue(document, "RequestFIFO", R"(\\.\pipe\req_pipe)");
    responseFifo = GetStringValue(document, "ResponseFIFO", R"(\\.\pipe\resp_pipe)");
}

int SettingManager::GetIntValue(const Json::Value& doc, const std::string& key, int def)
{
    if (!doc.isObject() || !doc.isMember(key))
        return def;
    const Json::Value& v = doc[key];
    return IsInt32(v) ? v.asInt() : def;
}

bool SettingManager::GetBoolValue(const Json::Value& doc, const std::string& key, bool def)
{
    if (!doc.isObject() || !doc.isMember(key))
        return def;
    const Json::Value& v = doc[key];
    return v.isBool() ? v.asBool() : def;
}

double SettingManager::GetDoubleValue(const Json::Value& doc, const std::string& key, double def)
{
    if (!doc.isObject() || !doc.isMember(key))
        return def;
    const Json::Value& v = doc[key];
    return v.isNumeric() ? v.asDouble() : def;
}

std::string SettingManager::GetStringValue(const Json::Value& doc, const std::string& key, const std::string& def)
{
    if (!doc.isObject() || !doc.isMember(key))
        return def;
    const Json::Value& v = doc[key];
    return v.isString() ? v.asString() : def;
}

Json::Value SettingManager::GetJsonValue(const Json::Value& doc, const std::string& key, const Json::Value& def)
{
    if (!doc.isObject() || !doc.isMember(key))
        return def;
    return doc[key];
}
