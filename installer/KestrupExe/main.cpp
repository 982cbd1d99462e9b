// Kestrup: the wizard that installs a package or firmware onto Vantor printers.
#include <QApplication>

#include "KestrupExe/CommandLine.h"
#include "KestrupExe/frmWizard.h"
#include "ui/MessageBoxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Platform::Ui::InstallMessageBoxes();
    Kestrup::frmWizard wizard(Kestrup::JoinedArguments(argc, argv));
    wizard.show();
    return app.exec();
}
