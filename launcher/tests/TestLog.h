// The test program's own log: brought up once for the whole run in a folder of
// its own, so that tests can read the messages the code under test writes.
#pragma once

#include <string>

namespace kivtest {

// Everything written to the log since the call of logMark() that gave mark.
size_t logMark();
std::string logSince(size_t mark);

} // namespace kivtest
