// demo-files FOLDER: writes the demo package and firmware image into FOLDER.
#include <cstdio>
#include <filesystem>

#include "DemoPackage.h"
#include "automation/Error.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo-files FOLDER\n");
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        DemoFiles::WriteDemoFiles(argv[1]);
    } catch (const Automation::Error& error) {
        std::fprintf(stderr, "demo-files: %s (%d)\n", error.Description().c_str(), error.Number());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demo-files: %s\n", error.what());
        return 1;
    }
    return 0;
}
