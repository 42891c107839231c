#pragma once
// Small action programs written as .kvn files for the judge's tests, and folders for them.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "model/action_program.h"
#include "model/kvn_file.h"

namespace kavrin::judge::test {

struct StepSpec {
    std::uint8_t kind;
    std::int16_t value;
};

inline model::TActionProgram ProgramOf(std::initializer_list<StepSpec> main) {
    model::TActionProgram program;
    int k = 0;
    for (const StepSpec& s : main)
        program.Step(model::kMainList, ++k) = {s.kind, s.value, {0, 0, 0}};
    program.Count(model::kMainList) = k;
    return program;
}

inline void Save(const std::filesystem::path& path, const model::TActionProgram& program,
                 model::TMode mode = model::TMode::Beginner) {
    const model::TFileResult saved = model::SaveActionFile(path, program, mode);
    ASSERT_TRUE(saved.ok) << saved.message;
}

// A fresh folder under the test's temporary folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("kavrin-judge-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Parks in the bay: forward 7 s, wait 2 s. Ten seconds forward runs into its back wall.
inline model::TActionProgram Parks() {
    return ProgramOf({{model::akForward, 70}, {model::akStopWait, 20}});
}
inline model::TActionProgram HitsTheWall() {
    return ProgramOf({{model::akForward, 100}, {model::akStopWait, 20}});
}

}  // namespace kavrin::judge::test
