// The frame of the tokenizer: the one entry point, the order of its phases and the catching of
// every failure. The phases live in their own files; the back end (declarations, statements,
// code, blocks) is reached through back_end.h.

#include "tokenizer/tokenizer.h"

#include <cstring>

#include "tokenizer/back_end.h"
#include "tokenizer/errors.h"
#include "tokenizer/front_end.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

namespace {

constexpr std::uint8_t kModuleKr1 = 1;
constexpr std::uint8_t kHighestModule = 6;

// One process-wide tokenizer; its tables are far too big for the stack.
TokenizerState g_state;

// Phase 1.
void Reset(TokenizerState& s, bool useModuleDirective) {
    TTokenizerResult& r = s.result;
    r.ErrorMessage = nullptr;
    r.ProjectFiles.fill(nullptr);
    r.ProjectFilePos.fill(0);
    r.ModulePos = 0;
    r.PortName = nullptr;
    r.PortPos = 0;
    r.LanguagePos = 0;
    r.KR1Extra.fill(0);
    r.EepromImage.fill(0);
    r.EepromUse.fill(0);
    // Blocks of an earlier run must not look valid after a run that builds none.
    r.BlockCount = 0;
    if (useModuleDirective) r.ModuleKind = 0;
    s.syntax25 = false;
    s.elementCount = 0;
    s.readIndex = 0;
    s.lastRead = -1;
    s.blockCount = 0;
    s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
    s.condIfDepth = s.condSelectDepth = 0;
    s.expr.opTop = s.expr.opBase = s.expr.levels = s.expr.depth = 0;
}

// Phase 8.1: a KR2..KR6 compilation needs its module and gets the words it carries.
void PrepareModule(TokenizerState& s) {
    TTokenizerResult& r = s.result;
    if (r.ModuleKind == 0 || r.ModuleKind > kHighestModule) RaiseErrorAt(156, 0, 0);
    EnterReservedWords(s.symbols, r.ModuleKind, s.syntax25);
}

void RunPhases(TokenizerState& s, bool directivesOnly, bool useModuleDirective, bool anyVersion,
               bool frontEndOnly) {
    TTokenizerResult& r = s.result;
    // The record may have been filled by a caller; never trust its length.
    if (r.SourceLength < 0 || r.SourceLength > static_cast<std::int32_t>(kMaxSourceLength)) {
        RaiseErrorAt(107, 0, 0);
    }

    s.symbols.Clear();
    s.declared.Clear();
    EnterDirectiveSymbols(s.symbols);

    ListDirectives(s);
    CopySourceToKr1(s.kr1, r);
    ReadDirectives(s, useModuleDirective, anyVersion);

    if (!directivesOnly && r.ModuleKind == kModuleKr1) {
        RunKr1Phase(s.kr1, r, s.symbols);
    } else if (!directivesOnly) {
        PrepareModule(s);
        ListElements(s);
        ResolveConditionals(s);
        if (frontEndOnly) return;
        s.blockCount = 0;
        s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
        CompileDeclarations(s);
        CompileProgram(s);
    }

    // Also after a directives-only run: a run that succeeds leaves no error span behind.
    r.ErrorPos = 0;
    r.ErrorLength = 0;
    if (r.BlockCount == 0 && !directivesOnly) RaiseError(157);
}

}  // namespace

TokenizerState& State() { return g_state; }

TTokenizerResult& TokenizerResult() { return g_state.result; }

bool LoadSource(std::string_view text) {
    if (text.size() > kMaxSourceLength) return false;
    TTokenizerResult& r = g_state.result;
    std::memcpy(r.SourceText.data(), text.data(), text.size());
    r.SourceText[text.size()] = '\0';
    r.SourceLength = static_cast<std::int32_t>(text.size());
    return true;
}

namespace {

std::uint8_t Run(bool directivesOnly, bool useModuleDirective, bool anyVersion, bool frontEndOnly) {
    TokenizerState& s = g_state;
    s.result.Success = 0;
    Reset(s, useModuleDirective);
    try {
        RunPhases(s, directivesOnly, useModuleDirective, anyVersion, frontEndOnly);
    } catch (...) {
        s.result.Success = 0;
        return 0;
    }
    s.result.Success = 1;
    return 1;
}

}  // namespace

std::uint8_t Tokenize(std::uint8_t DirectivesOnly, std::uint8_t UseModuleDirective,
                      std::uint8_t AnyVersion) {
    return Run(DirectivesOnly != 0, UseModuleDirective != 0, AnyVersion != 0, false);
}

std::uint8_t TokenizeFrontEnd(std::uint8_t UseModuleDirective, std::uint8_t AnyVersion) {
    return Run(false, UseModuleDirective != 0, AnyVersion != 0, true);
}

}  // namespace kavrin::tokenizer
