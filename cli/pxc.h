// pxc as a function, so that its tests can run it in their own process.
#pragma once

namespace pxc {

// The whole command: arguments as main gets them; returns the exit status.
int run(int argc, char** argv);

}  // namespace pxc
