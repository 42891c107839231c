// The printable report: a table and one section per program, one picture per judged mission with
// its path and, where the robot touched, the red mark; every text escaped; files written whole.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "judge/judge.h"
#include "judge/report.h"
#include "judge/whole_file.h"
#include "judge_test_util.h"
#include "language_scope.h"

namespace kavrin::judge::test {
namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(JudgeReport, HasASectionPerProgramAndAPicturePerRunWithEveryTextEscaped) {
    const kavrin::test::TLanguageScope english(resources::TLanguage::English);
    const std::filesystem::path dir = FreshFolder("report");
#ifdef _WIN32
    const std::filesystem::path odd = dir / "Tom & Jerry's.kvn";  // no <, > or " in a Windows name
#else
    const std::filesystem::path odd = dir / "<b>Tom & \"Jerry\"'s.kvn";
#endif
    Save(odd, HitsTheWall());
    Save(dir / "anna.kvn", Parks());
    std::ofstream(dir / "broken.kvn") << "<script>";
    const sim::MissionResult own = sim::ParseMission(
        "title Bay <2> & \"more\"\ntable 200 150\nstart 30 75 0\nwall 180 50 180 100\nzone Z&<1> "
        "130 55 40 40\n"
        "reach Z&<1>\nstop Z&<1> 1\nno-touch\nlimit 20\n",
        "own.mission");
    ASSERT_TRUE(own.mission) << own.error;

    Request request;
    request.programs = ProgramsInFolder(dir).files;
    request.missions = {*sim::BuiltInMission("bay"), *own.mission};
    const Result result = Judge(request);
    ASSERT_EQ(result.programs.size(), 3u);
    const std::string html = ReportHtml(result);

    EXPECT_EQ(Count(html, "<section class=\"pupil\""), 3u);
    EXPECT_NE(html.find("@page { size: A4"), std::string::npos);
    // Self-contained: no scripts, nothing fetched beside it.
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find(" src="), std::string::npos);
    // Two programs judged on two missions; the broken file gets its reason and no picture.
    EXPECT_EQ(Count(html, "<svg "), 4u);
    EXPECT_EQ(Count(html, "<polyline class=\"path\""), 4u);
    EXPECT_NE(html.find("Not judged: Not proper Kavrin file format."), std::string::npos);
    // The program that drives into the back wall is marked where it touched, on both tables.
    EXPECT_EQ(Count(html, "<polygon class=\"touch\" points=\""), 2u);
    EXPECT_EQ(Count(html, "stroke=\"red\""), 4u);
    // Names from files and missions are text, never markup.
#ifdef _WIN32
    EXPECT_NE(html.find("Tom &amp; Jerry&#39;s.kvn"), std::string::npos);
#else
    EXPECT_EQ(html.find("<b>Tom"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;Tom &amp; &quot;Jerry&quot;&#39;s.kvn"), std::string::npos);
#endif
    EXPECT_NE(html.find("Bay &lt;2&gt; &amp; &quot;more&quot;"), std::string::npos);
    EXPECT_NE(html.find(">Z&amp;&lt;1&gt;</text>"), std::string::npos);
    // The lists in words.
    EXPECT_NE(html.find("<li>1. forward 7.0 s</li>"), std::string::npos);
    EXPECT_NE(html.find("<li>2. stop and wait 2.0 s</li>"), std::string::npos);

    // A run with nothing touched has no mark.
    EXPECT_EQ(RunSvg(result.missions[0], result.programs[1].runs[0]).find("touch"),
              std::string::npos);
}

TEST(JudgeReport, AFileIsWrittenWholeOrTheOldOneStays) {
    const std::filesystem::path dir = FreshFolder("whole");
    const std::filesystem::path file = dir / "report.html";
    EXPECT_EQ(WriteWholeFile(file, "first"), "");
    EXPECT_EQ(WriteWholeFile(file, "second, longer"), "");
    EXPECT_EQ(Slurp(file), "second, longer");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1)
        << "no temporary left";

    // A folder is not written over: an error naming the file, and the folder as it was.
    std::filesystem::create_directory(dir / "taken");
    std::filesystem::create_directory(dir / "taken" / "inside");
    const std::string error = WriteWholeFile(dir / "taken", "x");
    EXPECT_EQ(error.rfind("cannot write " + (dir / "taken").string() + ": ", 0), 0u) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken" / "inside"));
    EXPECT_EQ(Slurp(file), "second, longer");
}

}  // namespace
}  // namespace kavrin::judge::test
