#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "document_test_util.h"
#include "language_scope.h"
#include "model/kvn_file.h"
#include "resources/ui_strings.h"

namespace kavrin::model {
namespace {

namespace fs = std::filesystem;
using resources::TLanguage;
using test::Fill;
using test::FillForward;

// The messages are checked in English, the language the file format's messages were written in;
// one test reads them in Greek.
class KvnFile : public ::testing::Test {
protected:
    kavrin::test::TLanguageScope english_{TLanguage::English};

    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kavrin-kvn-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::vector<std::uint8_t> Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // The names in the test's folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// A record laid out by hand from the file format, independent of the encoder.
std::vector<std::uint8_t> HandMadeRecord(std::uint8_t version, std::uint8_t advanced) {
    std::vector<std::uint8_t> b(9240, 0);
    const std::string sig = "Kavrin Action List";
    b[0] = static_cast<std::uint8_t>(sig.size());
    std::copy(sig.begin(), sig.end(), b.begin() + 1);
    b[20] = version;
    b[21] = advanced;
    b[22] = 90;
    b[23] = 111;
    for (int list = 0; list < 6; ++list) {
        for (int slot = 0; slot < 256; ++slot) {
            const std::size_t at =
                24 + static_cast<std::size_t>(list) * 1536 + static_cast<std::size_t>(slot) * 6;
            b[at + 1] = 0xFF;  // unused slot: value -1
            b[at + 2] = 0xFF;
        }
    }
    // Main list: forward 300 (0x012C, Both 1 Left 2 Right 3), then go back to step 1.
    const std::uint8_t s1[6] = {0, 0x2C, 0x01, 1, 2, 3};
    const std::uint8_t s2[6] = {7, 0x01, 0x00, 0, 0, 0};
    std::copy(s1, s1 + 6, b.begin() + 24 + 6);
    std::copy(s2, s2 + 6, b.begin() + 24 + 12);
    // Sensor Set 4: one stop of 5.
    const std::uint8_t s3[6] = {6, 5, 0, 4, 4, 4};
    std::copy(s3, s3 + 6, b.begin() + 24 + 5 * 1536 + 6);
    return b;
}

TEST_F(KvnFile, HandMadeFileLoadsWithItsStepsAndCalibration) {
    Write(Path("hand.kvn"), HandMadeRecord(0x13, 1));
    TActionDocument doc(TMode::Advanced);
    const TFileResult r = doc.LoadFile(Path("hand.kvn"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(doc.Program().leftServoCenter, 90);
    EXPECT_EQ(doc.Program().rightServoCenter, 111);
    EXPECT_EQ(doc.Count(kMainList), 2);
    EXPECT_EQ(doc.Step(kMainList, 1), (TBotAction{akForward, 300, {1, 2, 3}}));
    EXPECT_EQ(doc.Step(kMainList, 2), (TBotAction{akGoBack, 1, {0, 0, 0}}));
    EXPECT_EQ(doc.Count(kSensorSet4), 1);
    EXPECT_EQ(doc.Step(kSensorSet4, 1), (TBotAction{akStopWait, 5, {4, 4, 4}}));
    for (int list : {kSensorSetAll, kSensorSet1, kSensorSet2, kSensorSet3}) {
        EXPECT_EQ(doc.Count(list), 0);
    }
    EXPECT_EQ(doc.FileName(), Path("hand.kvn"));
}

TEST_F(KvnFile, SaveLoadSaveIsByteIdentical) {
    TActionDocument doc(TMode::Advanced);
    doc.SetCalibration(37, 163);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akRotateRight, 15, {2, 3, 4}});
    Fill(doc, kMainList, {{akGoBack, 1}});
    FillForward(doc, kSensorSet2, 9);
    ASSERT_TRUE(doc.SaveFile(Path("a.kvn")).ok);
    EXPECT_FALSE(doc.Modified());

    TActionDocument again(TMode::Advanced);
    ASSERT_TRUE(again.LoadFile(Path("a.kvn")).ok);
    ASSERT_TRUE(again.SaveFile(Path("b.kvn")).ok);
    const auto a = Read(Path("a.kvn"));
    EXPECT_EQ(a.size(), kRecordSize);
    EXPECT_EQ(a, Read(Path("b.kvn")));
    EXPECT_EQ(a[21], 1);  // saved in Advanced mode
    EXPECT_EQ(again.Program().lists, doc.Program().lists);
}

TEST_F(KvnFile, EmptyAndFullListsRoundTrip) {
    TActionDocument doc;
    doc.SetCalibration(0, 200);
    ASSERT_TRUE(doc.SaveFile(Path("empty.kvn")).ok);
    TActionDocument loaded;
    FillForward(loaded, kMainList, 3);
    ASSERT_TRUE(loaded.LoadFile(Path("empty.kvn")).ok);
    for (int list = 1; list <= kListCount; ++list) {
        EXPECT_EQ(loaded.Count(list), 0);
    }
    EXPECT_EQ(loaded.Program().leftServoCenter, 0);
    EXPECT_EQ(loaded.Program().rightServoCenter, 200);

    FillForward(doc, kMainList, kMaxSteps);
    FillForward(doc, kSensorSet4, kMaxSteps);
    ASSERT_TRUE(doc.SaveFile(Path("full.kvn")).ok);
    ASSERT_TRUE(loaded.LoadFile(Path("full.kvn")).ok);
    EXPECT_EQ(loaded.Count(kMainList), 255);
    EXPECT_EQ(loaded.Count(kSensorSet4), 255);
    EXPECT_EQ(loaded.Count(kSensorSet3), 0);
    EXPECT_EQ(loaded.Program().lists, doc.Program().lists);
}

TEST_F(KvnFile, RefusedFilesGiveTheirMessageAndChangeNothing) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        TMode mode;
        std::string message;
        TFileProblem problem;
    };
    auto badSignature = HandMadeRecord(0x13, 0);
    badSignature[5] = 'x';
    auto badKind = HandMadeRecord(0x13, 0);
    badKind[24 + 6] = 8;
    auto badColumn = HandMadeRecord(0x13, 0);
    badColumn[24 + 5 * 1536 + 6 + 5] = 5;
    auto shortFile = HandMadeRecord(0x13, 0);
    shortFile.resize(9239);
    const std::string notKavrin = "Not proper Kavrin file format.";
    const Case cases[] = {
        {"signature", badSignature, TMode::Advanced, notKavrin, TFileProblem::NotKavrin},
        {"short", shortFile, TMode::Advanced, notKavrin, TFileProblem::NotKavrin},
        {"empty", {}, TMode::Advanced, notKavrin, TFileProblem::NotKavrin},
        {"kind", badKind, TMode::Advanced, notKavrin, TFileProblem::Damaged},
        {"column", badColumn, TMode::Advanced, notKavrin, TFileProblem::Damaged},
        {"version", HandMadeRecord(0x12, 0), TMode::Advanced,
         "Can not open Kavrin file.  File format is version 1.2.  Expected version 1.3.",
         TFileProblem::WrongVersion},
        {"version-nibbles", HandMadeRecord(0xA3, 0), TMode::Advanced,
         "Can not open Kavrin file.  File format is version 10.3.  Expected version 1.3.",
         TFileProblem::WrongVersion},
        {"advanced", HandMadeRecord(0x13, 1), TMode::Beginner,
         "This Kavrin file was saved in Advanced Mode.  You must switch to Advanced Mode "
         "before opening this file.",
         TFileProblem::AdvancedInBeginner},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Path("bad.kvn"), c.bytes);
        TActionDocument doc(c.mode);
        doc.SetCalibration(1, 2);
        doc.AppendAction(akStopWait);
        const TActionProgram before = doc.Program();
        const TFileResult r = doc.LoadFile(Path("bad.kvn"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, c.message);
        EXPECT_FALSE(r.namesFile);  // the caller names the file beside it
        EXPECT_EQ(r.reason, c.message);
        EXPECT_EQ(r.problem, c.problem);
        EXPECT_EQ(doc.Program().lists, before.lists);
        EXPECT_EQ(doc.Program().counts, before.counts);
        EXPECT_EQ(doc.Program().leftServoCenter, 1);
        EXPECT_TRUE(doc.Modified());
        EXPECT_TRUE(doc.FileName().empty());
    }
}

TEST_F(KvnFile, BeginnerFilesLoadInBothModes) {
    Write(Path("b.kvn"), HandMadeRecord(0x13, 0));
    for (TMode mode : {TMode::Beginner, TMode::Advanced}) {
        TActionDocument doc(mode);
        ASSERT_TRUE(doc.LoadFile(Path("b.kvn")).ok);
        EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{1, 2, 3}));
    }
    // Bytes after the record (a copy that appended something) are not read: the record loads.
    auto longFile = HandMadeRecord(0x13, 0);
    longFile.resize(longFile.size() + 4096, 0xEE);
    Write(Path("long.kvn"), longFile);
    TActionDocument doc(TMode::Advanced);
    ASSERT_TRUE(doc.LoadFile(Path("long.kvn")).ok);
    EXPECT_EQ(doc.Step(kMainList, 1).sensors, (std::array<std::uint8_t, 3>{1, 2, 3}));
}

