#pragma once

#include "hidden/Pixel.h"
#include "platform/BackgroundWork.h"

#include <functional>
#include <stop_token>
#include <vector>

namespace velkan::hidden {

// Runs one drawing at a time in the background: its pixels are painted on the
// window thread in batches, only while the drawing is still wanted.
class DrawingWorker {
public:
    // The computation: hands its pixels to the sink and ends early when the
    // stop is requested.
    using Drawing = std::function<bool(const PixelSink&, std::stop_token)>;
    using Paint = std::function<void(std::vector<Pixel>)>;

    explicit DrawingWorker(platform::UserQuestions& questions) : work_(questions) {}

    // Window thread. Starts `drawing` unless one is running (then returns
    // false). `paint` receives each batch and `finished` runs once after the
    // last batch, both on the window thread.
    bool start(Drawing drawing, Paint paint, std::function<void()> finished);

    // From start() until `finished` has run, or until stop().
    bool running() const { return work_.running(); }

    // Window thread. Stops a running drawing and waits for its thread to end;
    // batches it posted and that were not painted yet are dropped, and
    // `finished` does not run.
    void stop() { work_.stop(); }

private:
    platform::BackgroundWork work_;
};

} // namespace velkan::hidden
