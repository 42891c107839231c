// The robot-side programs must compile with the built-in tokenizer: the motion template and the
// test program as carried, and the motion template filled by the code generator.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "model/action_program.h"
#include "resources/resources.h"
#include "tokenizer/tokenizer.h"

namespace kavrin {
namespace {

constexpr std::uint8_t kUseMask = 3, kUseData = 2, kUseCode = 3;

// The tokenizer of these tests; its result stays readable after ExpectCompiles.
tokenizer::TTokenizer& Tokenizer() {
    static tokenizer::TTokenizer tokenizer;
    return tokenizer;
}

// Tokenizes as the download path does and checks what every robot program must give: success,
// blocks in ascending row order, and every DATA row ahead of every program row.
void ExpectCompiles(const std::string& source) {
    ASSERT_TRUE(Tokenizer().LoadSource(source));
    const tokenizer::TTokenizerResult& r = Tokenizer().Result();
    ASSERT_EQ(Tokenizer().Tokenize(), 1) << r.ErrorMessage << " at offset " << r.ErrorPos << ": "
                                         << source.substr(static_cast<std::size_t>(r.ErrorPos), 40);
    ASSERT_GT(r.BlockCount, 0);
    int lastDataRow = -1, firstCodeRow = 1000, previousRow = -1;
    for (int b = 0; b < r.BlockCount; ++b) {
        const int row = r.Blocks[static_cast<std::size_t>(b)][0] - 128;
        EXPECT_GT(row, previousRow);
        previousRow = row;
        for (int i = 0; i < 16; ++i) {
            const int use = r.EepromUse[static_cast<std::size_t>(row * 16 + i)] & kUseMask;
            if (use == kUseData) lastDataRow = std::max(lastDataRow, row);
            if (use == kUseCode) firstCodeRow = std::min(firstCodeRow, row);
        }
    }
    EXPECT_LT(lastDataRow, firstCodeRow);
}

std::string Resource(int id) {
    const auto bytes = resources::find("DATA", id);
    return std::string(bytes.begin(), bytes.end());
}

std::string Generate(const model::TActionProgram& program, model::TMode mode) {
    codegen::TProgramText text;
    const codegen::TBuildResult built = codegen::BuildCode(program, mode, true, text);
    EXPECT_TRUE(built.ok) << built.message;
    return text.WholeText();
}

void AddStep(model::TActionProgram& p, int list, std::uint8_t kind, int value) {
    const int row = ++p.Count(list);
    model::TBotAction& step = p.Step(list, row);
    step.kind = kind;
    step.value = static_cast<std::int16_t>(value);
    step.sensors = {0, 2, 0};  // Both 0, Left 2, Right 0
}

TEST(TemplatesCompile, MotionTemplateAsLoaded) { ExpectCompiles(Resource(362)); }

TEST(TemplatesCompile, TestProgram) { ExpectCompiles(Resource(364)); }

TEST(TemplatesCompile, EmptyActionProgram) {
    ExpectCompiles(Generate(model::TActionProgram{}, model::TMode::Beginner));
    const auto& image = Tokenizer().Result().EepromImage;
    EXPECT_EQ(image[0], 1);     // Beginner with sensors
    EXPECT_EQ(image[14], 'Q');  // the main list ends at once
}

TEST(TemplatesCompile, WorkedExamplePlacesConfigurationAndLists) {
    model::TActionProgram p;
    AddStep(p, model::kMainList, model::akForward, 20);
    AddStep(p, model::kMainList, model::akTurnRight, 13);
    AddStep(p, model::kMainList, model::akRotateLeft, 15);
    AddStep(p, model::kMainList, model::akStopWait, 10);
    AddStep(p, model::kMainList, model::akGoBack, 1);
    AddStep(p, model::kSensorSetAll, model::akBackward, 10);
    AddStep(p, model::kSensorSetAll, model::akRotateRight, 15);
    AddStep(p, model::kSensorSet2, model::akStopWait, 5);
    ExpectCompiles(Generate(p, model::TMode::Advanced));
    const std::uint8_t expected[] = {2,   0,   100,  100, 27, 0,   32,  0,   33, 0,   36,  0,   37,
                                     0,   'C', 0x22, 'F', 20, 'R', 13,  'E', 15, 'S', 10,  'G', 4,
                                     'Q', 'B', 10,   'I', 15, 'Q', 'Q', 'S', 5,  'Q', 'Q', 'Q'};
    const auto& image = Tokenizer().Result().EepromImage;
    for (std::size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(image[i], expected[i]) << "address " << i;
}

TEST(TemplatesCompile, FullMainList) {
    model::TActionProgram p;
    for (int i = 0; i < model::kMaxSteps; ++i)
        AddStep(p, model::kMainList, static_cast<std::uint8_t>(i % 7), 1 + i % 200);
    ExpectCompiles(Generate(p, model::TMode::Advanced));
}

}  // namespace
}  // namespace kavrin