TEST_F(KvnFile, UnreadableFileIsReportedWithItsName) {
    TActionDocument doc;
    const TFileResult missing = doc.LoadFile(Path("nope.kvn"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find(Path("nope.kvn")), std::string::npos);
    EXPECT_NE(missing.message.find("No such file"), std::string::npos) << missing.message;
    EXPECT_EQ(missing.message, "Can not open \"" + Path("nope.kvn") + "\": No such file or folder");
    EXPECT_TRUE(missing.namesFile);
    EXPECT_EQ(missing.reason, "No such file or folder");
    const TFileResult folder = doc.LoadFile(dir_.string());
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.message.find(dir_.string()), std::string::npos);
    EXPECT_EQ(folder.reason, "It is a folder");
#ifndef _WIN32
    // A FIFO is refused at once: opening it to read would wait for a writer that never comes.
    ASSERT_EQ(mkfifo(Path("pipe.kvn").c_str(), 0600), 0);
    const TFileResult pipe = doc.LoadFile(Path("pipe.kvn"));
    EXPECT_EQ(pipe.message, "Can not open \"" + Path("pipe.kvn") + "\": It is not a regular file");
    EXPECT_EQ(pipe.reason, "It is not a regular file");
    EXPECT_EQ(pipe.problem, TFileProblem::CannotOpen);
#endif
}

