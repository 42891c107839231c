#pragma once
// Compiling small programs with the tokenizer and running them on the processor.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sim/processor.h"
#include "sim/recording_body.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::sim::test {

// The tokenizer of these tests; its result stays readable after CompileSource.
inline tokenizer::TTokenizer& TestTokenizer() {
    static tokenizer::TTokenizer tokenizer;
    return tokenizer;
}

// The image of a whole source text; a failed compilation fails the test.
inline Eeprom CompileSource(std::string_view source) {
    const std::string_view body = source;
    Eeprom image{};
    const tokenizer::TTokenizerResult& r = TestTokenizer().Result();
    EXPECT_TRUE(TestTokenizer().LoadSource(source));
    if (TestTokenizer().Tokenize() != 1) {
        ADD_FAILURE() << "does not compile: " << r.ErrorMessage << "\n" << body;
        return image;
    }
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), image.begin());
    return image;
}

// The image of a KR2 program in 2.5 syntax.
inline Eeprom CompileImage(std::string_view body) {
    return CompileSource(std::string("'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n") + std::string(body));
}

inline std::string Text(const std::vector<HostByte>& bytes) {
    std::string s;
    for (const HostByte& b : bytes) s += static_cast<char>(b.byte);
    return s;
}

// A processor with a recording body, loaded with a program.
struct Rig {
    RecordingBody body;
    Processor cpu{body};

    explicit Rig(std::string_view program) { cpu.Load(CompileImage(program)); }

    // Runs for that many virtual seconds and returns what the program sent to the computer.
    std::string Run(double seconds, std::string_view input = {}) {
        for (char c : input) cpu.FeedHost(static_cast<std::uint8_t>(c), cpu.Now());
        cpu.Run(cpu.Now() + static_cast<VirtualTime>(seconds * kMicrosPerSecond));
        return Text(cpu.TakeHostOutput());
    }
};

// What the program prints when run for a second (most tests stop much sooner at END).
inline std::string Output(std::string_view program, std::string_view input = {}) {
    Rig rig(program);
    return rig.Run(1.0, input);
}

}  // namespace kavrin::sim::test
