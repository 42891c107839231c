#include <cstdio>

#include "cli/commands.h"

namespace kavrin::cli {

int RunGenerate(Args) {
    std::fputs("kavrin-cli: this command is not built yet\n", stderr);
    return 1;
}

}  // namespace kavrin::cli
