#pragma once
// The settings file: read once at start, completed with defaults, written back.

#include <json/value.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

// Owns the settings document, the table of defaults and the keys that every
// configuration has. Thread-safety: Load and the static functions run on the
// main thread before any worker exists; afterwards the document is read-only.
class SettingManager {
public:
    // The registered instance; a plain SettingManager is created when none
    // exists yet. After ReleaseInstance it returns null and logs the misuse.
    static SettingManager* GetInstance();
    static void ReleaseInstance();

    SettingManager();
    virtual ~SettingManager();
    SettingManager(const SettingManager&) = delete;
    SettingManager& operator=(const SettingManager&) = delete;

    // Reads `path`, completes it with the defaults, writes it back atomically.
    // Never fails: whatever goes wrong is logged and the defaults stand in.
    virtual void Load(const std::string& path);

    bool IsCacheData() const { return cacheData; }
    std::string GetRequestFifo() const { return requestFifo; }
    std::string GetResponseFifo() const { return responseFifo; }
    Json::Value GetDocument() const { return document; }

    // Typed lookups: `def` when `doc` has no member `key` or it is of another type.
    static int GetIntValue(const Json::Value& doc, const std::string& key, int def);
    static bool GetBoolValue(const Json::Value& doc, const std::string& key, bool def);
    static double GetDoubleValue(const Json::Value& doc, const std::string& key, double def);
    static std::string GetStringValue(const Json::Value& doc, const std::string& key, const std::string& def);
    static Json::Value GetJsonValue(const Json::Value& doc, const std::string& key, const Json::Value& def);

protected:
    // A member of `key` is kept only when it has the default's JSON type (and,
    // for ints, lies within the 32-bit range and at or above `minInt`).
    void AddDefault(const std::string& key, const Json::Value& value, int minInt = INT_MIN);
    // A text member of `key` is kept only when it is one of `accepted`.
    void AddChoiceDefault(const std::string& key, const std::string& value, std::vector<std::string> accepted);
    const Json::Value& Document() const { return document; }
    static void Register(SettingManager* instance);

private:
    // Why `member` cannot stand for `key` ("is not an integer"); empty when it can.
    std::string Misfit(const std::string& key, const Json::Value& member) const;
    void MergeDefaults();

    Json::Value document;
    std::map<std::string, Json::Value> defaults;
    std::map<std::string, int> intMinimums;
    std::map<std::string, std::vector<std::string>> textChoices;
    bool cacheData = true;
    std::string requestFifo;
    std::string responseFifo;
};
