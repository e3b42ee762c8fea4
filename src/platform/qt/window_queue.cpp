#include "platform/qt/window_queue.h"

namespace orlant {

void WindowQueue::post(PostedMessage message) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closed_) return;
        auto job = std::make_shared<Job>();
        job->message = std::move(message);
        jobs_.push_back(std::move(job));
    }
    wake_();
}

bool WindowQueue::sendAndWait(const std::function<void()>& fn) {
    auto job = std::make_shared<Job>();
    job->fn = &fn;
    std::unique_lock<std::mutex> hold(lock_);
    if (closed_) return false;
    jobs_.push_back(job);
    hold.unlock();
    wake_();
    hold.lock();
    // A job already running is waited for even after close(): its function
    // may use the sender's locals until it returns.
    finished_.wait(hold, [&] { return job->done || (closed_ && !job->running); });
    return job->done;
}

void WindowQueue::runOne(const std::function<void(const PostedMessage&)>& deliver) {
    std::shared_ptr<Job> job;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closed_ || jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
        job->running = job->fn != nullptr;
    }
    if (job->fn == nullptr) {
        deliver(job->message);
        return;
    }
    // The sender waits while `running`, so its function stays alive here,
    // even if a modal box inside it lets close() run.
    (*job->fn)();
    std::lock_guard<std::mutex> hold(lock_);
    job->running = false;
    job->done = true;
    finished_.notify_all();
}

void WindowQueue::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    jobs_.clear();
    finished_.notify_all();
}

bool WindowQueue::closed() const {
    std::lock_guard<std::mutex> hold(lock_);
    return closed_;
}

size_t WindowQueue::pending() const {
    std::lock_guard<std::mutex> hold(lock_);
    return jobs_.size();
}

}  // namespace orlant
