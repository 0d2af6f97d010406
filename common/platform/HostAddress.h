#pragma once
// The local host's first IPv4 address.
#include <string>

namespace vard::platform {

// Dotted form ("192.168.0.7") of the first IPv4 address of the local host
// name; empty when the lookup fails.
std::string FirstHostAddress();

}  // namespace vard::platform
