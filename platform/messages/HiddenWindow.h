#pragma once
// A window that is never shown and only receives posted messages, handled
// when the thread pumps; its destruction drops what is still queued for it.
#include <cstdint>
#include <functional>
#include <memory>

namespace Platform {

class HiddenWindow {
public:
    using Handler = std::function<void(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

    explicit HiddenWindow(Handler handler);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    // Queues a message; the handler sees it at a later pump, never inside this call.
    void post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

private:
    class Receiver;
    std::unique_ptr<Receiver> receiver_;
};

} // namespace Platform
