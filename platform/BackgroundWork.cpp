#include "platform/BackgroundWork.h"

namespace velkan::platform {

BackgroundWork::~BackgroundWork() {
    stop();
}

bool BackgroundWork::start(Job job, std::function<void()> finished) {
    if (running())
        return false;
    // A thread that posted its end has done all its work; collect it now.
    if (thread_.joinable())
        thread_.join();
    auto run = std::make_shared<Run>();
    run->finished = std::move(finished);
    run_ = run;
    thread_ = std::jthread([this, run, job = std::move(job)](std::stop_token stop) {
        UserQuestions& questions = questions_;
        const Post post = [&questions, run](std::function<void()> toWindow) {
            questions.post([run, toWindow = std::move(toWindow)] {
                if (run->live)
                    toWindow();
            });
        };
        job(post, stop);
        questions.post([this, run] {
            if (run->live)
                ended(run);
        });
    });
    return true;
}

void BackgroundWork::ended(const std::shared_ptr<Run>& run) {
    run->live = false;
    run_.reset();
    // The end is the thread's last post; joining waits only for its return.
    if (thread_.joinable())
        thread_.join();
    if (run->finished)
        run->finished();
}

void BackgroundWork::stop() {
    if (run_) {
        run_->live = false;
        run_.reset();
    }
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

} // namespace velkan::platform
