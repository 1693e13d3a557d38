#pragma once
// How long the program waits for its detector. The pipes themselves never
// time out, but a detector that dies in the middle of an answer and is
// started again at once reopens the pipes before the old end-of-file is
// seen: without these limits such an exchange would wait forever.

#include <chrono>

// An answer must begin within this time after its request went out...
constexpr std::chrono::milliseconds kAnswerStartLimit{10000};
// ...except the first one on a new connection: a detector may load its model
// before it reads the first request.
constexpr std::chrono::milliseconds kFirstAnswerStartLimit{60000};
// Once a request or an answer is moving, its bytes must keep coming.
constexpr std::chrono::milliseconds kStallLimit{2000};

// The three together; tests shorten them.
struct ExchangeLimits {
    std::chrono::milliseconds answerStart = kAnswerStartLimit;
    std::chrono::milliseconds firstAnswerStart = kFirstAnswerStartLimit;
    std::chrono::milliseconds stall = kStallLimit;
};
