#include "shell/command_line.h"

#include <tclap/CmdLine.h>

#include <cstdio>

#include "shell/build_info.h"

std::optional<std::string> parse_command_line(int argc, char** argv) {
    try {
        TCLAP::CmdLine parser("", ' ', kBuildString, true);
        TCLAP::SwitchArg server("s", "server", "run as a server", parser, false);
        TCLAP::ValueArg<int> port("p", "port", "server port (default 5251)", false, 5251, "port",
                                  parser);
        TCLAP::SwitchArg exit_after("e", "exit", "exit after client disconnects", parser, false);
        TCLAP::UnlabeledValueArg<std::string> filename("filename", "script to load", false, "",
                                                       "script.txt", parser);
        parser.parse(argc, argv);
        return filename.isSet() ? filename.getValue() : std::string();
    } catch (const TCLAP::ArgException& error) {
        std::fprintf(stderr, "error: %s for arg %s\n", error.error().c_str(),
                     error.argId().c_str());
        return std::nullopt;
    }
}
