#include "Brindle/InstallableFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

namespace Brindle {

namespace {

constexpr uint32_t TrueTypeMagic = 0x5F0F3CF5;
constexpr size_t OffsetTableSize = 12;
constexpr size_t TableRecordSize = 16;

std::optional<std::string> readAt(std::ifstream& file, uint64_t fileSize, uint64_t offset, size_t count) {
    if (offset > fileSize || count > fileSize - offset)
        return std::nullopt;
    std::string bytes(count, '\0');
    file.seekg(static_cast<std::streamoff>(offset));
    if (!file.read(bytes.data(), static_cast<std::streamsize>(count)))
        return std::nullopt;
    return bytes;
}

uint32_t bigEndian(std::string_view bytes, size_t at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

bool pcFileExists(const std::string& name) {
    std::error_code ignored;
    return !name.empty() && std::filesystem::is_regular_file(name, ignored);
}

std::optional<std::array<uint8_t, 4>> leadingBytes(const std::string& nameOrData) {
    std::string bytes;
    if (pcFileExists(nameOrData)) {
        std::ifstream file(nameOrData, std::ios::binary);
        bytes.resize(4);
        if (!file.read(bytes.data(), 4))
            return std::nullopt;
    } else {
        if (nameOrData.size() < 4)
            return std::nullopt;
        bytes = nameOrData.substr(0, 4);
    }
    return std::array<uint8_t, 4>{static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]),
                                  static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[3])};
}

} // namespace

bool InstallableFile::IsTTFFont(const std::string& fileNameTTF) {
    std::error_code error;
    uint64_t fileSize = std::filesystem::file_size(fileNameTTF, error);
    if (error)
        return false;
    std::ifstream file(fileNameTTF, std::ios::binary);
    if (!file)
        return false;
    auto offsetTable = readAt(file, fileSize, 0, OffsetTableSize);
    if (!offsetTable)
        return false;
    uint32_t numTables = bigEndian(*offsetTable, 4, 2);
    auto records = readAt(file, fileSize, OffsetTableSize, numTables * TableRecordSize);
    if (!records)
        return false;
    for (uint32_t i = 0; i < numTables; ++i) {
        std::string_view record = std::string_view(*records).substr(i * TableRecordSize, TableRecordSize);
        if (record.substr(0, 4) != "head")
            continue;
        auto magic = readAt(file, fileSize, uint64_t{bigEndian(record, 8, 4)} + 12, 4);
        return magic && bigEndian(*magic, 0, 4) == TrueTypeMagic;
    }
    return false;
}

bool InstallableFile::IsInstallableFile(const std::string& nameOrData) {
    auto lead = leadingBytes(nameOrData);
    if (lead) {
        auto [b0, b1, b2, b3] = *lead;
        if (b0 == 0x0A && (b1 == 0x05 || b1 == 0x03) && b2 == 0x01 && b3 == 0x01)
            return true;
        if (*lead == std::array<uint8_t, 4>{0x1B, 0x28, 0x66, 0x36})
            return true;
    }
    if (IsTTFFont(nameOrData))
        return true;
    return lead && *lead == std::array<uint8_t, 4>{0xA1, 0x70, 0x66, 0x72};
}

} // namespace Brindle
