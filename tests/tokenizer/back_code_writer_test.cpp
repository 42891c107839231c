#include <gtest/gtest.h>

#include "back_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/code_writer.h"

namespace kavrin::tokenizer {
namespace {

using test::RaisedError;
using test::StreamString;

class CodeWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        r.EepromImage.fill(0);
        r.EepromUse.fill(0);
        r.BlockCount = 0;
        w.ClearDataSpans();
        w.Start(2);
    }
    TTokenizerResult& r = TokenizerResult();
    CodeWriter& w = TestState().writer;
};

TEST_F(CodeWriterTest, FieldsRunFromTheTopByteDownMostSignificantFirst) {
    w.WriteField(3, 0b101);
    w.WriteField(9, 0b1'1000'0001);
    EXPECT_EQ(w.Position(), 12);
    EXPECT_EQ(r.EepromImage[2047], 0b1011'1000);
    EXPECT_EQ(r.EepromImage[2046], 0b0001'0000);
    EXPECT_EQ(r.EepromUse[2047], kUseCode);
    EXPECT_EQ(r.EepromUse[2046], kUseCode);
    EXPECT_EQ(r.EepromUse[2045], kUseFree);
}

TEST_F(CodeWriterTest, AddressIsLowThreeBitsThenEightths) {
    w.WriteAddress(8 * 100 + 5);
    EXPECT_EQ(StreamString(r, 0, 14),
              "101"
              "00001100100");
}

TEST_F(CodeWriterTest, TokensAreTranslatedPerModule) {
    const std::uint8_t expected[5][6] = {{26, 27, 28, 29, 30, 31},
                                         {29, 26, 27, 28, 30, 31},
                                         {29, 26, 27, 28, 30, 31},
                                         {31, 26, 27, 28, 29, 30},
                                         {31, 26, 27, 28, 29, 30}};
    for (std::uint8_t m = 2; m <= 6; ++m)
        for (std::uint8_t c = 26; c <= 31; ++c)
            EXPECT_EQ(TranslateToken(m, c), expected[m - 2][c - 26]) << int(m) << " " << int(c);
    EXPECT_EQ(TranslateToken(5, 9), 9);
    EXPECT_EQ(TranslateToken(3, 63), 63);
    w.Start(5);
    w.WriteToken(26);
    EXPECT_EQ(StreamString(r, 0, 7), "0011111");
}

// END alone: slot 0 = 14, then the statement's END and the closing END.
TEST_F(CodeWriterTest, EndOnlyProgramLayoutAndItsSingleBlock) {
    const int slot0 = w.Reserve();
    w.Patch(slot0, static_cast<unsigned>(w.Position()));
    w.WriteToken(0);
    w.WriteToken(0);
    EXPECT_EQ(w.Position(), 28);
    EXPECT_EQ(StreamString(r, 0, 28),
              "110"
              "00000000001"
              "0000000"
              "0000000");
    EXPECT_EQ(r.EepromUse[2044], kUseCode);
    EXPECT_EQ(r.EepromUse[2043], kUseFree);
    w.BuildBlocks();
    ASSERT_EQ(r.BlockCount, 1);
    const TDownloadBlock& b = r.Blocks[0];
    EXPECT_EQ(b[0], 255);
    EXPECT_EQ(b[15], 4);
    EXPECT_EQ(b[16], 0xC0);
    EXPECT_EQ(b[17], (256 - (255 + 4 + 0xC0) % 256) % 256);
    EXPECT_EQ(r.EepromUse[2047], kUseCode | kUseSent);
    EXPECT_EQ(r.EepromUse[2032], kUseFree | kUseSent);
}

TEST_F(CodeWriterTest, ChecksumMakesTheBlockSumToZero) {
    r.EepromImage[0] = 172;  // 128 + 172 = 300, 44 modulo 256
    r.EepromUse[0] = kUseData;
    w.BuildBlocks();
    ASSERT_EQ(r.BlockCount, 1);
    EXPECT_EQ(r.Blocks[0][0], 128);
    EXPECT_EQ(r.Blocks[0][17], 212);
}

TEST_F(CodeWriterTest, RowsOfReservedBytesOnlyAreNotSentButMixedRowsAreWhole) {
    r.EepromUse[16] = kUseReserved;  // row 1: reserved only
    r.EepromUse[32] = kUseReserved;  // row 2: one value among reserved bytes
    r.EepromUse[33] = kUseData;
    r.EepromImage[33] = 7;
    r.EepromUse[34] = kUseReserved;
    w.BuildBlocks();
    ASSERT_EQ(r.BlockCount, 1);
    EXPECT_EQ(r.Blocks[0][0], 130);
    EXPECT_EQ(r.Blocks[0][1], 0);
    EXPECT_EQ(r.Blocks[0][2], 7);
    EXPECT_EQ(r.Blocks[0][3], 0);
    EXPECT_EQ(r.EepromUse[16], kUseReserved);  // not sent, so not marked
}

TEST_F(CodeWriterTest, BlocksComeInAddressOrder) {
    w.WriteToken(0);
    r.EepromUse[100] = kUseData;
    w.BuildBlocks();
    ASSERT_EQ(r.BlockCount, 2);
    EXPECT_EQ(r.Blocks[0][0], 128 + 6);
    EXPECT_EQ(r.Blocks[1][0], 255);
}

TEST_F(CodeWriterTest, CodeReachingDataRaises124AtTheDataItem) {
    r.EepromUse[2046] = kUseReserved;
    w.RecordData(2046, 40, 3);
    w.WriteField(8, 0xFF);
    EXPECT_EQ(RaisedError([&] { w.WriteField(1, 1); }), 124);
    EXPECT_EQ(r.ErrorPos, 40);
    EXPECT_EQ(r.ErrorLength, 3);
    EXPECT_EQ(r.EepromImage[2046], 0);  // nothing written into the DATA byte
}

TEST_F(CodeWriterTest, StreamPastTheWholeEepromRaises127) {
    for (int i = 0; i < kMaxCodeBits / 16; ++i) w.WriteField(16, 0xFFFF);
    EXPECT_EQ(w.Position(), kMaxCodeBits);
    EXPECT_EQ(RaisedError([&] { w.WriteField(1, 0); }), 127);
    EXPECT_EQ(RaisedError([&] { w.Reserve(); }), 127);
    EXPECT_EQ(r.EepromImage[0], 0xFF);
}

TEST_F(CodeWriterTest, PatchFillsAReservedFieldAndKeepsThePosition) {
    w.WriteField(2, 3);
    const int field = w.Reserve();
    w.WriteToken(9);
    w.Patch(field, 1234);
    EXPECT_EQ(w.Position(), 23);
    EXPECT_EQ(StreamString(r, 2, 14),
              "010"
              "00010011010");
    EXPECT_EQ(StreamString(r, 16, 7), "0001001");
}

TEST_F(CodeWriterTest, FixupListHolds1024EntriesAndRefusesMore) {
    for (int i = 0; i < kMaxFixups; ++i) w.AddFixup(static_cast<std::uint16_t>(i), i);
    EXPECT_EQ(w.FixupCount(), kMaxFixups);
    EXPECT_EQ(RaisedError([&] { w.AddFixup(1, 1); }), 127);
    EXPECT_EQ(w.FixupCount(), kMaxFixups);
}

}  // namespace
}  // namespace kavrin::tokenizer
