#include "hidden/DrawingWorker.h"

#include <memory>

namespace velkan::hidden {

bool DrawingWorker::start(Drawing drawing, Paint paint, std::function<void()> finished) {
    // Batches may still wait on the window thread when the drawing's thread
    // has ended: each holds the painter with it.
    auto painter = std::make_shared<Paint>(std::move(paint));
    return work_.start(
        [drawing = std::move(drawing), painter](const platform::BackgroundWork::Post& post,
                                                std::stop_token stop) {
            const PixelSink sink = [&post, painter](std::vector<Pixel> batch) {
                post([painter, batch = std::move(batch)]() mutable { (*painter)(std::move(batch)); });
            };
            drawing(sink, stop);
        },
        std::move(finished));
}

} // namespace velkan::hidden
