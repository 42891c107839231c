#pragma once
// Helpers shared by the back-end tests: reading stream bits back and catching numbered errors.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_tokenizer.h"
#include "tokenizer/code_writer.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer::test {

// Stream bit p of the image, as the code writer places it.
inline int StreamBit(const TTokenizerResult& r, int p) {
    const auto address = kEepromSize - 1 - static_cast<std::size_t>(p / 8);
    return (r.EepromImage[address] >> (7 - p % 8)) & 1;
}

// n stream bits from position p, most significant first.
inline unsigned StreamBits(const TTokenizerResult& r, int p, int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = v * 2u + static_cast<unsigned>(StreamBit(r, p + i));
    return v;
}

// The stream from position p as a string of '0' and '1'.
inline std::string StreamString(const TTokenizerResult& r, int p, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + StreamBit(r, p + i));
    return s;
}

// The number of the error left in the result record (0 when there is none).
inline int ErrorNumber(const TTokenizerResult& r) {
    return r.ErrorMessage ? std::atoi(r.ErrorMessage) : 0;
}

using tokenizer::RaisedError;

}  // namespace kavrin::tokenizer::test

namespace kavrin::tokenizer::test {

// Expected stream pieces, written as strings of '0' and '1'.
inline std::string Bits(unsigned value, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>('0' + ((value >> i) & 1u));
    return s;
}
inline std::string Item(unsigned item) { return Bits(item, 6); }
// k(n): the constant item without a leading bit; K(n) with it.
inline std::string k(unsigned v) {
    int h = 0;
    while ((v >> (h + 1)) != 0) ++h;
    std::string s = Item(32u + static_cast<unsigned>(h));
    if (v == 0) return s + "1";
    if ((v & (v - 1)) == 0) return s + "0";
    return s + "1" + Bits(v, h);
}
inline std::string K(unsigned v) { return "1" + k(v); }
inline std::string O(unsigned op) { return "1" + Item(op); }
inline std::string T(unsigned code) { return Bits(code, 7); }
inline std::string A(unsigned address) { return Bits(address % 8, 3) + Bits(address / 8, 11); }
// Variable items: size 0 bit .. 3 word.
inline std::string Var(bool write, unsigned size, unsigned address) {
    static const int kAddressBits[4] = {8, 6, 5, 4};
    return Item(48u + (write ? 8u : 0u) + size) + Bits(address, kAddressBits[size & 3]);
}
// R(v) with the leading bit, W(v) without.
inline std::string R(unsigned size, unsigned address) { return "1" + Var(false, size, address); }
inline std::string W(unsigned size, unsigned address) { return Var(true, size, address); }

inline constexpr const char* kKR2v25 = "'{$KORBLE KR2}\n'{$VELIC 2.5}\n";
inline constexpr const char* kKR2v20 = "'{$KORBLE KR2}\n";
inline constexpr const char* kKR4v25 = "'{$KORBLE KR4}\n'{$VELIC 2.5}\n";

// Tokenizes header + body; returns the error number, 0 on success.
inline int Compile(const std::string& body, const char* header = kKR2v25) {
    if (!LoadSource(std::string(header) + body)) return -1;
    return Tokenize() ? 0 : ErrorNumber(TokenizerResult());
}

// The first program statement starts behind slot 0 when there is no GOSUB.
inline constexpr int kCodeStart = 14;

// The stream of a program without GOSUB from its first statement, n bits.
inline std::string Code(int n) { return StreamString(TokenizerResult(), kCodeStart, n); }

// The source text of the element the last error points at.
inline std::string ErrorText() {
    const TTokenizerResult& r = TokenizerResult();
    return std::string(r.SourceText.data() + r.ErrorPos, static_cast<std::size_t>(r.ErrorLength));
}

// Compiles body and checks the program's code from its first statement, as long as `expected`.
inline void ExpectCode(const std::string& body, const std::string& expected,
                       const char* header = kKR2v25) {
    ASSERT_EQ(Compile(body, header), 0) << TokenizerResult().ErrorMessage << " at " << ErrorText();
    EXPECT_EQ(Code(static_cast<int>(expected.size())), expected) << body;
}

}  // namespace kavrin::tokenizer::test
