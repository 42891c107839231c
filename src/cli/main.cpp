// kavrin-cli: the headless pipeline of Kavrin, one subcommand per stage. Its own messages are
// English; the texts of the string table it prints (the port status table, the link's messages)
// come in the language kavrin would speak: --language, else the "Language" setting, else the
// system's.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "link/user_data.h"
#include "resources/resources.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
// windows.h first: the headers below build on it.
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

struct Command {
    std::string_view name;
    int (*run)(kavrin::cli::Args);
    std::string_view usage;
};

constexpr Command kCommands[] = {
    {"show", kavrin::cli::RunShow, "show FILE.kvn [--advanced]          print an action program"},
    {"generate", kavrin::cli::RunGenerate,
     "generate FILE.kvn [--advanced] [--sensors]   print the robot program made from it"},
    {"compile", kavrin::cli::RunCompile,
     "compile SOURCE|- [--directives-only | --blocks | --image FILE | --listing]"},
    {"ports", kavrin::cli::RunPorts, "ports                                 list the serial ports"},
    {"download", kavrin::cli::RunDownload,
     "download SOURCE|FILE.kvn [--port NAME] [--advanced] [--sensors] [--dump-eeprom FILE]"},
    {"sim-pty", kavrin::cli::RunSimPty,
     "sim-pty                               serve the virtual robot on a pseudo-terminal"},
    {"run", kavrin::cli::RunRun,
     "run SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--seconds N] [--input TEXT] [--trace]"},
    {"simulate", kavrin::cli::RunSimulate,
     "simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] [--arena NAME|FILE] [--start "
     "X,Y,HEADING]\n"
     "           [--seconds N] [--trace] [--timeline FILE.csv|-]   drive the virtual robot on a "
     "table\n"
     "  simulate SOURCE|FILE.kvn|--held [--advanced] [--sensors] --mission NAME|FILE [--seconds N] "
     "[--trace]\n"
     "           [--timeline FILE.csv|-]   judge a mission on the table (exit 4: not passed);\n"
     "           --list-missions lists the built-ins; --timeline writes the run, a row every 20 "
     "ms"},
    {"judge", kavrin::cli::RunJudge,
     "judge --mission NAME|FILE [--mission NAME|FILE ...] FILE.kvn|FOLDER ... [--csv FILE] "
     "[--report FILE.html]\n"
     "           [--jobs N] [--advanced] [--sensors]   judge a class's programs against missions, "
     "a line\n"
     "           each (exit 4: some not passed); --csv and --report write a table and a printable "
     "page"},
};

constexpr std::string_view kLanguageOption = "--language";

void PrintHelp(std::FILE* out) {
    std::fputs("Usage: kavrin-cli [--language el|en] COMMAND [ARGS]\n\nCommands:\n", out);
    for (const Command& c : kCommands) {
        std::fprintf(out, "  %.*s\n", static_cast<int>(c.usage.size()), c.usage.data());
    }
}

// Windows would turn every "\n" into "\r\n" and stop reading input at a 0x1A: the output
// (images, listings) must be the same bytes on every platform.
void UseBinaryStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

// The arguments after the program's name, in UTF-8, which every command takes file names in.
// Windows hands main() its arguments in the ANSI code page, where a Greek or Cyrillic folder's
// letters become "?": there they are read wide from the command line instead.
std::vector<std::string> Arguments(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        if (size > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
#else
    return {argv + 1, argv + argc};
#endif
}

// Everything printed is UTF-8 (file names, the string table's texts): a Windows console is told
// so, where it would otherwise show the bytes in its own code page.
void UseUtf8Console() {
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
}

// Takes "--language CODE" out of the arguments, wherever it stands. False when its value is
// missing or names no language.
bool TakeLanguage(std::vector<std::string_view>& args, std::string_view& language) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != kLanguageOption) continue;
        if (i + 1 >= args.size() || !kavrin::resources::LanguageOfCode(args[i + 1])) {
            std::fputs("kavrin-cli: --language takes el or en\n", stderr);
            return false;
        }
        language = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return TakeLanguage(args, language);  // a later one wins
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    UseBinaryStreams();
    UseUtf8Console();
    const std::vector<std::string> arguments = Arguments(argc, argv);
    std::vector<std::string_view> all(arguments.begin(), arguments.end());
    std::string_view language;
    if (!TakeLanguage(all, language)) {
        return 2;
    }
    kavrin::resources::SetLanguage(kavrin::link::UserLanguage(language));
    if (all.empty()) {
        PrintHelp(stderr);
        return 2;
    }
    const std::string_view name = all.front();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("kavrin-cli %s\n", KAVRIN_VERSION);
        return 0;
    }
    const std::vector<std::string_view> args(all.begin() + 1, all.end());
    for (const Command& c : kCommands) {
        if (c.name == name) {
            if (name == "download") kavrin::cli::AttachSimEeprom();  // SIM keeps what it gets
            return c.run(args);
        }
    }
    std::fprintf(stderr, "kavrin-cli: unknown command '%.*s'\n\n", static_cast<int>(name.size()),
                 name.data());
    PrintHelp(stderr);
    return 2;
}
