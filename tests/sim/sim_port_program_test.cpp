// The program downloaded to the SIM port runs there: the servo test program answers its
// exchange through the port, and the EEPROM file keeps the image for the next run.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "resources/resources.h"
#include "sim/eeprom_store.h"
#include "sim/virtual_robot.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

using namespace test;

std::string TempFile(const std::string& name) {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("kavrin_sim_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

// Reset, identification and the blocks of the tokenizer's last result, as the link sends them.
void Download(link::SerialPort& port) {
    port.SetBreak(true);
    port.SetBreak(false);
    for (const char c : std::string("KR2")) {
        const std::uint8_t b = static_cast<std::uint8_t>(c);
        port.Write(std::span(&b, 1), 1000);
    }
    const std::uint8_t zero = 0;
    port.Write(std::span(&zero, 1), 1000);
    const auto& r = TestTokenizer().Result();
    for (int i = 0; i < r.BlockCount; ++i) port.Write(r.Blocks[static_cast<std::size_t>(i)], 1000);
    port.Write(std::span(&zero, 1), 1000);
    port.Drain();
}

TEST(SimPort, TheTestProgramAnswersItsExchange) {
    const std::string file = TempFile("exchange.eeprom");
    std::filesystem::remove(file);
    auto robot = std::make_shared<VirtualRobot>();
    robot->Program().SetEepromFile(file);
    const auto source = resources::find(resources::kDataType, resources::kTestProgramId);
    CompileSource(std::string(source.begin(), source.end()));
    link::OpenResult opened = robot->Open();
    ASSERT_TRUE(opened.port);
    link::SerialPort& port = *opened.port;
    Download(port);
    ASSERT_TRUE(robot->Program().Running());

    for (int round = 0; round < 3; ++round) {
        port.Drain();
        const std::uint8_t message[] = {0xEE, 0x02, 0x52, 0x03};
        ASSERT_TRUE(port.Write(message, 10));
        std::uint8_t echo[4] = {};
        ASSERT_EQ(port.Read(echo, 100), 4);
        EXPECT_EQ(echo[0], 0xEE);
        // The recording body reads every input low: all four sensors fire.
        EXPECT_EQ(port.ReadByte(200), 0x0F);
        EXPECT_EQ(port.ReadByte(10), -1);
    }

    // The image went to the file and comes back from it.
    StoredEeprom stored{};
    ASSERT_TRUE(LoadEepromFile(file, stored));
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), robot->Program().Image().begin()));
    ModuleProgram later;
    later.SetEepromFile(file);
    EXPECT_EQ(later.Image(), robot->Program().Image());
}

TEST(EepromFile, MissingOrDamagedFilesAreEmptyAndWritesReplaceWhole) {
    const std::string file = TempFile("store.eeprom");
    std::filesystem::remove(file);
    StoredEeprom image{};
    image.fill(7);
    EXPECT_FALSE(LoadEepromFile(file, image));
    EXPECT_EQ(image, StoredEeprom{});

    image[5] = 42;
    std::string error;
    ASSERT_TRUE(SaveEepromFile(file, image, error)) << error;
    StoredEeprom back{};
    ASSERT_TRUE(LoadEepromFile(file, back));
    EXPECT_EQ(back, image);
    EXPECT_FALSE(std::filesystem::exists(file + ".new"));

    {  // one byte flipped in the middle
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100);
        f.put('\x55');
    }
    std::string problem;
    EXPECT_FALSE(LoadEepromFile(file, back, &problem));
    EXPECT_EQ(back, StoredEeprom{});
    EXPECT_EQ(problem, file + " is damaged: its check sum does not match");  // not merely empty
    std::filesystem::resize_file(file, 10);
    EXPECT_FALSE(LoadEepromFile(file, back, &problem));
    EXPECT_EQ(problem, file + " is damaged: it holds 10 bytes, not 2056");
    std::filesystem::resize_file(file, 3000);
    EXPECT_FALSE(LoadEepromFile(file, back, &problem));
    EXPECT_EQ(problem, file + " is damaged: it is longer than 2056 bytes");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(2056, 'x');
    EXPECT_FALSE(LoadEepromFile(file, back, &problem));
    EXPECT_EQ(problem, file + " is damaged: it does not start with KEE1");
    ModuleProgram program;
    program.SetEepromFile(file);
    EXPECT_EQ(program.LoadProblem(), problem);
}

// Two writers at once (a download from the window while the command line downloads too) take
// turns: every write succeeds, each replaces the file whole, and the file ends with one of them.
// In memory where there is such a folder, so that the flushes to the disk cost nothing.
TEST(EepromFile, WritersAtOnceEachReplaceTheFileWhole) {
    std::error_code ec;
    const std::filesystem::path memory = "/dev/shm";
    const bool inMemory = std::filesystem::is_directory(memory, ec);
    const std::string folder =
        inMemory ? (memory / ("kavrin_together_" +
                              std::to_string(::testing::UnitTest::GetInstance()->random_seed())))
                       .string()
                 : TempFile("together");
    std::filesystem::remove_all(folder);
    const std::string file = folder + "/robot.eeprom";
    const int kWrites = inMemory ? 500 : 50;
    std::array<StoredEeprom, 2> images{};
    images[0].fill(0x11);
    images[1].fill(0x22);
    std::array<int, 2> failures{};
    std::array<std::string, 2> errors;
    // Both writers begin together. Not std::latch: where there is no futex (Windows), GCC 12's
    // atomic wait beneath it can miss the second arrival and sleep for good.
    std::mutex gate;
    std::condition_variable opened;
    int arrived = 0;
    std::vector<std::thread> writers;
    for (std::size_t w = 0; w < 2; ++w) {
        writers.emplace_back([&, w] {
            {
                std::unique_lock lock(gate);
                ++arrived;
                opened.notify_all();
                opened.wait(lock, [&] { return arrived == 2; });
            }
            for (int i = 0; i < kWrites; ++i) {
                if (!SaveEepromFile(file, images[w], errors[w])) ++failures[w];
            }
        });
    }
    for (std::thread& t : writers) t.join();
    EXPECT_EQ(failures, (std::array<int, 2>{0, 0})) << errors[0] << errors[1];
    StoredEeprom held{};
    ASSERT_TRUE(LoadEepromFile(file, held));
    EXPECT_TRUE(held == images[0] || held == images[1]);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"robot.eeprom",
                                               "robot.eeprom.lock"}));  // no temporary left
    std::filesystem::remove_all(folder);
}

