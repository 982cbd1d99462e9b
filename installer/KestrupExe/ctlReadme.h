#pragma once
// The readme page: the package's readme text.
#include <string>

#include <QWidget>

class QTextEdit;

namespace Kestrup {

class ctlReadme : public QWidget {
    Q_OBJECT
public:
    explicit ctlReadme(QWidget* parent = nullptr);

    std::string ReadMeText() const;
    bool LoadFile(const std::string& sPath);

private:
    QTextEdit* txtReadme;
};

} // namespace Kestrup
