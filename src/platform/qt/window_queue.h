// The queue by which other threads reach the window thread.
//
// Posted messages and cross-thread sends share one queue, so the window
// procedure sees them in the order they were made. Each job queued asks the
// owner, through `wake`, for one call of runOne() on the window thread; the
// Qt window turns that into a queued invocation, which its event loop - and
// every nested loop of a modal box - dispatches.
//
// A thread blocked in send() must never outlive the window: close() drops
// every queued job and releases every waiting sender, and later sends and
// posts return at once. That lets the core join a worker that is blocked
// logging a line while the window is going away.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/window.h"

namespace orlant {

class WindowQueue {
public:
    // `wake` may be called from any thread; it must arrange one later call
    // of runOne() on the window thread.
    explicit WindowQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

    // Any thread; returns at once.
    void post(PostedMessage message);
    // Any thread but the window thread: queues `fn` and waits until the
    // window thread ran it, or until close(). Returns whether it ran.
    bool sendAndWait(const std::function<void()>& fn);
    // Window thread: runs the oldest job, giving a posted message to
    // `deliver`. Does nothing when the queue is empty.
    void runOne(const std::function<void(const PostedMessage&)>& deliver);
    // Window thread: from now on nothing more runs.
    void close();

    bool closed() const;
    size_t pending() const;

private:
    struct Job {
        const std::function<void()>* fn = nullptr;  // a send; the sender keeps it alive
        PostedMessage message;                      // or a post
        bool running = false;  // the window thread is inside fn
        bool done = false;
    };

    std::function<void()> wake_;
    mutable std::mutex lock_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> jobs_;
    bool closed_ = false;
};

}  // namespace orlant
