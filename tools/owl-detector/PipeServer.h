#pragma once
// The detector's side of the two FIFOs: it creates them, waits for the
// program, reads framed requests and writes framed answers. Linux only: this
// reference detector is a test and demo tool, not part of the program.

#include <string>

// Thread-safety: one thread uses an instance.
class PipeServer {
public:
    PipeServer(std::string requestPath, std::string responsePath);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates both FIFOs (mode 0600) where missing. False, with `error`, when
    // a path exists and is not a FIFO, or cannot be made.
    bool Prepare(std::string& error);
    // Waits for the program: the request FIFO for reading, then the response
    // FIFO for writing (the order the program opens them in).
    bool Open(std::string& error);

    enum class ReadStatus { Ok, Ended, Failed };
    // One framed request; Ended when the program has closed its end.
    ReadStatus ReadRequest(std::string& body, std::string& error);
    // All of `bytes`; false when the program has gone away.
    bool Write(const std::string& bytes);

private:
    std::string requestPath;
    std::string responsePath;
    int requestFd = -1;
    int responseFd = -1;
};
