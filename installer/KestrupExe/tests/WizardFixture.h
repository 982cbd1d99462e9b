#pragma once
// A wizard in a program folder and settings store of the test's own, with
// the demo package in that folder, a robot for its boxes and forms, and a
// help viewer that records what it was asked to show.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QPushButton>

#include "DemoPackage.h"
#include "KestrupExe/Navigation.h"
#include "KestrupExe/frmWizard.h"
#include "Scrivel/PackageDocument.h"
#include "TempFolder.h"
#include "UiRobot.h"
#include "files/ReplacementFile.h"
#include "ui/HelpViewer.h"

class WizardFixture : public testing::Test {
protected:
    struct HelpRecord {
        std::string file;
        std::vector<int32_t> shown;
        bool closed = false;
    };

    class FakeHelp : public Platform::Ui::HelpViewer {
    public:
        explicit FakeHelp(HelpRecord& record) : record_(record) {}
        void setHelpFile(const std::string& path) override { record_.file = path; }
        void setContext(int32_t context) override { context_ = context; }
        void Show(QWidget*) override { record_.shown.push_back(context_); }
        void Close() override { record_.closed = true; }

    private:
        HelpRecord& record_;
        int32_t context_ = 0;
    };

    void SetUp() override {
        std::filesystem::create_directories(home());
        // The environment changes only through Qt, whose threads read it
        // under the same lock: a plain setenv beside them can crash them.
        qputenv("XDG_CONFIG_HOME", QByteArray((folder_ / "config").c_str()));
        qputenv("KESTRUP_HOME", QByteArray(home().c_str()));
        DemoFiles::WriteDemoFiles(home());
        previousHelp_ =
            Platform::Ui::setHelpViewerFactory([this] { return std::make_unique<FakeHelp>(help); });
    }
    void TearDown() override {
        wizard.reset();
        Platform::Ui::setHelpViewerFactory(previousHelp_);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("KESTRUP_HOME");
    }

    std::string home() const { return folder_ / "home"; }
    std::string package() const { return home() + "/" + DemoFiles::PackageDocument; }
    // Writes the demo package document again with a change.
    void changePackage(const std::function<void(Scrivel::KSDoc&)>& change) const {
        auto doc = Scrivel::ReadPackageDocument(package());
        change(*doc);
        Platform::Files::ReplaceFileContents(package(), doc->WriteXML(), "WizardFixture");
    }

    Kestrup::frmWizard& start(const std::string& commandLine = {}) {
        wizard = std::make_unique<Kestrup::frmWizard>(commandLine);
        wizard->show();
        return *wizard;
    }
    template <class T> T* find(const char* name) const { return wizard->findChild<T*>(name); }
    QPushButton* button(Kestrup::NavButton which) const {
        return find<QPushButton>(QStringLiteral("cmdNav_%1").arg(which).toLatin1().constData());
    }
    void click(Kestrup::NavButton which) const {
        ASSERT_TRUE(button(which)->isEnabled()) << "button " << which;
        button(which)->click();
    }
    std::string caption() const { return wizard->windowTitle().toStdString(); }
    // The enabled buttons in bar order, with their captions.
    std::string buttons() const {
        std::string text;
        for (int i = 0; i < 5; ++i) {
            auto* b = button(static_cast<Kestrup::NavButton>(i));
            text += (b->isEnabled() ? "[" : "(") + b->text().toStdString() + (b->isEnabled() ? "]" : ")");
        }
        return text;
    }

    TempFolder folder_;
    UiRobot robot;
    HelpRecord help;
    std::unique_ptr<Kestrup::frmWizard> wizard;

private:
    Platform::Ui::HelpViewerFactory previousHelp_;
};
