#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <sstream>

DeviceRig::DeviceRig(int width, int height) : previousDir(QDir::currentPath().toStdString())
{
#ifdef VIREO_SANITIZED_BUILD
    // OpenCV's thread pool (used by the emulated dongle) hands work between
    // its threads in code the sanitizers cannot see.
    cv::setNumThreads(0);
#endif
    QDir::setCurrent(QString::fromStdString(dir.Path()));
    SetKnob("EDL_EMU_CONTROL", dir.File("control"));
    WriteControl("");
    adapter = HostLibAdapter::GetInstance();
    adapter->SetResolution(width, height);
    QObject::connect(adapter, &HostLibAdapter::SigShowMsg, adapter, [this](const QString& m) { messages << m; });
    QObject::connect(adapter, &HostLibAdapter::SigStatusChanged, adapter, [this](bool s) { statuses.push_back(s); });
    QObject::connect(adapter, &HostLibAdapter::SigChangeModelDone, adapter, [this] { ++changeModelDone; });
    QObject::connect(adapter, &HostLibAdapter::SigInferenceDone, adapter,
                     [this](int DevId, int Mode, std::vector<FdFrResult> list) {
                         results.push_back({DevId, Mode, std::move(list)});
                     });
    // The panel: an empty list is confirmed at once, otherwise the user answers.
    QObject::connect(adapter, &HostLibAdapter::SigUpdateFwCheck, adapter, [this](int Mode, std::vector<int> ids) {
        fwQuestions.push_back(ids);
        adapter->SlotCheckFw(Mode, ids, ids.empty() ? true : fwAnswer);
    });
}

DeviceRig::~DeviceRig()
{
    HostLibAdapter::DestroyInstance();
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

bool DeviceRig::Connect(int Mode)
{
    adapter->SlotConnect(Mode);
    return adapter->IsConnected();
}

bool DeviceRig::ConnectBusy(int inferMs)
{
    SetKnob("EDL_EMU_INFER_MS", std::to_string(inferMs));
    if (!Connect(3))
        return false;
    adapter->Dispatch(PlainFrame(), 0);
    return true;
}

bool DeviceRig::Infer(const cv::Mat& frame, DeviceResult& result, int timeoutMs)
{
    if (!WaitFor([this] { return adapter->IsReady(0); }, timeoutMs))
        return false;
    const std::size_t before = results.size();
    adapter->Dispatch(frame.clone(), 0);
    if (!WaitFor([&] { return results.size() > before; }, timeoutMs))
        return false;
    result = results.back();
    return true;
}

bool DeviceRig::WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
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

int DeviceRig::CountCalls(const std::string& call) const
{
    const auto calls = LogCalls();
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& l) { return l.rfind(call + " ", 0) == 0; }));
}

int DeviceRig::LastCall(const std::string& call) const
{
    const auto calls = LogCalls();
    for (int i = static_cast<int>(calls.size()) - 1; i >= 0; --i)
        if (calls[static_cast<std::size_t>(i)].rfind(call + " ", 0) == 0)
            return i;
    return -1;
}

bool DeviceRig::EndsDeInitialised() const
{
    const int last = LastCall("edl_lib_de_init");
    return last >= 0 && last + 1 == static_cast<int>(LogCalls().size());
}

bool DeviceRig::HasMessageStartingWith(const QString& prefix) const
{
    return std::any_of(messages.begin(), messages.end(), [&](const QString& m) { return m.startsWith(prefix); });
}

std::string OpenCvSample(const std::string& name) { return std::string(VIREO_OPENCV_SAMPLES) + "/" + name; }

std::string BuildFile(const std::string& relative) { return std::string(VIREO_BUILD_DIR) + "/" + relative; }

cv::Mat ReadPicture(const std::string& path)
{
    cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
    EXPECT_FALSE(picture.empty()) << path;
    return picture;
}

// The camera-sized frame is a copy of one made once, as a capture thread hands
// out copies. Under ThreadSanitizer the copy's time matters: Qt hands a queued
// call to a job thread that is just starting through locks the sanitizer
// cannot see, and a frame dispatched at once after a connect gets that
// reported as a race in Qt's code.
cv::Mat PlainFrame(int width, int height)
{
    static const cv::Mat camera(480, 640, CV_8UC3, cv::Scalar(40, 80, 120));
    return width == 640 && height == 480 ? camera.clone() : cv::Mat(height, width, CV_8UC3, cv::Scalar(40, 80, 120));
}