TEST_F(KvnFile, FailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    TActionDocument doc;
    FillForward(doc, kMainList, 2);
    ASSERT_TRUE(doc.SaveFile(Path("keep.kvn")).ok);
    const auto original = Read(Path("keep.kvn"));

    doc.AppendAction(akBackward);
#ifndef _WIN32
    // A write that fails half-way: in a child, a file-size limit below one record stops it after
    // its first bytes. The old file stays whole and no temporary is left.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const TFileResult r = doc.SaveFile(Path("keep.kvn"));
        const bool named = r.namesFile && r.message.find(Path("keep.kvn")) != std::string::npos;
        _exit(!r.ok && named && doc.Modified() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Read(Path("keep.kvn")), original);
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep.kvn"});
#endif

    EXPECT_FALSE(doc.SaveFile(Path("no/such/folder/x.kvn")).ok);
    EXPECT_TRUE(doc.Modified());
}

TEST_F(KvnFile, FailedRenameRemovesTheTemporaryAndKeepsWhatWasThere) {
    TActionDocument doc;
    FillForward(doc, kMainList, 2);
    // A folder of that name cannot be replaced by the written file.
    fs::create_directory(Path("taken.kvn"));
    Write(Path("taken.kvn") + "/inside", {1, 2, 3});
    const TFileResult r = doc.SaveFile(Path("taken.kvn"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Can not save"), std::string::npos) << r.message;
    EXPECT_EQ(Entries(), std::vector<std::string>{"taken.kvn"});  // no temporary left
    EXPECT_EQ(Read(Path("taken.kvn") + "/inside"), (std::vector<std::uint8_t>{1, 2, 3}));
    // The reason is the rename's, not that of removing the temporary afterwards.
    EXPECT_NE(r.message.find(": It is a folder"), std::string::npos) << r.message;
}

TEST_F(KvnFile, MessagesComeInTheChosenLanguage) {
    const kavrin::test::TLanguageScope greek(TLanguage::Greek);
    Write(Path("adv.kvn"), HandMadeRecord(0x13, 1));
    TActionDocument doc(TMode::Beginner);
    EXPECT_EQ(doc.LoadFile(Path("adv.kvn")).message,
              resources::GetUIString(resources::str::kAdvancedFileInBeginner, TLanguage::Greek));
    Write(Path("old.kvn"), HandMadeRecord(0x12, 0));
    EXPECT_EQ(doc.LoadFile(Path("old.kvn")).message,
              "Δεν ανοίγει το αρχείο Kavrin. Η μορφή του είναι η έκδοση 1.2, ενώ αναμενόταν η "
              "έκδοση 1.3.");
    // A path with a place marker in its name is shown as it is.
    const TFileResult missing = doc.LoadFile(Path("%2.kvn"));
    EXPECT_EQ(missing.message, "Δεν είναι δυνατό το άνοιγμα του «" + Path("%2.kvn") +
                                   "»: το αρχείο ή ο φάκελος δεν υπάρχει");
}

TEST_F(KvnFile, NonAsciiPathsSaveAndLoad) {
    TActionDocument doc;
    FillForward(doc, kMainList, 3);
    const fs::path path =
        dir_ / fs::path(u8"\u0394\u03c1\u03bf\u03bc\u03bf\u03c2 \u00e9t\u00e9.kvn");
    ASSERT_TRUE(doc.SaveFile(path).ok);
    TActionDocument loaded;
    const TFileResult r = loaded.LoadFile(path);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(loaded.Count(kMainList), 3);
    EXPECT_EQ(loaded.FileName(), path);
}

TEST_F(KvnFile, LoadKeepsUndoRingAndClipboard) {
    TActionDocument doc;
    ASSERT_TRUE(doc.SaveFile(Path("empty.kvn")).ok);
    FillForward(doc, kMainList, 2);
    doc.SetSelection(kMainList, {1, 2});
    doc.Copy();
    doc.SetSelection(kMainList, {2, 2});
    doc.Delete();
    ASSERT_TRUE(doc.LoadFile(Path("empty.kvn")).ok);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.ClipboardCount(), 2);
    EXPECT_EQ(doc.View(kMainList).selection.top, 1);  // the empty row after loading
    doc.Undo();                                       // back to the state before the delete
    EXPECT_EQ(doc.Count(kMainList), 2);
    EXPECT_TRUE(doc.Modified());
}

TEST(KvnRecord, UnusedSlotsRepeatTheHeaderSlot) {
    TActionProgram program;
    program.Step(kSensorSet1, 1) = TBotAction{akBackward, 0x1234, {1, 0, 2}};
    program.Count(kSensorSet1) = 1;
    program.Step(kSensorSet1, 2) = TBotAction{akBackward, 77, {1, 1, 1}};  // stale, past the end
    const TRecordBytes b = EncodeRecord(program, TMode::Beginner);
    const std::size_t list3 = 24 + 2 * 1536;
    EXPECT_EQ(b[list3 + 6], 1);
    EXPECT_EQ(b[list3 + 7], 0x34);  // value little-endian at offset 1
    EXPECT_EQ(b[list3 + 8], 0x12);
    EXPECT_EQ(b[list3 + 11], 2);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(b[list3 + 12 + i], b[list3 + i]);
    }
    EXPECT_EQ(b[list3 + 13], 0xFF);
    EXPECT_EQ(b[21], 0);
}

}  // namespace
}  // namespace kavrin::model
