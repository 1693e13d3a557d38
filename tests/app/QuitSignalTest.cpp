// The program's SIGINT and SIGTERM handling, in a small program that uses it
// and then hangs in its shutdown.

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

TEST(QuitSignal, EndsAsAsked)
{
    const struct {
        const char* name;
        std::vector<std::string> probeArguments;
        std::vector<int> requests;  // sent one after the other, each once the previous one took effect
        int exitCode;               // -1: ended by the last signal itself
        const char* said;
    } cases[] = {
        {"second SIGTERM", {}, {SIGTERM, SIGTERM}, 128 + SIGTERM,
         "[MainWindow] SIGTERM again during the shutdown: ending at once"},
        {"Ctrl+C then SIGTERM", {}, {SIGINT, SIGTERM}, 128 + SIGTERM, "SIGTERM again"},
        {"no descriptor for the wake-up pipe", {"--no-descriptors"}, {SIGTERM}, -1, "not installed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> argv{VIREO_BUILD_DIR "/tests/quit-signal-probe"};
        argv.insert(argv.end(), c.probeArguments.begin(), c.probeArguments.end());
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(argv, true));
        const auto said = [&probe](const char* text) {
            return probe.WaitFor([text](const QString& out) { return out.contains(QString::fromUtf8(text)); }, 30000);
        };
        ASSERT_TRUE(said("SIGTERM reaches a new thread")) << probe.Output();
        for (std::size_t i = 0; i < c.requests.size(); ++i) {
            ASSERT_TRUE(i == 0 || said("shutting down")) << probe.Output();
            probe.Signal(c.requests[i]);
        }
        EXPECT_EQ(probe.WaitExit(std::chrono::seconds(30)), c.exitCode) << probe.Output();
        EXPECT_FALSE(probe.IsRunning());
        EXPECT_TRUE(probe.Read().contains(QString::fromUtf8(c.said))) << probe.Output();
        EXPECT_FALSE(probe.output.contains(QStringLiteral("shut down\n"))) << "the hung shutdown was cut short";
    }
}

}  // namespace
