#pragma once

#include "hidden/Pixel.h"
#include "platform/UserQuestions.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace velkan::hidden {

// Runs one drawing at a time on a thread of its own. The thread never touches
// a control: it posts its pixels to the window thread, where they are painted
// only while the drawing is still wanted, so nothing posted can reach a paint
// box after stop() or the worker's end.
class DrawingWorker {
public:
    // The computation: hands its pixels to the sink and ends early when the
    // stop is requested.
    using Drawing = std::function<bool(const PixelSink&, std::stop_token)>;
    using Paint = std::function<void(std::vector<Pixel>)>;

    explicit DrawingWorker(platform::UserQuestions& questions) : questions_(questions) {}
    ~DrawingWorker();
    DrawingWorker(const DrawingWorker&) = delete;
    DrawingWorker& operator=(const DrawingWorker&) = delete;

    // Window thread. Starts `drawing` unless one is running (then returns
    // false). `paint` receives each batch and `finished` runs once after the
    // last batch, both on the window thread.
    bool start(Drawing drawing, Paint paint, std::function<void()> finished);

    // From start() until `finished` has run, or until stop().
    bool running() const { return run_ != nullptr; }

    // Window thread. Stops a running drawing and waits for its thread to end;
    // batches it posted and that were not painted yet are dropped, and
    // `finished` does not run.
    void stop();

private:
    struct Run {
        bool live = true; // read and written on the window thread only
        Paint paint;
        std::function<void()> finished;
    };
    void ended(const std::shared_ptr<Run>& run);

    platform::UserQuestions& questions_;
    std::shared_ptr<Run> run_;
    std::jthread thread_;
};

} // namespace velkan::hidden
