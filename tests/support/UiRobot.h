#pragma once
// The user of headless widget tests: it answers every message box, folder
// chooser and modal form of the program through their hooks, records what
// it was shown, and puts the real hooks back when it ends.
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QDialog>

#include "messages/ModalBox.h"
#include "ui/Forms.h"

class UiRobot {
public:
    UiRobot() {
        previousBox_ = Platform::setModalBoxHook([this](const Platform::ModalBoxRequest& box) {
            boxes.push_back(box);
            if (boxAnswers.empty())
                return Platform::MsgBoxResult::OK;
            int32_t answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        });
        Platform::Ui::FormHooks hooks;
        hooks.chooseFolder = [this](const Platform::Ui::FolderRequest& request) {
            folderRequests.push_back(request);
            if (folderAnswers.empty())
                return std::string();
            std::string answer = folderAnswers.front();
            folderAnswers.pop_front();
            return answer;
        };
        hooks.showModal = [this](QDialog& form) {
            form.show();
            if (onForm)
                onForm(form);
            const int result = form.result();
            form.hide();
            return result;
        };
        previousForms_ = Platform::Ui::setFormHooks(std::move(hooks));
    }
    ~UiRobot() {
        Platform::setModalBoxHook(std::move(previousBox_));
        Platform::Ui::setFormHooks(std::move(previousForms_));
    }
    UiRobot(const UiRobot&) = delete;
    UiRobot& operator=(const UiRobot&) = delete;

    // Clicks the button of a form found by its object name.
    static void click(QWidget& form, const char* name) {
        auto* button = form.findChild<QAbstractButton*>(name);
        if (!button)
            throw std::runtime_error(std::string("no button ") + name);
        button->click();
    }

    // Title and text of the boxes shown so far, as "title|text".
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes)
            texts.push_back(box.title + "|" + box.text);
        return texts;
    }

    std::vector<Platform::ModalBoxRequest> boxes;
    std::deque<int32_t> boxAnswers; // OK when empty
    std::vector<Platform::Ui::FolderRequest> folderRequests;
    std::deque<std::string> folderAnswers; // cancel when empty
    std::function<void(QDialog&)> onForm;  // operates a modal form while it is shown

private:
    Platform::ModalBoxHook previousBox_;
    Platform::Ui::FormHooks previousForms_;
};
