#include "support/fake_window.h"

#include <chrono>

#include "app/ids.h"

namespace orlant::test {

FakeWindow::FakeWindow() : owner_(std::this_thread::get_id()) {
    controls[ID_LOG_LIST] = Rect{8, 420, 446, 560};
}

void FakeWindow::record(std::string line) { calls.push_back(std::move(line)); }

int FakeWindow::pump() {
    int ran = 0;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (queue_.empty()) return ran;
            job = queue_.front();
            queue_.pop_front();
        }
        ++ran;
        if (job->isSend) {
            job->fn();
            std::lock_guard<std::mutex> hold(lock_);
            job->done = true;
            changed_.notify_all();
        } else if (procedure_ != nullptr) {
            procedure_->onMessage(job->message);
        }
    }
}

bool FakeWindow::pumpUntil(const std::function<bool()>& done, int ms) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (pump() == 0) {
            if (std::chrono::steady_clock::now() > limit) return false;
            std::unique_lock<std::mutex> hold(lock_);
            changed_.wait_for(hold, std::chrono::milliseconds(2),
                              [this] { return !queue_.empty(); });
        }
    }
    return true;
}

void FakeWindow::tick(int ticks) {
    for (int i = 0; i < ticks; ++i) {
        if (procedure_ != nullptr) procedure_->onTimer();
        pump();
    }
}

size_t FakeWindow::pendingPosts() {
    std::lock_guard<std::mutex> hold(lock_);
    size_t n = 0;
    for (auto& job : queue_) n += job->isSend ? 0 : 1;
    return n;
}

void FakeWindow::setTitle(const std::string& text) {
    title = text;
    record("title " + text);
}
void FakeWindow::setText(int id, const std::string& text) {
    texts[id] = text;
    record("text " + std::to_string(id) + " " + text);
}
void FakeWindow::setEnabled(int id, bool on) {
    enabled[id] = on;
    record("enable " + std::to_string(id) + (on ? " on" : " off"));
}
bool FakeWindow::isEnabled(int id) const {
    auto it = enabled.find(id);
    return it == enabled.end() ? true : it->second;
}
void FakeWindow::setShown(int id, bool on) {
    shown[id] = on;
    record("show " + std::to_string(id) + (on ? " shown" : " hidden"));
}
void FakeWindow::checkRadio(int id) {
    checkedRadio = id;
    record("radio " + std::to_string(id));
}
void FakeWindow::resizeControl(int id, int width, int height) {
    auto it = controls.find(id);
    if (it == controls.end()) return;
    it->second.right = it->second.left + width;
    it->second.bottom = it->second.top + height;
    record("resize " + std::to_string(id) + " " + std::to_string(width) + "x" +
           std::to_string(height));
}
Rect FakeWindow::controlRect(int id) const {
    auto it = controls.find(id);
    return it == controls.end() ? Rect{} : it->second;
}
void FakeWindow::invalidate(bool erase) {
    ++invalidations;
    if (erase) ++erasingInvalidations;
    record(erase ? "invalidate erase" : "invalidate");
}
void FakeWindow::drawBar(Color color, const Rect& rect) {
    barColor = color;
    barRect = rect;
    ++bars;
}
void FakeWindow::showPicture(int slot, int pictureId) {
    if (slot == 1 || slot == 2) pictures[slot] = pictureId;
    record("picture " + std::to_string(slot) + " " + std::to_string(pictureId));
}
int FakeWindow::logAdd(const std::string& line) {
    log.push_back(line);
    return static_cast<int>(log.size()) - 1;
}
void FakeWindow::logSetTop(int) {}
void FakeWindow::logReset() {
    log.clear();
    selected.clear();
    record("log reset");
}
int FakeWindow::logCount() const { return static_cast<int>(log.size()); }
bool FakeWindow::logIsSelected(int index) const { return selected.count(index) != 0; }
std::optional<std::string> FakeWindow::logLine(int index) const {
    if (index < 0 || index >= static_cast<int>(log.size())) return std::nullopt;
    return log[static_cast<size_t>(index)];
}
void FakeWindow::setStatus(const std::string& text) {
    status = text;
    record("status " + text);
}
void FakeWindow::stripCreate(const Rect& rect) {
    stripShown = true;
    stripRect = rect;
    stripPosition = 0;
    stripPositions.clear();
    ++stripsCreated;
    record("strip create");
}
void FakeWindow::stripDestroy() {
    stripShown = false;
    record("strip destroy");
}
void FakeWindow::stripSetRange(uint32_t upper) {
    stripUpper = upper;
    record("strip range " + std::to_string(upper));
}
void FakeWindow::stripSetPos(uint32_t pos) {
    stripPosition = pos;
    stripPositions.push_back(pos);
}
uint32_t FakeWindow::stripPos() const { return stripPosition; }

BoxAnswer FakeWindow::messageBox(const std::string& text, const std::string& caption,
                                 BoxButtons buttons, BoxIcon icon, bool owned) {
    BoxCall call{text, caption, buttons, icon, owned};
    boxes.push_back(call);
    record("box " + text);
    if (onBox) onBox(call);
    if (!boxAnswers.empty()) {
        BoxAnswer answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    return buttons == BoxButtons::YesNo ? BoxAnswer::No
           : buttons == BoxButtons::OkCancel ? BoxAnswer::Cancel
                                             : BoxAnswer::Ok;
}
void FakeWindow::beep() {
    ++beeps;
    record("beep");
}
std::optional<std::string> FakeWindow::openFileDialog(const std::string& t, const std::string&) {
    record("open dialog " + t);
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}
std::optional<std::string> FakeWindow::saveFileDialog(const std::string& t, const std::string&) {
    record("save dialog " + t);
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

void FakeWindow::post(PostedMessage message) {
    auto job = std::make_shared<Job>();
    job->message = std::move(message);
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(job);
    changed_.notify_all();
}

void FakeWindow::send(const std::function<void()>& fn) {
    if (onWindowThread()) {
        fn();
        return;
    }
    auto job = std::make_shared<Job>();
    job->fn = fn;
    job->isSend = true;
    std::unique_lock<std::mutex> hold(lock_);
    if (closing_) return;
    queue_.push_back(job);
    changed_.notify_all();
    changed_.wait(hold, [&] { return job->done || closing_; });
}

void FakeWindow::startTimer(int periodMs) {
    timerPeriod = periodMs;
    record("timer " + std::to_string(periodMs));
}

void FakeWindow::endProgram(int exitCode) {
    endCode = exitCode;
    record("end " + std::to_string(exitCode));
}

void FakeWindow::close() {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
    // Sends still queued will never run; their callers are released.
    for (auto it = queue_.begin(); it != queue_.end();) {
        it = (*it)->isSend ? queue_.erase(it) : it + 1;
    }
    changed_.notify_all();
}

}  // namespace orlant::test
