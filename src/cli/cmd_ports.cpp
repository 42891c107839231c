// kavrin-cli ports: the port list as the download sees it, one name a line, "SIM" last.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "link/system_port.h"

namespace kavrin::cli {

int RunPorts(Args args) {
    if (!args.empty()) {
        const bool help = args[0] == "--help" || args[0] == "-h";
        std::fputs("usage: kavrin-cli ports\n", help ? stdout : stderr);
        return help ? 0 : 2;
    }
    std::vector<std::string> ports;
    link::EnumeratePorts(ports);
    for (const std::string& name : ports) {
        std::printf("%s\n", name.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace kavrin::cli
