// A real RTSP stream served on 127.0.0.1 by tests/rtsp-test-server.

#include "ChildProcess.h"
#include "PipelineTestSupport.h"
#include "SanitizedBuild.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

const std::string kServer = std::string(VIREO_BUILD_DIR) + "/tests/rtsp-test-server";

// A loopback port that nothing listens on right now.
quint16 FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// Serves once it has said "ready".
class RtspServer {
public:
    // With `firstFrameDelayMs`, the stream stalls that long before its first frame.
    explicit RtspServer(quint16 port, int firstFrameDelayMs = 0) : port(port), delayMs(firstFrameDelayMs) { Start(); }

    void Start()
    {
        std::vector<std::string> argv{kServer, std::to_string(port)};
        if (delayMs > 0)
            argv.push_back(std::to_string(delayMs));
        process.Start(argv, true);
        process.WaitFor([](const QString& said) { return said.contains(QStringLiteral("ready")); }, 5000);
    }
    void Kill() { process.Kill(); }
    std::string Url() const { return "rtsp://127.0.0.1:" + std::to_string(port) + "/test"; }

private:
    quint16 port;
    int delayMs;
    ChildProcess process;
};

// Frames seen in the last `window` of a consumer's record.
std::size_t FramesWithin(RecordingConsumer& consumer, std::chrono::milliseconds window)
{
    const auto since = std::chrono::steady_clock::now() - window;
    std::size_t count = 0;
    for (const auto& frame : consumer.Frames())
        count += frame.at >= since;
    return count;
}

class RtspSource : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(kServer))
            GTEST_SKIP() << "rtsp-test-server was not built (libgstrtspserver-1.0-dev missing)";
    }
};

TEST_F(RtspSource, StreamIsLiveAndComesBackAfterTheServerRestarts)
{
    RtspServer server(FreePort());
    Capture capture(R"({"Camera": ")" + server.Url() + R"(", "CameraAutoReconnectSec": 1, "CameraFps": 5})");
    ASSERT_TRUE(capture.worker.IsCameraOpened());
    RecordingConsumer& consumer = capture.Start();

    // Live: delivered at the stream's 30 fps, not paced to CameraFps 5.
    EXPECT_TRUE(Eventually([&] { return FramesWithin(consumer, 1s) > 15; }, 20s));

    server.Kill();
    std::this_thread::sleep_for(3s);  // the loss is noticed and reopening starts
    EXPECT_EQ(FramesWithin(consumer, 1s), 0u);
    server.Start();
    EXPECT_TRUE(Eventually([&] { return FramesWithin(consumer, 1s) > 15; }, 20s)) << "frames come back by themselves";

    // Wall clock: a read under way may take the stream time-out (2 s) to end.
    EXPECT_LT(capture.Stop(), WallLimit(2500ms));
}

// Opening gives up within the stream time-out; only reconnection opens the
// stream once it delivers.
TEST_F(RtspSource, AStreamThatStallsBeforeItsFirstFrameNeedsReconnection)
{
    for (const int reconnectSec : {-1, 1}) {
        RtspServer server(FreePort(), 3000);
        Capture capture(R"({"Camera": ")" + server.Url() + R"(", "CameraAutoReconnectSec": )" +
                        std::to_string(reconnectSec) + "}");
        EXPECT_FALSE(capture.worker.IsCameraOpened()) << reconnectSec;
        EXPECT_EQ(capture.Start().WaitFor(10, reconnectSec < 0 ? 5s : 15s), reconnectSec >= 0) << reconnectSec;
    }
}

TEST_F(RtspSource, UnreachableAddressFailsWithinTheStreamTimeout)
{
    const auto start = std::chrono::steady_clock::now();
    Capture capture(R"({"Camera": "rtsp://127.0.0.1:)" + std::to_string(FreePort()) + R"(/none"})");
    EXPECT_FALSE(capture.worker.IsCameraOpened());
    // Without the time-out the open waits for the network's own, minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, WallLimit(kStreamTimeout + 2s));
}

}  // namespace
