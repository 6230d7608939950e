#include "hidden/DrawingWorker.h"

namespace velkan::hidden {

DrawingWorker::~DrawingWorker() {
    stop();
}

bool DrawingWorker::start(Drawing drawing, Paint paint, std::function<void()> finished) {
    if (running())
        return false;
    // A thread that posted its end has done all its work; collect it now.
    if (thread_.joinable())
        thread_.join();
    auto run = std::make_shared<Run>();
    run->paint = std::move(paint);
    run->finished = std::move(finished);
    run_ = run;
    thread_ = std::jthread([this, run, drawing = std::move(drawing)](std::stop_token stop) {
        platform::UserQuestions& questions = questions_;
        const PixelSink sink = [&questions, run](std::vector<Pixel> batch) {
            questions.post([run, batch = std::move(batch)]() mutable {
                if (run->live)
                    run->paint(std::move(batch));
            });
        };
        drawing(sink, stop);
        questions.post([this, run] {
            if (run->live)
                ended(run);
        });
    });
    return true;
}

void DrawingWorker::ended(const std::shared_ptr<Run>& run) {
    run->live = false;
    run_.reset();
    // The end is the thread's last post; joining waits only for its return.
    if (thread_.joinable())
        thread_.join();
    if (run->finished)
        run->finished();
}

void DrawingWorker::stop() {
    if (run_) {
        run_->live = false;
        run_.reset();
    }
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

} // namespace velkan::hidden
