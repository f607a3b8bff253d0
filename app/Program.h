#pragma once

namespace zuvelo {

// The whole program: refuses to run twice from one folder, then loads the window, runs its event
// loop until it is closed (or SIGINT, SIGTERM or SIGHUP closes it) and returns the exit status.
int runProgram(int argc, char** argv);

} // namespace zuvelo
