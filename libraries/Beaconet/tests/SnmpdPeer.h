#pragma once
// A Debian snmpd playing one print server for the unicast checks: its own
// configuration (an override line for every object), no MIB files, its own
// persistent folder, bound to one loopback address. Stopped with the object.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Beaconet {

class SnmpdPeer {
public:
    struct Object {
        std::string oid;
        std::string type; // as override takes it: octet_str, integer
        std::string value;
        bool writable = false;
    };

    // Starts snmpd on address:port with public and private as its communities.
    SnmpdPeer(const std::string& address, uint16_t port, const std::vector<Object>& objects);
    ~SnmpdPeer();
    SnmpdPeer(const SnmpdPeer&) = delete;
    SnmpdPeer& operator=(const SnmpdPeer&) = delete;

    // A UDP port free on both addresses.
    static uint16_t freePort(const std::string& first, const std::string& second);
    // Runs a net-snmp command line with the peer's environment; its output.
    std::string run(const std::string& commandLine) const;

private:
    std::string folder_;
    pid_t pid_ = -1;
};

} // namespace Beaconet
