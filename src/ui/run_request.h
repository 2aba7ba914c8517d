#pragma once
// What a press of 按钮2 hands to the rename run.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace rr::ui {

struct RunRequest {
    // "." followed by the suffix box's content at the press.
    std::string suffixTest;
    // Set when the user closes the window during the run: the run ends after the current
    // archive. The window is hidden at once and destroyed when the run has finished.
    std::shared_ptr<const std::atomic<bool>> stopRequested;
    // Must be called exactly once when the run has ended, from any thread.
    std::function<void()> finished;
};

} // namespace rr::ui
