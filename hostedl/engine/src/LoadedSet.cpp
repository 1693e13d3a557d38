#include "hostedl/LoadedSet.h"

#include "hostedl/UserClassifierFormat.h"

#include <opencv2/core.hpp>

#include <map>
#include <utility>

namespace hostedl {

namespace {

bool LoadCascade(const uint8_t* bytes, size_t size, cv::CascadeClassifier& cascade)
{
    try {
        cv::FileStorage fs(std::string(reinterpret_cast<const char*>(bytes), size),
                           cv::FileStorage::READ | cv::FileStorage::MEMORY);
        if (!fs.isOpened()) return false;
        return cascade.read(fs.getFirstTopLevelNode()) && !cascade.empty();
    } catch (const std::exception&) {  // OpenCV's parser throws on malformed XML
        return false;
    }
}

// The output count each model and image format answers with, as the
// program configures them.
uint32_t ExpectedOutputs(uint32_t modelId, uint32_t format)
{
    if (modelId == kModelIdFace && format == kFormatBoxes) return 8;
    if (modelId == kModelIdFace && format == kFormatAgeGender) return 1;
    if (modelId == kModelIdObjects && format == kFormatBoxes) return 2;
    if (modelId == kModelIdUser && format == kFormatUser) return 1;
    return 0;
}

}  // namespace

ModelSetError LoadedSet::Load(const uint8_t* setup, size_t setupLen, const uint8_t* image, size_t imageLen,
                              std::unique_ptr<LoadedSet>& out, std::string& detail)
{
    out.reset();
    ModelSetLayout layout;
    const ModelSetError error = ParseModelSet(setup, setupLen, image, imageLen, layout);
    if (error != ModelSetError::None) return error;

    auto set = std::make_unique<LoadedSet>();
    std::map<std::pair<uint32_t, int32_t>, cv::CascadeClassifier> quick;  // by model id and class
    for (size_t i = 0; i < layout.parts.size(); ++i) {
        const ModelPart& part = layout.parts[i];
        const uint8_t* bytes = image + part.offset;
        Model& model = set->models[part.modelId];
        model.format = part.imageFormat;
        bool ok = true;
        switch (part.role) {
        case PartRole::FaceCascade:
        case PartRole::MouthCascade:
        case PartRole::ObjectCascade:
        case PartRole::EyeCascade:
        case PartRole::QuickCascade: {
            cv::CascadeClassifier cascade;
            ok = LoadCascade(bytes, part.size, cascade);
            if (part.role == PartRole::FaceCascade) model.faces.push_back({cascade, {}, part.classId, {}});
            if (part.role == PartRole::MouthCascade) model.mouths.push_back(cascade);
            if (part.role == PartRole::ObjectCascade) model.objects.push_back({cascade, {}, part.classId, {}});
            if (part.role == PartRole::QuickCascade) quick[{part.modelId, part.classId}] = cascade;
            break;
        }
        case PartRole::HogPeople:
            model.hogPeople = true;
            break;
        case PartRole::UserClassifier: {
            UserClassifier classifier;
            ok = !model.classifier && ParseUserClassifier(bytes, part.size, classifier) &&
                 classifier.classCount == part.classId;
            if (ok) model.classifier = std::move(classifier);
            break;
        }
        }
        if (!ok) {
            detail = "part " + std::to_string(i) + " of model " + std::to_string(part.modelId);
            return ModelSetError::PayloadInvalid;
        }
    }
    // A quick cascade serves the cascades of its model and class, wherever
    // the parts lie in the set; one without such a cascade is unused.
    for (auto& [id, model] : set->models) {
        for (std::vector<SearchedCascade>* cascades : {&model.faces, &model.objects}) {
            for (SearchedCascade& c : *cascades) {
                const auto found = quick.find({id, c.classId});
                if (found != quick.end()) c.quick = found->second;
            }
        }
    }
    out = std::move(set);
    return ModelSetError::None;
}

const char* LoadedSet::CheckConfig(const DmeConfig& c) const
{
    const auto it = models.find(c.modelId);
    if (it == models.end()) return "model id not in the loaded set";
    const Model& m = it->second;
    if (c.format != m.format) return "image format differs from the model's";
    const uint32_t outputs = ExpectedOutputs(c.modelId, c.format);
    if (outputs == 0) return "model id and image format are no model this dongle runs";
    if (c.outputCount != outputs) return "output count does not fit the model";
    if (c.width == 0 || c.height == 0 || c.width > kMaxImageWidth || c.height > kMaxImageHeight)
        return "image size outside 1x1..1280x720";
    if (c.channels != 3) return "image channels must be 3";
    if (c.modelId == kModelIdFace && m.faces.empty()) return "face model without a face cascade";
    if (c.modelId == kModelIdObjects && !m.hogPeople && m.objects.empty()) return "object model without detectors";
    if (c.modelId == kModelIdUser && !m.classifier) return "user model without a classifier";
    return nullptr;
}

bool LoadedSet::Infer(const DmeConfig& c, const uint8_t* image, std::vector<uint8_t>& answer, std::string& error)
{
    try {
        Model& m = models.at(c.modelId);
        // Read only: the Mat header just wraps the caller's bytes.
        Frame565 frame{cv::Mat(static_cast<int>(c.height), static_cast<int>(c.width), CV_8UC2,
                               const_cast<uint8_t*>(image))};
        if (c.modelId == kModelIdFace && c.format == kFormatAgeGender) {
            answer = WriteAgeGender(EstimateAgeGender(frame, m.faces.front()));
        } else if (c.modelId == kModelIdFace) {
            answer = WriteBoxList(FaceBoxes(frame, m.faces.front(), m.mouths.empty() ? nullptr : &m.mouths.front()));
        } else if (c.modelId == kModelIdObjects) {
            answer = WriteBoxList(DetectObjects(frame, m.hogPeople, m.objects));
        } else {
            const UserClassifier& classifier = *m.classifier;
            answer = WriteClassifierTensor(ClassifyLogits(ClassifierFeatures(frame.Bgr(), classifier), classifier),
                                           classifier.radix, classifier.scale);
        }
    } catch (const std::exception& e) {  // cv::Exception, bad_alloc: a failed frame, not a dead library
        error = e.what();
        return false;
    }
    return true;
}

void LoadedSet::ForgetFinds()
{
    for (auto& [id, m] : models) {
        for (SearchedCascade& c : m.faces)
            c.memory.Forget();
        for (SearchedCascade& c : m.objects)
            c.memory.Forget();
    }
}

}  // namespace hostedl
