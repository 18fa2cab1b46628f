#pragma once

namespace korvel::platform {

// True when the machine reports an internet connection: the network
// information backend's reachability, else "some non-loopback interface is up
// and running". It has no side effects.
bool IsConnected();

} // namespace korvel::platform
