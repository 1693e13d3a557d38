#include "DeviceRig.h"
#include "SanitizedBuild.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QtTest/QTest>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <sstream>

DeviceRig::DeviceRig(int width, int height) : previousDir(QDir::currentPath().toStdString())
{
    // OpenCV's thread pool (used by the emulated dongle) hands work between
    // its threads in code the sanitizers cannot see.
    if (kSanitizedBuild)
        cv::setNumThreads(0);
    QDir::setCurrent(QString::fromStdString(dir.Path()));
    SetKnob("EDL_EMU_CONTROL", dir.File("control"));
    WriteControl("");
    adapter = HostLibAdapter::GetInstance();
    adapter->SetResolution(width, height);
    QObject::connect(adapter, &HostLibAdapter::SigShowMsg, adapter, [this](const QString& m) { messages << m; });
    QObject::connect(adapter, &HostLibAdapter::SigStateChanged, adapter, [this](DeviceState s) { states.push_back(s); });
    QObject::connect(adapter, &HostLibAdapter::SigStatusChanged, adapter, [this](bool s) { statuses.push_back(s); });
    QObject::connect(adapter, &HostLibAdapter::SigChangeModelDone, adapter, [this] { ++changeModelDone; });
    QObject::connect(adapter, &HostLibAdapter::SigInferenceDone, adapter,
                     [this](int DevId, int Mode, std::vector<FdFrResult> list) {
                         results.push_back({DevId, Mode, std::move(list)});
                     });
    // The panel: an empty list is confirmed at once, otherwise the user answers.
    QObject::connect(adapter, &HostLibAdapter::SigUpdateFwCheck, adapter, [this](int Mode, std::vector<int> ids) {
        if (ids.empty() || fwAnswer)
            adapter->SlotCheckFw(Mode, ids, ids.empty() || *fwAnswer);
    });
    holder = std::make_unique<QObject>();
    holder->moveToThread(adapter->DeviceThread());
}

DeviceRig::~DeviceRig()
{
    Release();
    HostLibAdapter::DestroyInstance();
    holder.reset();
    QDir::setCurrent(QString::fromStdString(previousDir));
    for (const auto& name : knobs)
        qunsetenv(name.c_str());
}

void DeviceRig::SetKnob(const char* name, const std::string& value)
{
    qputenv(name, QByteArray::fromStdString(value));
    knobs.push_back(name);
}

void DeviceRig::WriteControl(const std::string& text)
{
    WriteText(dir.File("control.tmp"), text);
    std::rename(dir.File("control.tmp").c_str(), dir.File("control").c_str());
}

bool DeviceRig::WaitForState(DeviceState state)
{
    const bool reached = WaitFor([&] { return adapter->State() == state; });
    EXPECT_TRUE(reached) << "not " << StateName(state) << " but " << StateName(adapter->State())
                         << "\nmessages: " << Messages();
    return reached;
}

bool DeviceRig::Connect(int Mode)
{
    adapter->SlotConnect(Mode);
    WaitFor([this] { return adapter->State() == DeviceState::Connected || adapter->State() == DeviceState::Disconnected; });
    return adapter->IsConnected();
}

bool DeviceRig::Infer(const cv::Mat& frame, DeviceResult& result)
{
    if (!WaitFor([this] { return adapter->IsReady(0); }))
        return false;
    const std::size_t before = results.size();
    adapter->Dispatch(frame.clone(), 0);
    if (!WaitFor([&] { return results.size() > before; }))
        return false;
    result = results.back();
    return true;
}

void DeviceRig::Hold()
{
    holding = true;
    QSemaphore* gate = &held;
    // Bounded, so that a test that forgets to release still ends.
    QMetaObject::invokeMethod(holder.get(), [gate] { gate->tryAcquire(1, 60000); }, Qt::QueuedConnection);
}

void DeviceRig::Release()
{
    if (holding)
        held.release();
    holding = false;
}

std::vector<std::string> DeviceRig::LogCalls() const
{
    std::vector<std::string> calls;
    std::istringstream lines(ReadText(dir.File("campus_hostlib.log")));
    std::string line;
    while (std::getline(lines, line))
        if (const auto start = line.find(" edl_"); start != std::string::npos)
            calls.push_back(line.substr(start + 1));
    return calls;
}

static bool IsCall(const std::string& line, const std::string& call) { return line.rfind(call + " ", 0) == 0; }

int DeviceRig::CountCalls(const std::string& call) const
{
    const auto calls = LogCalls();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const auto& l) { return IsCall(l, call); }));
}

int DeviceRig::LastCall(const std::string& call) const
{
    const auto calls = LogCalls();
    const auto last = std::find_if(calls.rbegin(), calls.rend(), [&](const auto& l) { return IsCall(l, call); });
    return static_cast<int>(last.base() - calls.begin()) - 1;
}

bool DeviceRig::EndsDeInitialised() const
{
    const auto calls = LogCalls();
    const int last = LastCall("edl_lib_de_init");
    const bool initialised = std::any_of(calls.begin(), calls.end(), [](const auto& l) {
        return IsCall(l, "edl_lib_init") && l.find(" result=0") != std::string::npos;
    });
    return !initialised || (last >= 0 && last + 1 == static_cast<int>(calls.size()));
}

bool DeviceRig::MessagesInOrder(const QStringList& expected) const
{
    int at = 0;
    for (const QString& m : expected) {
        at = messages.indexOf(m, at) + 1;
        if (at == 0)
            return false;
    }
    return true;
}

std::string OpenCvSample(const std::string& name) { return std::string(VIREO_OPENCV_SAMPLES) + "/" + name; }

std::string BuildFile(const std::string& relative) { return std::string(VIREO_BUILD_DIR) + "/" + relative; }

cv::Mat ReadPicture(const std::string& path)
{
    cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
    EXPECT_FALSE(picture.empty()) << path;
    return picture;
}

cv::Mat PlainFrame(int width, int height)
{
    return cv::Mat(height, width, CV_8UC3, cv::Scalar(40, 80, 120));
}
