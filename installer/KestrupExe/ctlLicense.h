#pragma once
// The agreement page: the licence text and the choice "I agree" / "I don't agree".
#include <string>

#include <QWidget>

class QButtonGroup;
class QRadioButton;
class QTextEdit;

namespace Kestrup {

class ctlLicense : public QWidget {
    Q_OBJECT
public:
    explicit ctlLicense(QWidget* parent = nullptr);

    std::string LicenseText() const;
    void setLicenseText(const std::string& text);
    bool Agreed() const;
    // Raises the Agreed event with the value.
    void setAgreed(bool value);
    bool LoadFile(const std::string& sPath);

Q_SIGNALS:
    // The event Agreed: either option was clicked, or Agreed was written.
    void Agreed(bool Value);

private:
    QTextEdit* txtLicense;
    QRadioButton* optAgree;
    QRadioButton* optDontAgree;
    QButtonGroup* group_;
};

} // namespace Kestrup
