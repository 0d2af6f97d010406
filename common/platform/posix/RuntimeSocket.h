#pragma once
// POSIX backends only: the Unix sockets that stand in for named objects
// (pipes, windows) live in the runtime folder. Every such socket gets its
// path and address here, so one rule decides what fits.
#include <sys/un.h>

#include <string>

namespace vard::platform::posix {

// The socket file of the object `name` in R/<sub>: its last "\"-separated
// component, made a file name. Empty when the folder cannot be made (errno
// set).
std::string RuntimeSocketPath(const char* sub, const std::u16string& name);

// The address of the socket file at `path`. False, with the last error
// kFilenameExcedRange, when the path does not fit an address (under 108
// bytes on Linux): a long runtime folder must fail where the socket is
// made, with that reason, and not as a socket that never appears.
bool SocketAddress(const std::string& path, sockaddr_un* address);

}  // namespace vard::platform::posix
