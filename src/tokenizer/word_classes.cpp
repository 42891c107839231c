#include "tokenizer/word_classes.h"

#include <memory>
#include <string>

#include "tokenizer/elements.h"
#include "tokenizer/symbol_table.h"

namespace kavrin::tokenizer {

namespace {

constexpr int kWidestModule = 6;

const SymbolTable& WordTable() {
    static const std::unique_ptr<SymbolTable> table = [] {
        auto t = std::make_unique<SymbolTable>();
        t->Clear();
        EnterDirectiveSymbols(*t);
        EnterReservedWords(*t, kWidestModule, true);
        return t;
    }();
    return *table;
}

TWordClass ClassOfKind(std::uint8_t kind) {
    switch (kind) {
        case ekInstruction:
            return TWordClass::Instruction;
        case ekCon:
        case ekVar:
        case ekPin:
        case ekData:
        case ekSize:
            return TWordClass::Declaration;
        case ekComparison:
        case ekBinaryOp:
        case ekUnaryOp:
        case ekLogicalOp:
        case ekNot:
            return TWordClass::Operator;
        case ekVariable:
        case ekModifier:
        case ekInputFormat:
        case ekFormatter:
        case ekConstant:
            return TWordClass::Predefined;
        case ekDirectiveWord:
        case ekModuleName:
        case ekCondDirective:
        case ekCondThen:
            return TWordClass::Directive;
        case ekTo:
        case ekStep:
        case ekThen:
        case ekWhile:
        case ekUntil:
        case ekAsc:
        case ekStr:
        case ekRep:
        case ekSkip:
        case ekWait:
        case ekWaitStr:
        case ekSpStr:
            // Words that only occur as part of an instruction read like one.
            return TWordClass::Instruction;
        default:
            return TWordClass::None;  // punctuation
    }
}

}  // namespace

TWordClass ClassifyWord(std::string_view word) {
    if (word.empty() || word.size() > static_cast<std::size_t>(kMaxNameLength)) {
        return TWordClass::None;
    }
    std::string upper(word);
    for (char& c : upper) c = UpperAscii(c);
    const SymbolTable& table = WordTable();
    const int index = table.Find(upper);
    return index < 0 ? TWordClass::None : ClassOfKind(table.At(index).Kind);
}

}  // namespace kavrin::tokenizer
