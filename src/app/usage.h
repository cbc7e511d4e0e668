// The texts printed to standard output for "--help", "-help" and "--version".
#pragma once

namespace tessel {

void printUsage();
// "tessel" and the version of this build.
void printVersion();

}  // namespace tessel
