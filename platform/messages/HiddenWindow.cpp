#include "messages/HiddenWindow.h"

#include "messages/GuardedEntry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace Platform {

namespace {

const QEvent::Type PostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent : QEvent {
    MessageEvent(uint32_t m, uintptr_t w, intptr_t l)
        : QEvent(PostedMessage), message(m), wParam(w), lParam(l) {}
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

} // namespace

class HiddenWindow::Receiver : public QObject {
public:
    explicit Receiver(Handler handler) : handler_(std::move(handler)) {}

protected:
    void customEvent(QEvent* event) override {
        if (event->type() != PostedMessage)
            return;
        auto* message = static_cast<MessageEvent*>(event);
        fromEventLoop("a posted window message",
                      [&] { handler_(message->message, message->wParam, message->lParam); });
    }

private:
    Handler handler_;
};

HiddenWindow::HiddenWindow(Handler handler) : receiver_(std::make_unique<Receiver>(std::move(handler))) {}

HiddenWindow::~HiddenWindow() = default;

void HiddenWindow::post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QCoreApplication::postEvent(receiver_.get(), new MessageEvent(message, wParam, lParam));
}

} // namespace Platform
