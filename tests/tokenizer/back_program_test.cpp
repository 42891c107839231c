#include <gtest/gtest.h>

#include <string>

#include "back_test_util.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using test::ErrorNumber;
using test::StreamString;

// Tokenizes a KR2 program (2.5 syntax unless told otherwise); returns the error number, 0 on
// success.
int Compile(const std::string& body, const char* header = "'{$KORBLE KR2}\n'{$VELIC 2.5}\n") {
    EXPECT_TRUE(LoadSource(std::string(header) + body));
    const std::uint8_t ok = Tokenize(0, 1, 0);
    return ok ? 0 : ErrorNumber(TokenizerResult());
}

TEST(Program, EndOnly) {
    ASSERT_EQ(Compile("END"), 0) << TokenizerResult().ErrorMessage;
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(StreamString(r, 0, 28), "110" "00000000001" "0000000" "0000000");
    ASSERT_EQ(r.BlockCount, 1);
    EXPECT_EQ(r.Blocks[0][0], 255);
}

}  // namespace
}  // namespace kavrin::tokenizer
