#include "Profile.h"

#include <QRegularExpression>

namespace PrinterSim {

int Profile::major() const {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+)")).match(version);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QStringList Profile::knownVersions() {
    return {"5.00", "6.14", "6.50", "7.00", "7.30",        "7.32",  "7.40", "V7.50a",
            "7.52", "7.62", "8.00", "8.10", "8.10 Beta 3", "10.00", "10.20"};
}

Profile Profile::forVersion(const QString& version) {
    Profile p;
    p.version = version;
    p.versionText = "Rubric " + version.toLatin1();
    switch (p.major()) {
    case 5:
        p.model = "Trell";
        p.hardwareVersion = "trell-mainboard rev 1";
        p.ethernet = false;
        p.ramKb = 2048;
        p.flashKb = 1024;
        p.cardInserted = false;
        break;
    case 6:
        p.model = "Ganwy";
        p.hardwareVersion = "ganwy-mainboard rev 2";
        p.ethernet = false;
        p.ramKb = 4096;
        p.flashKb = 2048;
        break;
    case 7:
        p.model = "Sileq";
        p.hardwareVersion = "sileq-mainboard rev 4";
        p.headDotsPerMm = 12;
        p.headDots = 1248;
        p.dualRs232 = true;
        p.ramKb = 8192;
        p.flashKb = 16384;
        break;
    case 8:
        break;
    default:
        p.model = "Zephan";
        p.hardwareVersion = "zephan-mainboard rev 1";
        p.parallel = true;
        p.industrial = true;
        p.ramKb = 65536;
        p.flashKb = 32768;
        break;
    }
    return p;
}

} // namespace PrinterSim
