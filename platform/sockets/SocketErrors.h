#pragma once
// The Windows Sockets error codes that callers of the sockets library see,
// the one table that turns Linux's errno into them, and their texts.
#include <cstdint>
#include <string>

namespace Platform::Sockets {

namespace WinsockError {
inline constexpr int32_t Interrupted = 10004;
inline constexpr int32_t InvalidArgument = 10022;
inline constexpr int32_t WouldBlock = 10035;
inline constexpr int32_t NotSocket = 10038;
inline constexpr int32_t MessageTooLong = 10040;
inline constexpr int32_t AddressNotAvailable = 10049;
inline constexpr int32_t NetworkUnreachable = 10051;
inline constexpr int32_t NotInitialised = 10093;
inline constexpr int32_t HostNotFound = 11001;
inline constexpr int32_t TryAgain = 11002;
inline constexpr int32_t NoRecovery = 11003;
inline constexpr int32_t NoData = 11004;
} // namespace WinsockError

// The Winsock code of an errno value; one the table lacks keeps Winsock's
// own numbering, 10000 above the error number.
int32_t winsockCodeFromErrno(int error);

// The Winsock code of a getaddrinfo failure.
int32_t winsockCodeFromLookup(int result);

// "[" code "] " and the code's text, or "(no description available)".
std::string winsockErrorText(int32_t code);

} // namespace Platform::Sockets
