#include "Knobs.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace hostedl {

namespace {

const char* const kNames[] = {"EDL_EMU_DEVICES", "EDL_EMU_UNPLUG_AFTER", "EDL_EMU_FAIL", "EDL_EMU_INFER_MS",
                              "EDL_EMU_FW"};
const char* const kCalls[] = {"init_log",  "lib_init",      "add_dev",       "lib_start",
                              "report_sys_status", "update_fw", "reset_sys", "start_dme",
                              "dme_configure", "dme_inference", "dme_retrieve_res", "lib_de_init"};
constexpr size_t kControlFileLimit = 64 * 1024;

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Whole-string unsigned number, decimal or 0x-hex.
bool ParseNumber(const std::string& text, uint64_t max, uint64_t& out)
{
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v > max) return false;
    out = v;
    return true;
}

std::map<std::string, std::string> ReadControlFile(const std::string& path, std::vector<std::string>& warnings)
{
    std::map<std::string, std::string> values;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        warnings.push_back("control file " + path + " cannot be read; using the environment");
        return values;
    }
    std::string text(kControlFileLimit + 1, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kControlFileLimit) {
        warnings.push_back("control file " + path + " is over 64 KiB; ignored");
        return {};
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? "" : Trim(line.substr(0, eq));
        bool known = false;
        for (const char* name : kNames) known = known || key == name;
        if (!known) {
            warnings.push_back("control file line ignored: " + line);
            continue;
        }
        values[key] = Trim(line.substr(eq + 1));
    }
    return values;
}

}  // namespace

bool Knobs::Fails(const char* call) const { return failingCalls.count(call) != 0; }

Knobs ReadKnobs(std::vector<std::string>& warnings)
{
    std::map<std::string, std::string> values;
    for (const char* name : kNames)
        if (const char* v = std::getenv(name)) values[name] = Trim(v);
    if (const char* control = std::getenv("EDL_EMU_CONTROL"); control != nullptr && *control != '\0')
        for (const auto& [key, value] : ReadControlFile(control, warnings)) values[key] = value;

    Knobs knobs;
    auto bad = [&](const std::string& key) { warnings.push_back("ignored " + key + "=" + values[key]); };
    uint64_t n = 0;
    if (auto it = values.find("EDL_EMU_DEVICES"); it != values.end() && !it->second.empty()) {
        if (ParseNumber(it->second, kMaxDevices, n)) knobs.devices = static_cast<int>(n);
        else bad(it->first);
    }
    if (auto it = values.find("EDL_EMU_UNPLUG_AFTER"); it != values.end() && !it->second.empty()) {
        if (ParseNumber(it->second, UINT64_MAX, n)) knobs.unplugAfter = n;
        else bad(it->first);
    }
    if (auto it = values.find("EDL_EMU_INFER_MS"); it != values.end() && !it->second.empty()) {
        if (ParseNumber(it->second, 60000, n)) knobs.inferMs = static_cast<unsigned>(n);
        else bad(it->first);
    }
    if (auto it = values.find("EDL_EMU_FAIL"); it != values.end()) {
        std::istringstream list(it->second);
        std::string name;
        while (std::getline(list, name, ',')) {
            name = Trim(name);
            if (name.empty()) continue;
            if (name.rfind("edl_", 0) == 0) name = name.substr(4);
            bool known = false;
            for (const char* call : kCalls) known = known || name == call;
            if (known) knobs.failingCalls.insert(name);
            else warnings.push_back("EDL_EMU_FAIL names no call: " + name);
        }
    }
    if (auto it = values.find("EDL_EMU_FW"); it != values.end() && !it->second.empty()) {
        const size_t colon = it->second.find(':');
        uint64_t fw = 0, build = 0;
        if (colon != std::string::npos && ParseNumber(it->second.substr(0, colon), UINT32_MAX, fw) &&
            ParseNumber(it->second.substr(colon + 1), UINT32_MAX, build)) {
            knobs.fwId = static_cast<uint32_t>(fw);
            knobs.buildId = static_cast<uint32_t>(build);
            knobs.fwText = it->second;
        } else {
            bad(it->first);
        }
    }
    return knobs;
}

}  // namespace hostedl
