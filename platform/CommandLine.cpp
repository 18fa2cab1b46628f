#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace korvel::platform {

const char *korvelVersion()
{
    return KORVEL_VERSION;
}

std::optional<int> answerHelpOrVersion(int argc, const char *const *argv, const char *program, const char *usage,
                                       bool onlyAlone)
{
    if (onlyAlone && argc != 2)
        return std::nullopt;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (usage && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            std::fputs(usage, stdout);
            std::fflush(stdout);
            return 0;
        }
        if (std::strcmp(a, "--version") == 0) {
            std::printf("%s %s\n", program, KORVEL_VERSION);
            std::fflush(stdout);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace korvel::platform
