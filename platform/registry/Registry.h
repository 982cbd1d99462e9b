#pragma once
// The registry functions that the installer uses, kept with QSettings: one
// store per root key (the current user's, the machine's, ...), each an INI
// file under the user's configuration folder (XDG_CONFIG_HOME). Key paths are
// separated by "\" and, as in the registry, key and value names compare
// without regard to case; the empty value name is the key's default value.
// Values are texts of ANSI bytes. Failures are reported by the results only.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Platform::Registry {

// The predefined root handles.
inline constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t HKEY_USERS = static_cast<int32_t>(0x80000003u);
inline constexpr int32_t HKEY_PERFORMANCE_DATA = static_cast<int32_t>(0x80000004u);
inline constexpr int32_t HKEY_CURRENT_CONFIG = static_cast<int32_t>(0x80000005u);
inline constexpr int32_t HKEY_DYN_DATA = static_cast<int32_t>(0x80000006u);

bool IsPredefinedRoot(int32_t root);

// Whether the key exists (a key exists while it holds a value or a subkey).
bool KeyExists(int32_t root, std::string_view keyPath);
// The value's data as stored; nothing when the key or the value is absent.
std::optional<std::string> QueryValue(int32_t root, std::string_view keyPath, std::string_view valueName);
// Sets the value, creating the key and its parents as needed.
bool SetValue(int32_t root, std::string_view keyPath, std::string_view valueName, std::string_view data);
// False when the key or the value is absent.
bool DeleteValue(int32_t root, std::string_view keyPath, std::string_view valueName);
// Deletes the key with its values; as the registry does, it refuses a key
// that has subkeys, and a key that is absent.
bool DeleteKey(int32_t root, std::string_view keyPath);

} // namespace Platform::Registry
