// The program's command-line options. Only the optional script name has an
// effect; `server`, `port` and `exit` are accepted for compatibility with
// drivers that pass them. Help, version and parse errors are the parser's own
// and end the process from inside it (0 for help and version, 1 for errors).
#pragma once

#include <optional>
#include <string>

// The start-up script name ("" when none was given), or nullopt after a parser
// exception that the parser did not handle itself (already reported on the
// error stream).
std::optional<std::string> parse_command_line(int argc, char** argv);
