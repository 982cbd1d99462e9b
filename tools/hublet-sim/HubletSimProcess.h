#pragma once
// A running hublet-sim program, for tests and benchmarks: started with its
// arguments, told faults through its standard input, and read back line by
// line. The process ends with the object.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace HubletSim {

class HubletSimProcess {
public:
    // Starts the program and waits for it to be ready; throws
    // std::runtime_error when it does not start.
    HubletSimProcess(const std::string& program, const std::vector<std::string>& arguments);
    ~HubletSimProcess();
    HubletSimProcess(const HubletSimProcess&) = delete;
    HubletSimProcess& operator=(const HubletSimProcess&) = delete;

    uint16_t port() const { return port_; }

    // Sends one command ("fault late once", "clear") and waits for its answer line.
    std::string command(const std::string& line);
    // The lines the program wrote since the last call, waiting up to waitMs for the first.
    std::vector<std::string> lines(int32_t waitMs = 0);

private:
    bool readLine(std::string& line, int32_t waitMs);

    pid_t pid_ = -1;
    int toProgram_ = -1;
    int fromProgram_ = -1;
    uint16_t port_ = 0;
    std::string buffered_;
};

} // namespace HubletSim
