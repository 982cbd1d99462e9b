#include "HubletSimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace HubletSim {

HubletSimProcess::HubletSimProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("hublet-sim: no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    // It ends when its commands end: also when the test that started it dies.
    static const std::string QuitOnEof = "--quit-on-eof";
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(QuitOnEof.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    toProgram_ = in[1];
    fromProgram_ = out[0];
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("hublet-sim: cannot start " + program);
    }
    std::string line;
    if (!readLine(line, 10000) || line.rfind("ready ", 0) != 0)
        throw std::runtime_error("hublet-sim did not start: " + line);
    port_ = static_cast<uint16_t>(std::stoi(line.substr(6)));
}

HubletSimProcess::~HubletSimProcess() {
    if (toProgram_ >= 0)
        close(toProgram_); // the end of its commands ends it
    if (pid_ > 0) {
        int status = 0;
        for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
            usleep(10000);
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (fromProgram_ >= 0)
        close(fromProgram_);
}

std::string HubletSimProcess::command(const std::string& line) {
    std::string text = line + "\n";
    if (write(toProgram_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("hublet-sim: command not sent");
    for (std::string answer; readLine(answer, 5000);)
        if (answer == "ok" || answer.rfind("error", 0) == 0)
            return answer;
    throw std::runtime_error("hublet-sim: no answer to " + line);
}

std::vector<std::string> HubletSimProcess::lines(int32_t waitMs) {
    std::vector<std::string> result;
    for (std::string line; readLine(line, result.empty() ? waitMs : 0);)
        result.push_back(line);
    return result;
}

bool HubletSimProcess::readLine(std::string& line, int32_t waitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (auto newline = buffered_.find('\n'); newline != std::string::npos) {
            line = buffered_.substr(0, newline);
            buffered_.erase(0, newline + 1);
            return true;
        }
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fromProgram_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0)
            return false;
        char buffer[4096];
        ssize_t n = read(fromProgram_, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        buffered_.append(buffer, size_t(n));
    }
}

} // namespace HubletSim
