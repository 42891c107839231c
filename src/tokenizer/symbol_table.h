#pragma once
// The symbol table: reserved words, directive symbols and every name the program declares,
// found through 1,024 hash chains. The same structure, with its own storage, is the table of
// declared names that the lister fills so that later phases know which undefined names the
// program declares somewhere.

#include <array>
#include <cstdint>
#include <string_view>

namespace kavrin::tokenizer {

inline constexpr int kMaxNameLength = 32;

// Names are ASCII: letters, digits and "_". The C library's classes follow the process locale
// (a GUI sets the user's), under which bytes above 127 could pass for letters and change case,
// so a program would compile differently from one machine to the next.
inline constexpr bool IsAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline constexpr bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline constexpr bool IsNameStart(unsigned char c) { return IsAsciiLetter(c) || c == '_'; }
inline constexpr bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsAsciiDigit(c); }
// The value of a hexadecimal digit, or -1 for any other character.
inline constexpr int HexDigitValue(unsigned char c) {
    if (IsAsciiDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
inline constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline constexpr int kMaxSymbols = 1024;
inline constexpr int kHashChains = 1024;

struct TSymbol {
    std::uint8_t NameLength = 0;
    std::array<char, kMaxNameLength> Name{};  // upper case
    std::uint8_t Kind = 0;
    std::uint16_t Value = 0;
    std::int32_t Next = -1;  // next record of the same chain, -1 at the end

    std::string_view name() const { return {Name.data(), NameLength}; }
};

class SymbolTable {
public:
    void Clear();
    // Appends a record at the tail of its chain; 128 when the table is full. Duplicates are not
    // refused: a lookup finds the oldest. Names longer than 32 characters are cut.
    int Enter(std::string_view name, std::uint8_t kind, std::uint16_t value);
    // Record index of the name, -1 when absent.
    int Find(std::string_view name) const { return Find(name, Hash(name)); }
    // The same, for a caller that has the name's hash already.
    int Find(std::string_view name, std::uint32_t hash) const {
        for (std::int32_t i = heads_[static_cast<std::size_t>(ChainOf(hash))]; i != -1;
             i = records_[static_cast<std::size_t>(i)].Next) {
            const auto at = static_cast<std::size_t>(i);
            if (hashes_[at] == hash && SameName(records_[at], name)) return i;
        }
        return -1;
    }
    void SetValue(int index, std::uint16_t value);
    // Makes this table a copy of `other`: its records, chains and count.
    void CopyFrom(const SymbolTable& other);
    const TSymbol& At(int index) const { return records_[static_cast<std::size_t>(index)]; }
    int Count() const { return count_; }

    // A name's hash; its chain is ChainOf(hash). It mixes every character into every bit, so
    // that names alike in all but an order or a digit (C1..C400) still spread over the chains.
    static constexpr std::uint32_t Hash(std::string_view name) {
        std::uint32_t h = kHashSeed;
        for (char c : name) h = HashStep(h, c);
        return h;
    }
    static constexpr std::uint32_t HashStep(std::uint32_t h, char c) {
        return (h ^ static_cast<unsigned char>(c)) * kHashPrime;
    }
    static constexpr int ChainOf(std::uint32_t hash) {
        return static_cast<int>((hash ^ (hash >> 10) ^ (hash >> 20)) % kHashChains);
    }

private:
    // Names are a few characters long: comparing them in place beats a library call. A name
    // longer than any record's never matches.
    static bool SameName(const TSymbol& record, std::string_view name) {
        if (record.NameLength != name.size()) return false;
        for (std::size_t k = 0; k < name.size(); ++k) {
            if (record.Name[k] != name[k]) return false;
        }
        return true;
    }

    static constexpr std::uint32_t kHashSeed = 2166136261u;  // 32-bit FNV-1a
    static constexpr std::uint32_t kHashPrime = 16777619u;

    std::array<TSymbol, kMaxSymbols> records_{};
    // Beside the chains: each record's whole hash, which settles almost every mismatch before
    // the names are compared, and each chain's last record, so that appending walks nothing.
    std::array<std::uint32_t, kMaxSymbols> hashes_{};
    std::array<std::int32_t, kHashChains> heads_{};
    std::array<std::int32_t, kHashChains> tails_{};
    int count_ = 0;
};

// Enters the nine directive symbols ($KORBLE, $PORT, $VELIC, KR1..KR6) into an empty table.
void EnterDirectiveSymbols(SymbolTable& table);
// Enters the main list and the masked words that the module (2..6) and version carry.
void EnterReservedWords(SymbolTable& table, int module, bool version25);

// EnterReservedWords for a table that holds the directive symbols and nothing else, as every
// compilation's does when its words are entered. The table that results is kept, and the next
// compilation for the same module and version gets a copy of it (with its own directive
// values) instead of entering some 400 words again.
class ReservedWords {
public:
    void EnterInto(SymbolTable& table, int module, bool version25);

private:
    SymbolTable kept_;
    int module_ = 0;  // 0 while nothing is kept
    bool version25_ = false;
};

}  // namespace kavrin::tokenizer
