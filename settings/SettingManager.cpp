#include "settings/SettingManager.h"

#include "SettingsFile.h"

#include <QtDebug>

#include <atomic>

namespace {

std::atomic<SettingManager*> registered{nullptr};
std::atomic<bool> released{false};

bool IsInt32(const Json::Value& v)
{
    return (v.type() == Json::intValue || v.type() == Json::uintValue) && v.isInt();
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

bool SettingManager::Accepts(const std::string& key, const Json::Value& member) const
{
    const Json::Value& def = defaults.at(key);
    if (def.type() != Json::intValue)
        return member.type() == def.type();
    // An int beyond 32 bits would make the library's int conversion throw.
    if (!IsInt32(member))
        return false;
    const auto minimum = intMinimums.find(key);
    return minimum == intMinimums.end() || member.asInt() >= minimum->second;
}

void SettingManager::MergeDefaults()
{
    if (!document.isObject())
        document = Json::Value(Json::objectValue);
    for (const auto& [key, value] : defaults) {
        if (!document.isMember(key) || !Accepts(key, document[key]))
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
