#pragma once

namespace zuvelo {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed (a program started with
// ">&- 2>&-"). Otherwise the next descriptors the program opens would take those numbers, and
// whatever it writes to stdout or stderr would land in them. Call first thing in main.
void reopenClosedStandardStreams();

} // namespace zuvelo
