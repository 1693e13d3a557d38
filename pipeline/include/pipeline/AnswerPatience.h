#pragma once
// How long a frame that starts a detector exchange waits for its answer.

#include <chrono>

// Waiting lets a detector that keeps up give each frame its own answer. One
// that is slower would freeze the video for the whole patience at every
// answer, so once an answer has taken longer (or a wait ended without one),
// frames no longer wait: the results shown stay until the next answer. An
// answer within the patience makes frames wait again.
// Thread-safety: one thread (the inference worker's).
class AnswerPatience {
public:
    using Duration = std::chrono::steady_clock::duration;

    explicit AnswerPatience(std::chrono::milliseconds patience) : patience(patience) {}

    std::chrono::milliseconds ForNextExchange() const { return slow ? std::chrono::milliseconds(0) : patience; }
    // An exchange ended after `took`.
    void Answered(Duration took) { slow = took > patience; }
    // A frame waited the whole patience and no answer came.
    void WaitedInVain() { slow = true; }

private:
    const std::chrono::milliseconds patience;
    bool slow = false;
};
