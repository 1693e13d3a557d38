// owl-model: makes what the emulated dongle loads.
//
//   owl-model builtin mask|age_gender|yolo --cascades DIR [--quick-cascades DIR] --out DIR
//       a built-in model set (fw_info.bin + all_models.bin) from OpenCV's Haar
//       cascades and the LBP cascades that point them where to look (default:
//       the lbpcascades folder beside DIR, as Debian's opencv-data lays them out)
//   owl-model firmware --fw-id ID --build-id N --out DIR
//       the two firmware images fw_scpu.bin and fw_ncpu.bin with that identity
//   owl-model user --examples DIR --labels FILE --out FILE.bin [--grid N] [--grey]
//       a user model file (68-byte setup, model image from byte 4096, 4 trailing
//       bytes) from DIR/<label>/ pictures per label line, and FILE_labels.txt
//       ("<class id> <label>" per line, the label file the program reads)
//
// Exit code 0 on success, 1 on bad input (with a message on stderr).

#include "UserModelMaker.h"

#include "hostedl/FirmwareFormat.h"
#include "hostedl/ModelSetFormat.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace hostedl;

namespace {

int Fail(const std::string& message)
{
    std::cerr << "owl-model: " << message << "\n";
    return 1;
}

bool ReadFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// --name value pairs and bare flags after the sub-command.
std::map<std::string, std::string> Options(int argc, char** argv, int first, std::vector<std::string>& positional)
{
    std::map<std::string, std::string> options;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
        } else if (arg == "--grey") {
            options[arg] = "1";
        } else if (i + 1 < argc) {
            options[arg] = argv[++i];
        } else {
            options[arg] = "";
        }
    }
    return options;
}

int Builtin(const std::string& kind, const std::string& cascades, const std::string& quickCascades,
            const std::string& outDir)
{
    struct Source {
        uint32_t modelId, format;
        PartRole role;
        uint16_t classId;
        std::string file;  // cascade file; empty for the HOG marker
    };
    const std::string face = cascades + "/haarcascade_frontalface_default.xml";
    const std::string quickFace = quickCascades + "/lbpcascade_frontalface.xml";
    std::vector<Source> sources;
    if (kind == "mask") {
        sources = {{kModelIdFace, kFormatBoxes, PartRole::FaceCascade, 0, face},
                   {kModelIdFace, kFormatBoxes, PartRole::QuickCascade, 0, quickFace},
                   {kModelIdFace, kFormatBoxes, PartRole::MouthCascade, 0, cascades + "/haarcascade_smile.xml"}};
    } else if (kind == "age_gender") {
        sources = {{kModelIdFace, kFormatAgeGender, PartRole::FaceCascade, 0, face},
                   {kModelIdFace, kFormatAgeGender, PartRole::QuickCascade, 0, quickFace}};
    } else if (kind == "yolo") {
        sources = {{kModelIdObjects, kFormatBoxes, PartRole::HogPeople, 0, ""},
                   {kModelIdObjects, kFormatBoxes, PartRole::ObjectCascade, 15,
                    cascades + "/haarcascade_frontalcatface.xml"},
                   {kModelIdObjects, kFormatBoxes, PartRole::QuickCascade, 15,
                    quickCascades + "/lbpcascade_frontalcatface.xml"}};
    } else {
        return Fail("unknown built-in set '" + kind + "' (mask, age_gender or yolo)");
    }
    std::vector<PartSource> parts;
    for (const Source& s : sources) {
        PartSource part;
        part.part.modelId = s.modelId;
        part.part.imageFormat = s.format;
        part.part.role = s.role;
        part.part.classId = s.classId;
        if (s.file.empty()) part.bytes = "OpenCV default HOG people detector\n";
        else if (!ReadFile(s.file, part.bytes)) return Fail("cannot read " + s.file);
        parts.push_back(std::move(part));
    }
    std::vector<uint8_t> setup, image;
    BuildModelSet(parts, setup, image);
    if (image.size() > kModelImageLimit) return Fail("model image over 20 MiB");
    if (!WriteFile(outDir + "/fw_info.bin", setup) || !WriteFile(outDir + "/all_models.bin", image))
        return Fail("cannot write into " + outDir);
    return 0;
}

int Firmware(const std::map<std::string, std::string>& o)
{
    if (!o.count("--fw-id") || !o.count("--build-id") || !o.count("--out"))
        return Fail("firmware needs --fw-id, --build-id and --out");
    char* end = nullptr;
    const unsigned long fwId = std::strtoul(o.at("--fw-id").c_str(), &end, 0);
    if (*end != '\0') return Fail("bad --fw-id");
    const unsigned long buildId = std::strtoul(o.at("--build-id").c_str(), &end, 0);
    if (*end != '\0') return Fail("bad --build-id");
    const std::string dir = o.at("--out");
    // The payload stands in for the code; its text makes the images easy to tell apart.
    for (uint32_t module : {kModuleScpu, kModuleNcpu}) {
        const std::string name = module == kModuleScpu ? "scpu" : "ncpu";
        std::ostringstream payload;
        payload << "emulated " << name << " firmware " << std::hex << "0x" << fwId << std::dec << " build "
                << buildId << "\n";
        const auto image = BuildFirmware(module, static_cast<uint32_t>(fwId), static_cast<uint32_t>(buildId),
                                         payload.str());
        if (!WriteFile(dir + "/fw_" + name + ".bin", image)) return Fail("cannot write into " + dir);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Fail("usage: owl-model builtin|firmware|user ... (see the source's head)");
    const std::string command = argv[1];
    std::vector<std::string> positional;
    const auto o = Options(argc, argv, 2, positional);
    if (command == "builtin") {
        if (positional.size() != 1 || !o.count("--cascades") || !o.count("--out"))
            return Fail("builtin needs a set name, --cascades and --out");
        const std::string quick =
            o.count("--quick-cascades") ? o.at("--quick-cascades") : o.at("--cascades") + "/../lbpcascades";
        return Builtin(positional[0], o.at("--cascades"), quick, o.at("--out"));
    }
    if (command == "firmware") return Firmware(o);
    if (command == "user") {
        if (!o.count("--examples") || !o.count("--labels") || !o.count("--out"))
            return Fail("user needs --examples, --labels and --out");
        UserModelRequest request;
        request.examplesDir = o.at("--examples");
        request.labelsFile = o.at("--labels");
        request.outFile = o.at("--out");
        request.grey = o.count("--grey") != 0;
        if (o.count("--grid")) request.grid = std::atoi(o.at("--grid").c_str());
        std::string error;
        if (!MakeUserModel(request, error)) return Fail(error);
        return 0;
    }
    return Fail("unknown command '" + command + "'");
}
