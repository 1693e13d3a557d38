#include "EchoDetector.h"

#include "fifo/MessageFraming.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::size_t ReadFully(int fd, void* buffer, std::size_t size)
{
    std::size_t have = 0;
    while (have < size) {
        const ssize_t got = read(fd, static_cast<char*>(buffer) + have, size - have);
        if (got > 0)
            have += static_cast<std::size_t>(got);
        else if (!(got < 0 && errno == EINTR))
            break;
    }
    return have;
}

std::string MakeAnswer()
{
    std::string boxes;
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        boxes += (i == 0 ? "" : ",") + std::string("\"face_00") + n + "\": {\"bbox\": {\"x\": " + n +
                 "00, \"y\": 50, \"width\": 80, \"height\": 80}, \"ordered_value_dict\": {\"a\": {\"order\": 0, "
                 "\"title\": \"Face\", \"value\": \"#" + n + "\", \"font_size\": 14, \"alignment\": 132, "
                 "\"show_on_panel\": true, \"show_title\": true}}, \"draw_dict\": {\"point\": {\"p\": {\"x\": 10, "
                 "\"y\": 20}}, \"line\": {\"l\": {\"point_1_x\": 1, \"point_1_y\": 2, \"point_2_x\": 3, "
                 "\"point_2_y\": 4}}}}";
    }
    return "{\"bounding_box_info\": {" + boxes +
           "}, \"frame_info\": {\"echo\": {\"ordered_value_dict\": {\"a\": {\"order\": 0, \"title\": \"Faces\", "
           "\"value\": \"3\", \"show_on_panel\": true}}}}}";
}

}  // namespace

EchoDetector::EchoDetector(std::string requestPath, std::string responsePath)
    : requestPath(std::move(requestPath)), responsePath(std::move(responsePath))
{
}

EchoDetector::~EchoDetector()
{
    Join();
}

const std::string& EchoDetector::Answer()
{
    static const std::string answer = MakeAnswer();
    return answer;
}

bool EchoDetector::Start()
{
    if (mkfifo(requestPath.c_str(), 0600) != 0 || mkfifo(responsePath.c_str(), 0600) != 0)
        return false;
    server = std::thread(&EchoDetector::Serve, this);
    return true;
}

void EchoDetector::Join()
{
    if (server.joinable())
        server.join();
}

void EchoDetector::Serve()
{
    const int requests = open(requestPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int responses = open(responsePath.c_str(), O_WRONLY | O_CLOEXEC);
    if (requests >= 0 && responses >= 0) {
        fcntl(responses, F_SETPIPE_SZ, 1 << 20);
        std::string message(kLengthBytes, '\0');
        PutLength(static_cast<std::uint32_t>(Answer().size()), reinterpret_cast<unsigned char*>(&message[0]));
        message += Answer();
        const ReadExactly readRequest = [requests](void* buffer, std::size_t size) {
            return ReadFully(requests, buffer, size);
        };
        std::string body;
        while (ReadFrame(readRequest, body, 64u << 20).status == FrameStatus::Ok) {
            if (write(responses, message.data(), message.size()) != static_cast<ssize_t>(message.size()))
                break;
        }
    }
    if (requests >= 0)
        close(requests);
    if (responses >= 0)
        close(responses);
}
