#pragma once
// The readers of files take a path: each input is written to one temporary
// file of the process, replaced for every run, and removed at exit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

inline std::string fuzzInputFile(const uint8_t* data, size_t size, const char* name = "input") {
    struct Folder {
        Folder() {
            path = (std::filesystem::temp_directory_path() / "kestrup-fuzz-XXXXXX").string();
            if (!::mkdtemp(path.data()))
                std::abort();
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    };
    static const Folder folder;
    std::string path = folder.path + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
