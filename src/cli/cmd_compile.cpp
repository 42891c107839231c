// kavrin-cli compile: runs the tokenizer on a VELIC source and reports like a compiler.
//
//   kavrin-cli compile SOURCE|- [--directives-only | --blocks | --image FILE | --listing]
//
// On an error it prints SOURCE:LINE:COLUMN: error: NNN-Message, the source line and a caret
// line under the faulty element, and exits 1. Each output form is one function below, chosen
// by OutputForm; new forms slot in beside them.

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/commands.h"
#include "cli/program_source.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"
#include "tokenizer/code_writer.h"
#include "tokenizer/kr1_tokenizer.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli compile SOURCE|- [--directives-only | --blocks | --image FILE | "
    "--listing]\n";

enum class OutputForm { kSummary, kDirectives, kBlocks, kImage, kListing };

struct CompileOptions {
    std::string source;  // file name, or "-" for standard input
    OutputForm form = OutputForm::kSummary;
    std::string imageFile;
};

// 0 parsed, 2 usage error, 1 help printed.
int ParseOptions(Args args, CompileOptions& options) {
    bool formGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 1;
        }
        OutputForm form = OutputForm::kSummary;
        if (arg == "--directives-only") {
            form = OutputForm::kDirectives;
        } else if (arg == "--blocks") {
            form = OutputForm::kBlocks;
        } else if (arg == "--listing") {
            form = OutputForm::kListing;
        } else if (arg == "--image") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            options.imageFile = args[++i];
            form = OutputForm::kImage;
        }
        if (form != OutputForm::kSummary) {
            if (formGiven) {  // one output form at a time
                std::fputs(kUsage, stderr);
                return 2;
            }
            formGiven = true;
            options.form = form;
        } else if ((arg.starts_with("-") && arg != "-") || !options.source.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            options.source = arg;
        }
    }
    if (options.source.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return 0;
}

void PrintDirectives(const tokenizer::TTokenizerResult& r) {
    std::printf("module %d\n", r.ModuleKind);
    std::printf("version %d\n", r.LanguageVersion);
    std::printf("port %s\n", r.PortName ? r.PortName : "none");
    for (const char* file : r.ProjectFiles) {
        if (file) std::printf("project-file %s\n", file);
    }
}

constexpr std::uint8_t kUseMask = 3;  // the use value proper; bit 7 marks bytes sent

// A KR1 program has its own compiler and a 256-byte image; the others share the 2,048 bytes.
std::size_t ImageSize(const tokenizer::TTokenizerResult& r) {
    return tokenizer::IsKr1Program(r) ? tokenizer::kKr1EepromSize : tokenizer::kEepromSize;
}

void PrintSummary(const tokenizer::TTokenizerResult& r) {
    int used = 0;
    for (std::uint8_t use : r.EepromUse) used += (use & kUseMask) != 0;
    std::printf("module KR%d\n", r.ModuleKind);
    std::printf("version %d\n", r.LanguageVersion);
    std::printf("blocks %d\n", r.BlockCount);
    std::printf("code-bits %d\n", r.CodeBits);
    std::printf("eeprom-used %d\n", used);
}

void PrintBlocks(const tokenizer::TTokenizerResult& r) {
    for (int b = 0; b < r.BlockCount; ++b) {
        for (std::uint8_t byte : r.Blocks[static_cast<std::size_t>(b)]) std::printf("%02X", byte);
        std::printf("\n");
    }
}

// The file is replaced whole or not at all: a write that fails leaves the old image there.
bool WriteImage(const std::string& name, const tokenizer::TTokenizerResult& r) {
    const std::string_view bytes(reinterpret_cast<const char*>(r.EepromImage.data()), ImageSize(r));
    if (const std::error_code error = fileio::ReplaceFileWhole(fileio::PathFromUtf8(name), bytes)) {
        PrintFileMessage(name, "cannot write: " + error.message());
        return false;
    }
    return true;
}

// For people: where each statement's code starts, then the DATA placed, 16 bytes a row with
// reserved bytes as "..".
void PrintListing(const std::string& text, const tokenizer::TTokenizerResult& r) {
    std::printf("module KR%d, version %d, %d code bits, %d blocks\n\n", r.ModuleKind,
                r.LanguageVersion, r.CodeBits, r.BlockCount);
    std::printf("  line    bit  statement\n");
    for (int i = 0; i < r.StatementCount; ++i) {
        const tokenizer::StatementStart& start = r.StatementStarts[static_cast<std::size_t>(i)];
        const SourceLocation loc = Locate(text, start.source);
        const std::size_t from = start.source;
        const std::size_t to = loc.lineStart + loc.lineLength;
        const std::string statement = from < to ? text.substr(from, to - from) : std::string();
        std::printf("%6d %6d  %s\n", loc.line, start.code, statement.c_str());
    }
    std::printf("\n  DATA\n");
    bool any = false;
    for (std::size_t row = 0; row < ImageSize(r); row += tokenizer::kRowBytes) {
        std::string line;
        bool data = false;
        for (std::size_t i = row; i < row + tokenizer::kRowBytes; ++i) {
            const int use = r.EepromUse[i] & kUseMask;
            char cell[4] = "   ";
            if (use == tokenizer::kUseData)
                std::snprintf(cell, sizeof cell, " %02X", r.EepromImage[i]);
            else if (use == tokenizer::kUseReserved)
                std::snprintf(cell, sizeof cell, " ..");
            data |= use == tokenizer::kUseData || use == tokenizer::kUseReserved;
            line += cell;
        }
        if (!data) continue;
        any = true;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("  %04zu:%s\n", row, line.c_str());
    }
    if (!any) std::printf("  none\n");
}

}  // namespace

int RunCompile(Args args) {
    CompileOptions options;
    if (const int parsed = ParseOptions(args, options)) return parsed == 1 ? 0 : 2;

    std::string text;
    if (!ReadSourceFile(options.source, text)) {
        return 1;
    }
    tokenizer::TTokenizer tokenizer;
    if (!tokenizer.LoadSource(text)) {
        PrintTooLong(options.source);
        return 1;
    }
    const bool directivesOnly = options.form == OutputForm::kDirectives;
    const std::uint8_t ok = tokenizer.Tokenize({.directivesOnly = directivesOnly});
    const tokenizer::TTokenizerResult& r = tokenizer.Result();
    if (!ok) {
        PrintSourceError(options.source, text, r.ErrorMessage, r.ErrorPos, r.ErrorLength);
        return 1;
    }
    switch (options.form) {
        case OutputForm::kDirectives:
            PrintDirectives(r);
            break;
        case OutputForm::kSummary:
            PrintSummary(r);
            break;
        case OutputForm::kBlocks:
            PrintBlocks(r);
            break;
        case OutputForm::kImage:
            return WriteImage(options.imageFile, r) ? 0 : 1;
        case OutputForm::kListing:
            PrintListing(text, r);
            break;
    }
    return 0;
}

}  // namespace kavrin::cli
