#include "messages/ModalBox.h"

#include <cstdio>
#include <utility>

namespace Platform {

namespace {

ModalBoxHook& currentHook() {
    static ModalBoxHook hook;
    return hook;
}

} // namespace

ModalBoxHook setModalBoxHook(ModalBoxHook hook) {
    return std::exchange(currentHook(), std::move(hook));
}

int32_t ShowModalBox(const std::string& text, const std::string& title, int32_t style) {
    // A copy, so that a hook may replace itself while it answers.
    ModalBoxHook hook = currentHook();
    if (hook)
        return hook(ModalBoxRequest{text, title, style});
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    // The first button of the box.
    return (style & 7) == MsgBoxStyle::YesNo ? MsgBoxResult::Yes : MsgBoxResult::OK;
}

} // namespace Platform