// A user's folder may hold letters the system's code page lacks: paths are UTF-8 throughout.
TEST(EepromFile, FolderNamedInGreekKeepsTheImage) {
    const std::u8string temp = std::filesystem::temp_directory_path().u8string();
    const std::string folder =
        std::string(temp.begin(), temp.end()) +
        "/kavrin_\xce\xa1\xce\xbf\xce\xbc\xcf\x80\xcf\x8c\xcf\x84";  // Ρομπότ
    const std::string file = folder + "/robot.eeprom";
    const std::filesystem::path wide(std::u8string(folder.begin(), folder.end()));
    std::filesystem::remove_all(wide);
    StoredEeprom image{};
    image[0] = 0x5A;
    std::string error;
    ASSERT_TRUE(SaveEepromFile(file, image, error)) << error;
    EXPECT_TRUE(std::filesystem::is_regular_file(wide / u8"robot.eeprom"));
    StoredEeprom back{};
    ASSERT_TRUE(LoadEepromFile(file, back));
    EXPECT_EQ(back, image);
    std::filesystem::remove_all(wide);
}

TEST(EepromFile, WriteInAProgramIsKept) {
    const std::string file = TempFile("write.eeprom");
    std::filesystem::remove(file);
    ModuleProgram program;
    program.SetEepromFile(file);
    program.Downloaded(CompileImage("WRITE 10, 77\r\nEND\r\n"));
    program.RunFor(kMicrosPerSecond, 1);
    StoredEeprom stored{};
    ASSERT_TRUE(LoadEepromFile(file, stored));
    EXPECT_EQ(stored[10], 77);
}

#ifndef _WIN32
TEST(EepromFile, WhatIsNotARegularFileReadsAsEmptyWithoutWaiting) {
    const std::string fifo = TempFile("fifo.eeprom");
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer ever comes: opening it would wait
    const std::string folder = TempFile("folder.eeprom");
    std::filesystem::create_directories(folder);
    for (const std::string& path : {fifo, folder, std::string("/dev/null")}) {
        StoredEeprom image{};
        image.fill(3);
        std::string problem;
        EXPECT_FALSE(LoadEepromFile(path, image, &problem));
        EXPECT_EQ(image, StoredEeprom{});
        EXPECT_EQ(problem, path + " is not a regular file");
        ModuleProgram program;
        program.SetEepromFile(path);
        EXPECT_EQ(program.LoadProblem(), problem);
        EXPECT_EQ(program.Image(), Eeprom{});
    }
    std::string problem = "stale";
    StoredEeprom image{};
    EXPECT_FALSE(LoadEepromFile(TempFile("missing.eeprom"), image, &problem));
    EXPECT_EQ(problem, "");  // a robot that never got a program
    std::filesystem::remove(fifo);
}
#endif

TEST(EepromFile, AFileThatCannotBeWrittenFailsTheClosingWriteAndTheRobotKeepsTheImage) {
    const std::string folder = TempFile("taken.eeprom");
    std::filesystem::create_directories(folder);
    auto robot = std::make_shared<VirtualRobot>();
    robot->Program().SetEepromFile(folder);
    CompileImage("DEBUG \"kept\"\r\n");
    link::OpenResult opened = robot->Open();
    ASSERT_TRUE(opened.port);
    link::SerialPort& port = *opened.port;
    port.SetBreak(true);
    port.SetBreak(false);
    const std::uint8_t hello[] = {'K', 'R', '2', 0};
    ASSERT_TRUE(port.Write(hello, 10));
    const auto& r = TestTokenizer().Result();
    for (int i = 0; i < r.BlockCount; ++i) {
        ASSERT_TRUE(port.Write(r.Blocks[static_cast<std::size_t>(i)], 10));
    }
    const std::uint8_t zero = 0;
    EXPECT_FALSE(port.Write(std::span(&zero, 1), 10));
    EXPECT_NE(port.WriteFailure().find("cannot replace " + folder), std::string::npos)
        << port.WriteFailure();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(std::filesystem::exists(folder + ".new"));

    // The robot runs what it took for as long as it lives; the next write is fine again.
    EXPECT_TRUE(
        std::equal(r.EepromImage.begin(), r.EepromImage.end(), robot->Program().Image().begin()));
    EXPECT_TRUE(robot->Program().Running());
    port.Drain();
    EXPECT_TRUE(port.Write(std::span(&zero, 1), 10));
    EXPECT_EQ(port.WriteFailure(), "");
}

}  // namespace
}  // namespace kavrin::sim
