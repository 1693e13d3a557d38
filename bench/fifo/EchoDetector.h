#pragma once
// A detector on a thread of this process that answers every request at once
// with the same small result document: the pipe path's cost without a
// detector's.

#include <string>
#include <thread>

// Thread-safety: Start and Join on one thread; the server runs on its own
// and ends when the program side closes the pipes.
class EchoDetector {
public:
    EchoDetector(std::string requestPath, std::string responsePath);
    ~EchoDetector();
    EchoDetector(const EchoDetector&) = delete;
    EchoDetector& operator=(const EchoDetector&) = delete;

    // Creates both FIFOs and starts serving them.
    bool Start();
    // Waits for the server to see the end of its request pipe.
    void Join();

    static const std::string& Answer();

private:
    void Serve();

    std::string requestPath;
    std::string responsePath;
    std::thread server;
};
