// Process start: command line, configuration, loading, and the message loop.
#pragma once

namespace tessel {

// Runs the program; returns the process exit code.
int runTessel(int argc, char** argv);

}  // namespace tessel
