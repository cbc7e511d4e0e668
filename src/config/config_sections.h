// The three sections of the configuration file that the writer always rewrites at the end:
// block context rules (<QVContext>), user controls (<QVControls>) and user scripts
// (<QVScripts>).
#pragma once

#include <string>
#include <string_view>

#include "config/config_file.h"

namespace tessel::configdetail {

// inner: the lines between the tag line and the closing tag line.
void readContextSection(std::string_view inner);
void readControlsSection(std::string_view inner, ConfigFileState& state);
// Without apply the section is only checked. 0, or 1 for a structural error (reported when
// applying).
int readScriptsSection(std::string_view inner, ConfigFileState& state, bool apply);

void writeContextSection(std::string& out);
void writeControlsSection(std::string& out);
void writeScriptsSection(std::string& out);

}  // namespace tessel::configdetail
