#pragma once
// Every modal message box of the program goes through one injectable hook, so
// that libraries below the user interface can show one and headless tests
// can answer it. The widgets install the hook that really shows the box.
#include <cstdint>
#include <functional>
#include <string>

namespace Platform {

// The buttons of a box and the answers, numbered as the run-time's MsgBox.
namespace MsgBoxStyle {
inline constexpr int32_t OKOnly = 0;
inline constexpr int32_t OKCancel = 1;
inline constexpr int32_t YesNo = 4;
} // namespace MsgBoxStyle
namespace MsgBoxResult {
inline constexpr int32_t OK = 1;
inline constexpr int32_t Cancel = 2;
inline constexpr int32_t Yes = 6;
inline constexpr int32_t No = 7;
} // namespace MsgBoxResult

struct ModalBoxRequest {
    std::string text;  // Windows-1252, as every text of the libraries
    std::string title; // Windows-1252
    int32_t style = MsgBoxStyle::OKOnly;
};

// Answers a box with one of the MsgBoxResult values.
using ModalBoxHook = std::function<int32_t(const ModalBoxRequest&)>;

// Installs the hook and returns the one it replaces. Without a hook a box is
// written to standard error and answered with its first button.
ModalBoxHook setModalBoxHook(ModalBoxHook hook);

int32_t ShowModalBox(const std::string& text, const std::string& title, int32_t style = MsgBoxStyle::OKOnly);

} // namespace Platform
