#pragma once
// A loader with an image file, a simulated printer bound to it, and a
// recording receiver of the loader's progress.
#include <QByteArray>
#include <QList>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Brindle/tests/SimulatedPrinterBench.h"
#include "Flashmount/RBFirmwareLoader.h"
#include "Gaugely/IProgressCallBack.h"
#include "Gaugely/Progress.h"
#include "Scoutel/tests/KernelHeader.h"
#include "TempFolder.h"
#include "automation/Object.h"

namespace FlashTesting {

// A kernel image that starts with its header, `size` bytes long (at least
// the header and the identifier), every byte value present.
inline std::string kernelImage(const std::string& identifier, size_t size = 5000) {
    std::string image = kernHeader(24) + identifier + '\0';
    std::string tail = filePattern(size > image.size() ? size - image.size() : 0);
    return image + tail;
}

inline const char* const PreparingText = "\x9b"
                                         "2JPreparing for    FLASH update...";
inline const char* const ReceivingText = "\x9b"
                                         "2JReceiving Kernel WAIT!";
inline const char* const StoringText = "\x9b"
                                       "2JStoring Kernel   WAIT!";
inline const char* const RebootingText = "\x9b"
                                         "2JRebooting        WAIT...";

// The line that writes a text to the display of a printer with a shell.
inline QByteArray displayLine(const char* text) {
    return "RUN\"cat -" + QByteArray::number(qsizetype(strlen(text))) + " > console:";
}

// Records every notification; optionally asks to cancel.
class Recorder : public Automation::Object, public Gaugely::IProgressCallBack {
public:
    void Feedback(const Automation::Ref<Gaugely::Progress>& progress, bool& Cancel) override {
        if (texts.empty() || texts.back() != progress->Text())
            texts.push_back(progress->Text());
        last = progress->Percentage();
        if (cancelWhen)
            Cancel = cancelWhen(*progress);
    }
    std::vector<std::string> texts;
    int32_t last = -1;
    std::function<bool(Gaugely::Progress&)> cancelWhen;
};

struct FlashBench : SimulatedPrinterBench {
    explicit FlashBench(const char* version, std::initializer_list<PrinterSim::Fault> faults = {},
                        Link link = Link::Tcp)
        : FlashBench(PrinterSim::Profile::forVersion(QString::fromLatin1(version)), faults, link) {}
    FlashBench(const PrinterSim::Profile& profile, std::initializer_list<PrinterSim::Fault> faults, Link link)
        : SimulatedPrinterBench(profile, faults, link) {
        loader->setPrinter(printer);
        progress->setReceiver(recorder);
        // Short, so that every task is seen however fast it runs.
        progress->setNotificationInterval(1);
    }
    void load(const std::string& image) { loader->setFirmwareFilePath(pc.write("kernel.bin", image)); }

    // Whether the lines stand in the printer's input in this order (others between them).
    testing::AssertionResult receivedInOrder(const QList<QByteArray>& lines) const {
        const QList<QByteArray> all = sim.receivedLines();
        qsizetype at = 0;
        for (const QByteArray& line : lines) {
            while (at < all.size() && all[at] != line)
                ++at;
            if (at == all.size())
                return testing::AssertionFailure() << "\"" << line.toStdString() << "\" not in order in\n"
                                                   << all.join('\n').toStdString();
            ++at;
        }
        return testing::AssertionSuccess();
    }
    bool receivedStartingWith(const QByteArray& start) const {
        for (const QByteArray& line : sim.receivedLines())
            if (line.startsWith(start))
                return true;
        return false;
    }

    Automation::Ref<Flashmount::RBFirmwareLoader> loader = Automation::New<Flashmount::RBFirmwareLoader>();
    Automation::Ref<Gaugely::Progress> progress = Automation::New<Gaugely::Progress>();
    Automation::Ref<Recorder> recorder = Automation::New<Recorder>();
};

} // namespace FlashTesting
