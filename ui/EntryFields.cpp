#include "EntryFields.h"

#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace vireo_ui {

namespace {

void ReportWrongType(const char* key, const char* expected)
{
    qDebug().nospace() << "[ResultWidget] field \"" << key << "\" is not " << expected << "; skipped";
}

}  // namespace

const Json::Value* Member(const Json::Value& object, const char* key)
{
    if (!object.isObject())
        return nullptr;
    const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
    if (member == nullptr || member->isNull())
        return nullptr;
    return member;
}

const Json::Value* ObjectMember(const Json::Value& object, const char* key)
{
    const Json::Value* member = Member(object, key);
    if (member != nullptr && !member->isObject()) {
        ReportWrongType(key, "an object");
        return nullptr;
    }
    return member;
}

std::optional<double> NumberField(const Json::Value& object, const char* key)
{
    const Json::Value* member = Member(object, key);
    if (member == nullptr)
        return std::nullopt;
    if (!member->isNumeric()) {
        ReportWrongType(key, "a number");
        return std::nullopt;
    }
    const double value = member->asDouble();
    if (!std::isfinite(value)) {
        ReportWrongType(key, "a finite number");
        return std::nullopt;
    }
    return value;
}

std::optional<int> IntField(const Json::Value& object, const char* key, int lo, int hi)
{
    const std::optional<double> value = NumberField(object, key);
    if (!value)
        return std::nullopt;
    const double clamped = std::clamp(std::trunc(*value), static_cast<double>(lo), static_cast<double>(hi));
    return static_cast<int>(clamped);
}

std::optional<bool> BoolField(const Json::Value& object, const char* key)
{
    const Json::Value* member = Member(object, key);
    if (member == nullptr)
        return std::nullopt;
    if (member->isBool())
        return member->asBool();
    if (member->isIntegral())
        return member->isInt64() ? member->asInt64() != 0 : member->asUInt64() != 0;
    ReportWrongType(key, "a boolean");
    return std::nullopt;
}

std::optional<QString> TextField(const Json::Value& object, const char* key, int maxBytes)
{
    const Json::Value* member = Member(object, key);
    if (member == nullptr)
        return std::nullopt;
    if (member->isString()) {
        const char* begin = nullptr;
        const char* end = nullptr;
        member->getString(&begin, &end);
        const std::ptrdiff_t length = end - begin;
        if (length > maxBytes)
            qDebug().nospace() << "[ResultWidget] field \"" << key << "\" is " << length << " bytes long; cut to " << maxBytes;
        return QString::fromUtf8(begin, static_cast<int>(std::min<std::ptrdiff_t>(length, maxBytes)));
    }
    // A number is shown as a person writes it (0.99, not 0.98999999999999999).
    if (member->isDouble())
        return QString::number(member->asDouble(), 'g', 15);
    if (member->isNumeric() || member->isBool())
        return QString::fromStdString(member->asString());
    ReportWrongType(key, "text");
    return std::nullopt;
}

}  // namespace vireo_ui
