#include "tokenizer/symbol_table.h"

#include <algorithm>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {

void SymbolTable::Clear() {
    heads_.fill(-1);
    count_ = 0;
}

int SymbolTable::Enter(std::string_view name, std::uint8_t kind, std::uint16_t value) {
    if (count_ >= kMaxSymbols) RaiseError(err::kSymbolTableFull);
    name = name.substr(0, kMaxNameLength);
    const int index = count_++;
    TSymbol& s = records_[static_cast<std::size_t>(index)];
    s.NameLength = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), s.Name.begin());
    s.Kind = kind;
    s.Value = value;
    s.Next = -1;
    const std::uint32_t hash = Hash(name);
    hashes_[static_cast<std::size_t>(index)] = hash;
    const auto chain = static_cast<std::size_t>(ChainOf(hash));
    if (heads_[chain] == -1) {
        heads_[chain] = index;
    } else {
        records_[static_cast<std::size_t>(tails_[chain])].Next = index;
    }
    tails_[chain] = index;
    return index;
}

void SymbolTable::SetValue(int index, std::uint16_t value) {
    if (index >= 0 && index < count_) records_[static_cast<std::size_t>(index)].Value = value;
}

void SymbolTable::CopyFrom(const SymbolTable& other) {
    const auto n = static_cast<std::size_t>(other.count_);
    std::copy_n(other.records_.begin(), n, records_.begin());
    std::copy_n(other.hashes_.begin(), n, hashes_.begin());
    heads_ = other.heads_;
    tails_ = other.tails_;
    count_ = other.count_;
}

}  // namespace kavrin::tokenizer
