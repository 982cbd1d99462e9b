#include "registry/Registry.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <vector>

#include "automation/Runtime.h"

namespace Platform::Registry {

namespace {

const char* rootName(int32_t root) {
    switch (static_cast<uint32_t>(root)) {
    case 0x80000000u:
        return "HKEY_CLASSES_ROOT";
    case 0x80000001u:
        return "HKEY_CURRENT_USER";
    case 0x80000002u:
        return "HKEY_LOCAL_MACHINE";
    case 0x80000003u:
        return "HKEY_USERS";
    case 0x80000004u:
        return "HKEY_PERFORMANCE_DATA";
    case 0x80000005u:
        return "HKEY_CURRENT_CONFIG";
    case 0x80000006u:
        return "HKEY_DYN_DATA";
    default:
        return nullptr;
    }
}

// Names are stored percent-encoded, so that no name can split a QSettings
// key at "/" or "\", and the default value is "@", which no encoded name is.
bool keptAsIs(uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == ' ' ||
           b == '-' || b == '_' || b == '.';
}

QString encodeName(std::string_view name) {
    if (name.empty())
        return QStringLiteral("@");
    static const char hex[] = "0123456789ABCDEF";
    QString encoded;
    for (char c : name) {
        auto b = static_cast<uint8_t>(c);
        if (keptAsIs(b)) {
            encoded += QLatin1Char(c);
        } else {
            encoded += QLatin1Char('%');
            encoded += QLatin1Char(hex[b >> 4]);
            encoded += QLatin1Char(hex[b & 15]);
        }
    }
    return encoded;
}

std::string decodeName(const QString& encoded) {
    if (encoded == QStringLiteral("@"))
        return {};
    QByteArray bytes = encoded.toLatin1();
    std::string name;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size()) {
            name += static_cast<char>(bytes.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            name += bytes[i];
        }
    }
    return name;
}

std::vector<std::string_view> segmentsOf(std::string_view keyPath) {
    std::vector<std::string_view> segments;
    for (std::string_view segment : Automation::split(keyPath, '\\'))
        if (!segment.empty())
            segments.push_back(segment);
    return segments;
}

class Store {
public:
    explicit Store(int32_t root)
        : settings_(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/Kestrup/registry/") + QLatin1String(rootName(root)) +
                        QStringLiteral(".ini"),
                    QSettings::IniFormat) {}

    QSettings& settings() { return settings_; }

    // The stored group of a key path (names as stored), found without regard
    // to case; with `create`, the missing part is made of the names as given.
    std::optional<QString> group(std::string_view keyPath, bool create) {
        QString path;
        for (std::string_view segment : segmentsOf(keyPath)) {
            std::optional<QString> stored = find(path, segment, &QSettings::childGroups);
            if (!stored && !create)
                return std::nullopt;
            path += (path.isEmpty() ? QString() : QStringLiteral("/")) + stored.value_or(encodeName(segment));
        }
        return path;
    }

    // The stored key of a value of the group, found without regard to case.
    std::optional<QString> value(const QString& group, std::string_view valueName) {
        std::optional<QString> stored = find(group, valueName, &QSettings::childKeys);
        if (!stored)
            return std::nullopt;
        return group.isEmpty() ? *stored : group + QStringLiteral("/") + *stored;
    }

    QStringList children(const QString& group, QStringList (QSettings::*list)() const) {
        settings_.beginGroup(group);
        QStringList names = (settings_.*list)();
        settings_.endGroup();
        return names;
    }

    bool commit() {
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }

private:
    std::optional<QString> find(const QString& group, std::string_view name,
                                QStringList (QSettings::*list)() const) {
        for (const QString& stored : children(group, list))
            if (Automation::equalsText(decodeName(stored), name))
                return stored;
        return std::nullopt;
    }

    QSettings settings_;
};

} // namespace

bool IsPredefinedRoot(int32_t root) {
    return rootName(root) != nullptr;
}

bool KeyExists(int32_t root, std::string_view keyPath) {
    if (!IsPredefinedRoot(root))
        return false;
    Store store(root);
    return store.group(keyPath, false).has_value();
}

std::optional<std::string> QueryValue(int32_t root, std::string_view keyPath, std::string_view valueName) {
    if (!IsPredefinedRoot(root))
        return std::nullopt;
    Store store(root);
    std::optional<QString> group = store.group(keyPath, false);
    if (!group)
        return std::nullopt;
    std::optional<QString> key = store.value(*group, valueName);
    if (!key)
        return std::nullopt;
    QByteArray data = store.settings().value(*key).toString().toLatin1();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool SetValue(int32_t root, std::string_view keyPath, std::string_view valueName, std::string_view data) {
    if (!IsPredefinedRoot(root))
        return false;
    Store store(root);
    QString group = *store.group(keyPath, true);
    QString key = store.value(group, valueName)
                      .value_or(group.isEmpty() ? encodeName(valueName)
                                                : group + QStringLiteral("/") + encodeName(valueName));
    store.settings().setValue(key, QString::fromLatin1(data.data(), static_cast<qsizetype>(data.size())));
    return store.commit();
}

bool DeleteValue(int32_t root, std::string_view keyPath, std::string_view valueName) {
    if (!IsPredefinedRoot(root))
        return false;
    Store store(root);
    std::optional<QString> group = store.group(keyPath, false);
    std::optional<QString> key = group ? store.value(*group, valueName) : std::nullopt;
    if (!key)
        return false;
    store.settings().remove(*key);
    return store.commit();
}

bool DeleteKey(int32_t root, std::string_view keyPath) {
    if (!IsPredefinedRoot(root) || segmentsOf(keyPath).empty())
        return false;
    Store store(root);
    std::optional<QString> group = store.group(keyPath, false);
    if (!group || !store.children(*group, &QSettings::childGroups).isEmpty())
        return false;
    store.settings().remove(*group);
    return store.commit();
}

} // namespace Platform::Registry
