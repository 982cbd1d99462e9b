#pragma once
// The readers of files take a path: each input is written to one temporary
// file of the process, replaced for every run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

inline std::string fuzzInputFile(const uint8_t* data, size_t size, const char* name = "input") {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrup-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return pattern;
    }();
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
