// kavrin-resgen, run as the build runs it: the byte forms it produces from each kind of source
// and the sources it refuses.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ResgenTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kavrin-resgen-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& relative, const std::string& content) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative, std::ios::binary) << content;
    }

    // Runs the generator over the folders; the generated source, or "" when it failed.
    std::string Run(const std::vector<std::string>& folders = {"res"}) {
        const fs::path out = root_ / "out.cpp";
        std::string cmd = std::string("'") + KAVRIN_RESGEN + "'";
        for (const std::string& folder : folders) {
            cmd += " '" + (root_ / folder).string() + "'";
        }
        cmd += " '" + out.string() + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) {
            return {};
        }
        std::ifstream in(out, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The first line of bytes of one resource in the generated source ("" if not there).
    static std::string BytesOf(const std::string& code, const std::string& resource) {
        const std::size_t header = code.find("// " + resource + ",");
        if (header == std::string::npos) {
            return {};
        }
        const std::size_t first = code.find("{\n    ", header) + 6;
        return code.substr(first, code.find('\n', first) - first);
    }

    fs::path root_;
};

TEST_F(ResgenTest, ProducesTheStoredByteForms) {
    Write("res/DATA/5.velic", "a\tb\nc\r\nd\n");  // LF and CR LF in, CR LF out, no final
    Write("res/DATA/6.u16", "# comment\n161 0x1234\n");
    Write("res/DATA/7.bin", std::string("\x00\xFF\n", 3));
    Write("res/DATA/layout.u16tab", "1 2 3  # first\n\n91 65535\n");
    Write("res/WSDATA/strings.tsv", "# table\n10\t\" \\\"\\\\ \"\n11\t\"\xCE\x9D\"\n");
    Write("res/WSDATA/.hidden", "ignored");
    Write("res/README.md", "notes beside the folders are ignored");
    const std::string code = Run();
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(BytesOf(code, "DATA 5"), "97, 9, 98, 13, 10, 99, 13, 10, 100,");
    EXPECT_EQ(BytesOf(code, "DATA 6"), "161, 0, 52, 18,");
    EXPECT_EQ(BytesOf(code, "DATA 7"), "0, 255, 10,");
    EXPECT_EQ(BytesOf(code, "DATA 1"), "2, 0, 3, 0,");
    EXPECT_EQ(BytesOf(code, "DATA 91"), "255, 255,");
    // Blank, quote, backslash, blank: four UTF-16 units; a Greek letter: one.
    EXPECT_EQ(BytesOf(code, "WSDATA 10"), "32, 0, 34, 0, 92, 0, 32, 0,");
    EXPECT_EQ(BytesOf(code, "WSDATA 11"), "157, 3,");
    // Sorted by type, then number, for the lookup's binary search.
    EXPECT_LT(code.find("{\"DATA\", 1,"), code.find("{\"DATA\", 5,"));
    EXPECT_LT(code.find("{\"DATA\", 91,"), code.find("{\"WSDATA\", 10,"));
}

// The build adds the pictures it draws as a second folder: both are embedded, and a resource
// that both define is an error, not a silent choice.
TEST_F(ResgenTest, MergesGeneratedFolders) {
    Write("res/DATA/5.bin", "a");
    Write("drawn/GIF/194.gif", "GIF89a");
    Write("drawn/.drawn", "");
    const std::string code = Run({"res", "drawn"});
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(BytesOf(code, "DATA 5"), "97,");
    EXPECT_EQ(BytesOf(code, "GIF 194"), "71, 73, 70, 56, 57, 97,");

    Write("drawn/DATA/5.bin", "b");
    EXPECT_EQ(Run({"res", "drawn"}), "");
    EXPECT_EQ(Run({"res", "missing"}), "");
}

// A language's own forms are named with its code; they sit beside the base forms of the same
// numbers, and only a second definition in the same language is an error.
TEST_F(ResgenTest, StoresLanguageFormsBesideTheBaseForms) {
    Write("res/WSDATA/strings.tsv", "10\t\"\xCE\x9D\"\n");
    Write("res/WSDATA/strings_en.tsv", "10\t\"N\"\n");
    Write("res/DATA/image_layouts.u16tab", "1 2\n");  // not a language: "_layouts"
    Write("drawn/GIF/222.gif", "G");
    Write("drawn/GIF/222_en.gif", "E");
    const std::string code = Run({"res", "drawn"});
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(BytesOf(code, "WSDATA 10"), "157, 3,");
    EXPECT_EQ(BytesOf(code, "WSDATA 10 en"), "78, 0,");
    EXPECT_EQ(BytesOf(code, "GIF 222 en"), "69,");
    EXPECT_EQ(BytesOf(code, "DATA 1"), "2, 0,");
    // The base form first, then the language's, as the lookup expects.
    EXPECT_LT(code.find("{\"GIF\", 222, \"\","), code.find("{\"GIF\", 222, \"en\","));
    EXPECT_LT(code.find("{\"GIF\", 222, \"en\","), code.find("{\"WSDATA\", 10, \"\","));

    Write("drawn/WSDATA/more_en.tsv", "10\t\"M\"\n");
    EXPECT_EQ(Run({"res", "drawn"}), "");
}

TEST_F(ResgenTest, RefusesMalformedSources) {
    const std::pair<const char*, std::string> bad[] = {
        {"res/DATA/1.velic", "caf\xC3\xA9\n"},  // not single-byte printable
        {"res/DATA/1.u16", "65536\n"},          // not 16-bit
        {"res/DATA/x.velic", "no number\n"},    // single resources are named by number
        {"res/DATA/1.doc", "?"},                // unknown kind
        {"res/WSDATA/s.tsv", "1\tno quotes\n"},
        {"res/WSDATA/s.tsv", "1\t\"a\"b\"\n"},
        {"res/WSDATA/s.tsv", "1\t\"\xFF\"\n"},         // not UTF-8
        {"res/WSDATA/s.tsv", "1\t\"a\"\n1\t\"b\"\n"},  // defined twice
        {"res/lower/1.txt", "x"},                      // type folders are upper case
    };
    for (const auto& [path, content] : bad) {
        fs::remove_all(root_ / "res");
        Write(path, content);
        EXPECT_EQ(Run(), "") << path << ": " << content;
    }
}

}  // namespace
