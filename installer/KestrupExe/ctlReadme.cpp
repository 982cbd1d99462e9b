#include "KestrupExe/ctlReadme.h"

#include <QTextEdit>
#include <QVBoxLayout>

#include "KestrupExe/TextFilePage.h"
#include "ui/Text.h"

namespace Kestrup {

ctlReadme::ctlReadme(QWidget* parent) : QWidget(parent) {
    txtReadme = new QTextEdit(this);
    txtReadme->setObjectName("txtReadme");
    txtReadme->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtReadme);
}

std::string ctlReadme::ReadMeText() const {
    return Platform::Ui::fromQString(txtReadme->toPlainText());
}

bool ctlReadme::LoadFile(const std::string& sPath) {
    return LoadTextFile(*txtReadme, sPath);
}

} // namespace Kestrup
