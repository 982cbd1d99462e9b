#pragma once
// Environment variables that a test sets, given back as they were when it
// ends. Every thread that Qt starts reads the environment as it starts (and
// the simulated printer's thread again when it runs a peer program), and a
// read beside setenv or unsetenv can crash. So the environment changes only
// while the test's own thread is the process's only one: a fixture holds
// this before the simulated printer or anything else that starts a thread,
// and lets it go after they have ended. A change beside another thread fails
// the test.
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class ScopedEnvironment {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;

    explicit ScopedEnvironment(const Values& values) {
        expectAlone();
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    ~ScopedEnvironment() {
        expectAlone();
        for (auto at = saved_.rbegin(); at != saved_.rend(); ++at) {
            if (at->second)
                ::setenv(at->first.c_str(), at->second->c_str(), 1);
            else
                ::unsetenv(at->first.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // The names of the threads of this process, as the kernel lists them.
    static std::vector<std::string> threads() {
        std::vector<std::string> names;
        if (DIR* tasks = ::opendir("/proc/self/task")) {
            while (const dirent* entry = ::readdir(tasks)) {
                if (entry->d_name[0] == '.')
                    continue;
                std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
                std::string name;
                std::getline(comm, name);
                names.push_back(name);
            }
            ::closedir(tasks);
        }
        return names;
    }

private:
    // A thread that has been waited for may still be on its way out (Qt's
    // threads are detached): it is given a moment to go.
    static void expectAlone() {
        auto names = threads();
        for (int wait = 0; names.size() > 1 && wait < 300; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            names = threads();
        }
        EXPECT_EQ(names.size(), 1u) << "the environment changes beside other threads: "
                                    << ::testing::PrintToString(names);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
