#pragma once

#include "platform/UserQuestions.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

namespace velkan::platform {

// One job at a time on a thread of its own, for the work a window must not
// wait for (drawing a picture, reading a file's icons). The thread never
// touches a control: what it hands over runs on the window thread, and only
// while the job is still wanted, so nothing posted can reach a window after
// stop() or the worker's end.
class BackgroundWork {
public:
    // Runs `toWindow` on the window thread, unless the job was stopped by then.
    using Post = std::function<void(std::function<void()> toWindow)>;
    // The job: posts its results and ends early when the stop is requested.
    using Job = std::function<void(const Post& post, std::stop_token stop)>;

    explicit BackgroundWork(UserQuestions& questions) : questions_(questions) {}
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Window thread. Starts `job` unless one is running (then returns false);
    // `finished` runs on the window thread after everything the job posted.
    bool start(Job job, std::function<void()> finished = {});

    // From start() until `finished` has run, or until stop().
    bool running() const { return run_ != nullptr; }

    // Window thread. Stops a running job and waits for its thread to end;
    // what it posted and did not run yet is dropped, and `finished` does not
    // run.
    void stop();

private:
    struct Run {
        bool live = true; // read and written on the window thread only
        std::function<void()> finished;
    };
    void ended(const std::shared_ptr<Run>& run);

    UserQuestions& questions_;
    std::shared_ptr<Run> run_;
    std::jthread thread_;
};

} // namespace velkan::platform
