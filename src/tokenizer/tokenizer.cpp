// The frame of the tokenizer: the one entry point, the order of its phases and the catching of
// every failure. The phases live in their own files; the back end (declarations, statements,
// code, blocks) is reached through back_end.h.

#include "tokenizer/tokenizer.h"

#include <array>
#include <cstring>
#include <exception>

#include "tokenizer/back_end.h"
#include "tokenizer/declarations.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/front_end.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

namespace {

constexpr std::uint8_t kHighestModule = 6;

// Clears what a run rebuilds; the module survives unless the text is to name it.
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
    r.CodeBits = 0;
    r.StatementCount = 0;
    if (useModuleDirective) r.ModuleKind = 0;
    s.syntax25 = false;
    s.elementCount = 0;
    s.readIndex = 0;
    s.lastRead = -1;
    s.blockCount = 0;
    s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
    s.condIfDepth = s.condSelectDepth = 0;
    s.expr.opTop = s.expr.opBase = s.expr.levels = s.expr.depth = 0;
    s.expr.indexNesting = 0;
}

// A KR1 program: its own compiler takes over from the common front of the run and copies its
// image, symbols and debug descriptions back into the shared record.
void CompileKr1(TokenizerState& s) { RunKr1Phase(s.kr1, s.result, s.symbols); }

// A KR2..KR6 compilation needs its module and gets the words it carries.
void PrepareModule(TokenizerState& s) {
    TTokenizerResult& r = s.result;
    if (r.ModuleKind == 0 || r.ModuleKind > kHighestModule)
        RaiseErrorAt(err::kUnknownTargetModule, 0, 0);
    s.reservedWords.EnterInto(s.symbols, r.ModuleKind, s.syntax25);
}

void RunPhases(TokenizerState& s, bool directivesOnly, bool useModuleDirective, bool anyVersion,
               bool frontEndOnly) {
    TTokenizerResult& r = s.result;
    // The record may have been filled by a caller; never trust its length.
    if (r.SourceLength < 0 || r.SourceLength > static_cast<std::int32_t>(kMaxSourceLength)) {
        RaiseErrorAt(err::kTooManyElements, 0, 0);
    }

    s.symbols.Clear();
    s.declared.Clear();
    EnterDirectiveSymbols(s.symbols);

    ListDirectives(s);
    CopySourceToKr1(s.kr1, r);
    ReadDirectives(s, useModuleDirective, anyVersion);

    if (!directivesOnly) {
        if (r.ModuleKind == kModuleKr1) {
            CompileKr1(s);
        } else {
            PrepareModule(s);
            ListElements(s);
            ResolveConditionals(s);
            if (frontEndOnly) return;
            s.blockCount = 0;
            s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
            CompileDeclarations(s);
            CompileProgram(s);
        }
    }

    // Also after a directives-only run: a run that succeeds leaves no error span behind.
    r.ErrorPos = 0;
    r.ErrorLength = 0;
    if (r.BlockCount == 0 && !directivesOnly) RaiseError(err::kNothingToTokenize);
}

// False when the run fails; its error is in the record then.
bool RunGuarded(TokenizerState& s, const TokenizeOptions& options, bool frontEndOnly) {
    try {
        RunPhases(s, options.directivesOnly, options.useModuleDirective, options.anyVersion,
                  frontEndOnly);
    } catch (const ETokenizeError& e) {
        RecordError(s.result, e);
        return false;
    }
#ifdef NDEBUG
    // Anything else is a fault of the tokenizer itself. A debug build lets it surface where it
    // happened; a release build fails the run and says what was caught.
    catch (const std::exception& e) {
        RecordInternalError(s.result, e.what());
        return false;
    } catch (...) {
        RecordInternalError(s.result, "internal error");
        return false;
    }
#endif
    return true;
}

std::uint8_t Run(TokenizerState& s, const TokenizeOptions& options, bool frontEndOnly) {
    s.result.Success = 0;
    Reset(s, options.useModuleDirective);
    if (!RunGuarded(s, options, frontEndOnly)) {
        // A phase may have claimed success on its own (the KR1 compiler does); the run did not
        // succeed. And a listing of half a program would mislead.
        s.result.Success = 0;
        s.result.CodeBits = 0;
        s.result.StatementCount = 0;
        return 0;
    }
    s.result.Success = 1;
    return 1;
}

}  // namespace

TTokenizer::TTokenizer() : state_(std::make_unique<TokenizerState>()) {}
TTokenizer::~TTokenizer() = default;

TTokenizerResult& TTokenizer::Result() { return state_->result; }
const TTokenizerResult& TTokenizer::Result() const { return state_->result; }

std::optional<wire::VariableLocation> TTokenizer::FindVariable(std::string_view name) const {
    if (state_->result.Success != 1 || name.size() > static_cast<std::size_t>(kMaxNameLength))
        return std::nullopt;
    std::array<char, kMaxNameLength> upper{};
    for (std::size_t i = 0; i < name.size(); ++i) upper[i] = UpperAscii(name[i]);
    const int index = state_->symbols.Find({upper.data(), name.size()});
    if (index < 0) return std::nullopt;
    const TSymbol& symbol = state_->symbols.At(index);
    if (symbol.Kind != ekVariable) return std::nullopt;
    return wire::VariableLocation{static_cast<std::uint8_t>(VariableSize(symbol.Value)),
                                  static_cast<std::uint8_t>(VariableAddress(symbol.Value))};
}

bool TTokenizer::LoadSource(std::string_view text) {
    if (text.size() > kMaxSourceLength) return false;
    TTokenizerResult& r = state_->result;
    std::memcpy(r.SourceText.data(), text.data(), text.size());
    r.SourceText[text.size()] = '\0';
    r.SourceLength = static_cast<std::int32_t>(text.size());
    return true;
}

std::uint8_t TTokenizer::Tokenize(const TokenizeOptions& options) {
    return Run(*state_, options, false);
}

std::uint8_t TTokenizer::TokenizeFrontEnd(const TokenizeOptions& options) {
    TokenizeOptions full = options;
    full.directivesOnly = false;
    return Run(*state_, full, true);
}

}  // namespace kavrin::tokenizer
