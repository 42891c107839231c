// The program sheet read back from its PDF with poppler's pdftotext and pdfinfo: pages, the
// lines of each list and the generated program in both languages, long lists flowing on, every
// word inside the page's frame; and the sheet as the main window and the code view save it.

#include "ui/program_sheet.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "codegen/code_generator.h"
#include "language_scope.h"
#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/code_editor.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/program_files.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

using resources::TLanguage;

// --- Reading a PDF back -------------------------------------------------------------------------

// poppler's pdfinfo and pdftotext read the sheets back. Wine runs no Linux programs, so there the
// tests that read a sheet stop before it (the Linux suite reads every one).
#if defined(Q_OS_WIN)
#define SKIP_WITHOUT_PDF_READER() GTEST_SKIP() << "no PDF reader under Wine"
#else
#define SKIP_WITHOUT_PDF_READER() static_cast<void>(0)
#endif

QString Run(const char* program, QStringList arguments) {
    QProcess process;
    process.start(QString::fromLatin1(program), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program << " failed (scripts/install-deps.sh installs poppler-utils): "
                      << process.readAllStandardError().toStdString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct TReadBack {
    int pages = 0;          // as pdfinfo counts them
    QStringList pageTexts;  // pdftotext -layout, one text per page
    QString boxes;          // pdftotext -bbox: every word with its place
};

TReadBack ReadBack(const QString& file) {
    TReadBack back;
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"),
                                                             QRegularExpression::MultilineOption)
                                              .match(Run("pdfinfo", {file}));
    back.pages = pages.hasMatch() ? pages.captured(1).toInt() : -1;
    const QStringList utf8{QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    back.pageTexts =
        Run("pdftotext",
            QStringList{QStringLiteral("-layout")} + utf8 + QStringList{file, QStringLiteral("-")})
            .split(QLatin1Char('\f'), Qt::SkipEmptyParts);  // a form feed ends each page
    back.boxes = Run("pdftotext", QStringList{QStringLiteral("-bbox")} + utf8 +
                                      QStringList{file, QStringLiteral("-")});
    return back;
}

TReadBack ReadBack(const QByteArray& pdf, const QTemporaryDir& dir) {
    QFile out(dir.filePath(QStringLiteral("sheet.pdf")));
    EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(pdf) == pdf.size());
    out.close();
    return ReadBack(out.fileName());
}

// The lines of a page with their runs of blanks made single, as a reader would quote them.
QStringList Lines(const QString& page) {
    QStringList lines;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        lines.append(line.simplified());
    }
    return lines;
}

bool HasLine(const QString& page, const QString& line) { return Lines(page).contains(line); }

int CountLines(const QStringList& pages, const QString& line) {
    return static_cast<int>(Lines(pages.join(QLatin1Char('\n'))).count(line));
}

// "1.2 s" with the system's decimal separator, as the lists show durations.
QString Number(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'),
                                             SystemNumberChars().decimalSeparator);
}

// Every word lies on A4 inside the frame the sheet keeps (18 mm at the sides, 10 mm at the top
// and bottom), so nothing is cut at the paper's edge.
void ExpectEveryWordInsideTheFrame(const QString& boxes) {
    constexpr double kWidth = 595, kHeight = 842, kMm = 72 / 25.4;
    const QRegularExpression a4(
        QStringLiteral("<page width=\"59[45]\\.\\d+\" height=\"84[12]\\.\\d+\""));
    EXPECT_EQ(boxes.count(a4), boxes.count(QStringLiteral("<page ")));
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)<"));
    int words = 0;
    for (auto match = word.globalMatch(boxes); match.hasNext(); ++words) {
        const QRegularExpressionMatch w = match.next();
        EXPECT_TRUE(w.captured(1).toDouble() >= 18 * kMm - 1 &&
                    w.captured(3).toDouble() <= kWidth - 18 * kMm + 1 &&
                    w.captured(2).toDouble() >= 10 * kMm &&
                    w.captured(4).toDouble() <= kHeight - 10 * kMm)
            << w.captured().toStdString();
    }
    EXPECT_GT(words, 100);
}

// --- Programs -----------------------------------------------------------------------------------

TSheetSource Source(model::TMode mode) {
    TSheetSource source;
    source.title = QStringLiteral("square.kvn");
    source.date = QDate(2025, 3, 14);
    source.mode = mode;
    source.sensorsEnabled = true;
    model::TActionProgram& program = source.program;
    program.leftServoCenter = 95;
    program.rightServoCenter = 104;
    const model::TBotAction steps[] = {
        {model::akForward, 20, {0, 0, 0}},   {model::akTurnLeft, 5, {0, 1, 0}},
        {model::akForward, 12, {0, 1, 0}},   {model::akRotateRight, 10, {2, 0, 3}},
        {model::akStopWait, 255, {0, 0, 4}}, {model::akGoBack, 2, {0, 0, 0}},
        {model::akBackward, 7, {0, 0, 0}},   {model::akGoBack, 2, {0, 0, 0}},
    };
    int row = 0;
    for (const model::TBotAction& step : steps) {
        program.Step(model::kMainList, ++row) = step;
    }
    program.Count(model::kMainList) = row;
    if (mode == model::TMode::Advanced) {
        program.Step(model::kSensorSetAll, 1) = {model::akBackward, 8, {0, 0, 0}};
        program.Step(model::kSensorSetAll, 2) = {model::akRotateLeft, 6, {0, 0, 0}};
        program.Count(model::kSensorSetAll) = 2;
        program.Step(model::kSensorSet1, 1) = {model::akStopWait, 5, {0, 0, 0}};
        program.Count(model::kSensorSet1) = 1;
    }
    return source;
}

// The generated program's line that holds the main list's first steps, as pdftotext reads it.
QString FirstDataLine(const TSheetSource& source) {
    codegen::TProgramText text;
    EXPECT_TRUE(codegen::BuildCode(source.program, source.mode, source.sensorsEnabled, text).ok);
    for (int i = 0; i < text.Count(); ++i) {
        if (text.Line(i).starts_with("ActionList")) {
            return QString::number(i + 1) + QLatin1Char(' ') +
                   QString::fromLatin1(text.Line(i).c_str()).simplified();
        }
    }
    ADD_FAILURE() << "no ActionList line";
    return {};
}

// The sheet's words in its own language: nothing in the other alphabet but the program's name,
// the robot's language and the title.
void ExpectOneAlphabet(const QString& page, TLanguage language, const QString& title) {
    QString words = page;
    for (const QString& name :
         {title, QStringLiteral("Kavrin"), QStringLiteral("VELIC"), QStringLiteral("PDF")}) {
        words.remove(name);
    }
    const QRegularExpression other(language == TLanguage::Greek
                                       ? QStringLiteral("[A-Za-z]+")
                                       : QStringLiteral("[\\x{370}-\\x{3FF}]+"));
    const QRegularExpressionMatch found = other.match(words);
    EXPECT_FALSE(found.hasMatch()) << found.captured().toStdString();
}

class ProgramSheet : public ::testing::Test {
protected:
    // The sheet of the sample in a mode and language: its pages agree with pdfinfo, page 1 holds
    // the lines and none of `absent`, in that language's alphabet, page 2 opens the program.
    TReadBack Check(model::TMode mode, TLanguage language, bool sensors, const QStringList& lines,
                    const QStringList& absent) {
        const test::TLanguageScope scope(language);
        TSheetSource source = Source(mode);
        source.sensorsEnabled = sensors;
        const TProgramSheet sheet(source);
        const TReadBack back = ReadBack(sheet.Pdf(), dir_);
        EXPECT_EQ(back.pages, sheet.PageCount());
        EXPECT_EQ(back.pageTexts.size(), back.pages);
        if (back.pageTexts.size() < 2) {
            ADD_FAILURE() << "pages: " << back.pageTexts.size();
            return back;
        }
        const QString& first = back.pageTexts[0];
        const QString page = UiString(resources::str::kSheetPage);
        for (const QString& line :
             lines + QStringList{QStringLiteral("square.kvn ") + page.arg(1).arg(back.pages)}) {
            EXPECT_TRUE(HasLine(first, line)) << line.toStdString() << "\n" << first.toStdString();
        }
        for (const QString& text :
             absent + QStringList{UiString(resources::str::kSheetProgramHeading)}) {
            EXPECT_FALSE(first.contains(text)) << text.toStdString();
        }
        ExpectOneAlphabet(first, language, source.title);
        // The program from the second page, numbered as the code view counts its lines.
        const QString& second = back.pageTexts[1];
        EXPECT_TRUE(HasLine(second, UiString(resources::str::kSheetProgramHeading)));
        EXPECT_TRUE(HasLine(second, QStringLiteral("1 '{$KORBLE KR2}"))) << second.toStdString();
        EXPECT_TRUE(HasLine(second, FirstDataLine(source))) << FirstDataLine(source).toStdString();
        EXPECT_TRUE(HasLine(second, QStringLiteral("square.kvn ") + page.arg(2).arg(back.pages)));
        ExpectEveryWordInsideTheFrame(back.boxes);
        return back;
    }

    QTemporaryDir dir_;
};

TEST_F(ProgramSheet, BeginnerAndAdvancedInBothLanguages) {
    SKIP_WITHOUT_PDF_READER();
    using model::TMode;
    Check(
        TMode::Beginner, TLanguage::English, true,
        {QStringLiteral("square.kvn"), QStringLiteral("Date: Friday, 14 March 2025"),
         QStringLiteral("Mode: Beginner"), QStringLiteral("Sensors: on"),
         QStringLiteral("Servo centres (pulse width): left 745, right 754"),
         QStringLiteral("Main Action List"), QStringLiteral("1. Move forward, ") + Number("2.0 s"),
         QStringLiteral("2. Turn left, ") + Number("0.5 s"),
         QStringLiteral("← steps 6, 8 go back here"),
         QStringLiteral("4. Rotate right, ") + Number("1.0 s"),
         QStringLiteral("5. Stop and wait, ") + Number("25.5 s"),
         QStringLiteral("6. Go back to step 2"),
         QStringLiteral("7. Move backward, ") + Number("0.7 s"),
         QStringLiteral("8. Go back to step 2")},
        // No sensor columns or sets in Beginner mode.
        {QStringLiteral("Sensor Set"), QStringLiteral("Both")});
    Check(
        TMode::Advanced, TLanguage::Greek, false,
        {QStringLiteral("Ημερομηνία: Παρασκευή 14 Μαρτίου 2025"),
         QStringLiteral("Λειτουργία: Για προχωρημένους"),
         QStringLiteral("Κέντρα σερβοκινητήρων (εύρος παλμού): αριστερός 745, δεξιός 754"),
         QStringLiteral("Κύρια λίστα ενεργειών"),
         QStringLiteral("Σετ αισθητήρων που καλεί το βήμα"), QStringLiteral("Μαζί Αριστερά Δεξιά"),
         // Each step with the sets its Both, Left and Right columns call.
         QStringLiteral("1. Κίνηση εμπρός, ") + Number("2.0") +
             QStringLiteral(" δευτ. Όλες Όλες Όλες"),
         QStringLiteral("2. Στροφή αριστερά, ") + Number("0.5") +
             QStringLiteral(" δευτ. Όλες Σετ1 Όλες"),
         QStringLiteral("← εδώ επιστρέφουν τα βήματα 6, 8"),
         QStringLiteral("4. Περιστροφή δεξιά, ") + Number("1.0") +
             QStringLiteral(" δευτ. Σετ2 Όλες Σετ3"),
         QStringLiteral("5. Στάση και αναμονή, ") + Number("25.5") +
             QStringLiteral(" δευτ. Όλες Όλες Σετ4"),
         QStringLiteral("6. Ελιγμός προς τα πίσω: επιστροφή στο βήμα 2 Όλες Όλες Όλες"),
         QStringLiteral("Σετ αισθητήρων «Όλες»"),
         QStringLiteral("2. Περιστροφή αριστερά, ") + Number("0.6") + QStringLiteral(" δευτ."),
         QStringLiteral("Σετ αισθητήρων 1"),
         QStringLiteral("1. Στάση και αναμονή, ") + Number("0.5") + QStringLiteral(" δευτ."),
         QStringLiteral("Σετ αισθητήρων 4")},
        // Advanced mode always uses the sensors: no line says so.
        {QStringLiteral("Αισθητήρες:")});
    Check(TMode::Beginner, TLanguage::Greek, false,
          {QStringLiteral("Λειτουργία: Για αρχάριους"), QStringLiteral("Αισθητήρες: ανενεργοί"),
           QStringLiteral("8. Ελιγμός προς τα πίσω: επιστροφή στο βήμα 2")},
          {QStringLiteral("Σετ αισθητήρων")});
    const TReadBack english =
        Check(TMode::Advanced, TLanguage::English, true,
              {QStringLiteral("Mode: Advanced"), QStringLiteral("Sensor set the step calls"),
               QStringLiteral("Both Left Right"),
               QStringLiteral("2. Turn left, ") + Number("0.5 s All Set1 All"),
               QStringLiteral("8. Go back to step 2 All All All"), QStringLiteral("Sensor Set All"),
               QStringLiteral("Sensor Set 2")},
              {QStringLiteral("Sensors:")});
    ASSERT_FALSE(english.pageTexts.isEmpty());
    EXPECT_EQ(CountLines({english.pageTexts[0]}, QStringLiteral("(no steps)")), 3);  // Sets 2 to 4
}

// 255 steps in the main list and in a set: every step once, in order, on as many pages as it
// takes, each page of a list under its heading; the program on pages of its own after them, and
// every line of it on the sheet.
TEST_F(ProgramSheet, LongListsFlowOntoFurtherPages) {
    SKIP_WITHOUT_PDF_READER();
    const test::TLanguageScope english(TLanguage::English);
    TSheetSource source = Source(model::TMode::Advanced);
    for (int list : {model::kMainList, model::kSensorSet3}) {
        for (int row = 1; row <= model::kMaxSteps; ++row) {
            source.program.Step(list, row) = {
                static_cast<std::uint8_t>(row % 7), static_cast<std::int16_t>(row), {0, 0, 0}};
        }
        source.program.Count(list) = model::kMaxSteps;
    }
    // The last step loops back as far as one jump reaches.
    source.program.Step(model::kMainList, model::kMaxSteps) = {model::akGoBack, 10, {1, 2, 3}};
    const TProgramSheet sheet(source);
    const TReadBack back = ReadBack(sheet.Pdf(), dir_);
    ASSERT_EQ(back.pages, sheet.PageCount());
    ASSERT_EQ(back.pageTexts.size(), back.pages);
    EXPECT_GE(back.pages, 16);

    // The steps' numbers as the pages show them, each page of steps under its list's heading.
    const QRegularExpression stepLine(QStringLiteral("^(\\d+)\\. "));
    std::vector<int> shown;
    qsizetype programPage = -1;
    for (qsizetype p = 0; p < back.pageTexts.size(); ++p) {
        const QStringList lines = Lines(back.pageTexts[p]);
        EXPECT_TRUE(
            lines.contains(QStringLiteral("square.kvn Page %1 of %2").arg(p + 1).arg(back.pages)));
        if (lines.contains(QStringLiteral("The program Kavrin generated (VELIC)"))) {
            programPage = p;
            break;
        }
        const QString top =
            lines.join(QLatin1Char('\n')).trimmed().section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(p == 0 || top.endsWith(QStringLiteral(" (continued)")) ||
                    top.startsWith(QStringLiteral("Sensor Set ")))
            << "page " << p + 1 << ": " << top.toStdString();
        for (const QString& line : lines) {
            if (const QRegularExpressionMatch m = stepLine.match(line); m.hasMatch()) {
                shown.push_back(m.captured(1).toInt());
            }
        }
    }
    std::vector<int> expected;  // the main list, Sensor Set All, Set 1, Set 3
    for (const int count : {255, 2, 1, 255}) {
        for (int row = 1; row <= count; ++row) {
            expected.push_back(row);
        }
    }
    EXPECT_EQ(shown, expected);
    // The program on pages of its own.
    ASSERT_GT(programPage, 0);
    for (const QString& line : Lines(back.pageTexts[programPage])) {
        EXPECT_FALSE(stepLine.match(line).hasMatch()) << line.toStdString();
    }
    EXPECT_TRUE(HasLine(back.pageTexts[1], QStringLiteral("Main Action List (continued)")));
    EXPECT_EQ(CountLines(back.pageTexts,
                         QStringLiteral("254. Turn left, ") + Number("25.4 s All All All")),
              1);
    EXPECT_EQ(CountLines(back.pageTexts, QStringLiteral("255. Go back to step 10 Set1 Set2 Set3")),
              1);
    EXPECT_EQ(CountLines(back.pageTexts, QStringLiteral("← step 255 goes back here")), 1);

    // Every line of the generated program is on the sheet, whole and in order.
    codegen::TProgramText text;
    ASSERT_TRUE(codegen::BuildCode(source.program, source.mode, true, text).ok);
    QString program;
    for (qsizetype p = programPage; p < back.pageTexts.size(); ++p) {
        for (const QString& line : Lines(back.pageTexts[p])) {
            if (!line.contains(QStringLiteral(" Page ")) &&
                !line.startsWith(QStringLiteral("The program Kavrin"))) {
                program += line;
            }
        }
    }
    program.remove(QLatin1Char(' '));
    qsizetype at = 0;
    for (int i = 0; i < text.Count(); ++i) {
        const QString line = QString::number(i + 1) + QString::fromLatin1(text.Line(i).c_str())
                                                          .remove(QLatin1Char(' '))
                                                          .remove(QLatin1Char('\t'));
        const qsizetype found = program.indexOf(line, at);
        ASSERT_GE(found, 0) << "line " << i + 1 << ": " << text.Line(i);
        at = found + line.size();
    }
    ExpectEveryWordInsideTheFrame(back.boxes);
}

TEST_F(ProgramSheet, AProgramTheGeneratorRefusesStillShowsItsLists) {
    SKIP_WITHOUT_PDF_READER();
    const test::TLanguageScope english(TLanguage::English);
    TSheetSource source = Source(model::TMode::Beginner);
    source.program.Step(model::kMainList, 6).value = 7;  // a go-back step cannot go forward
    const TReadBack back = ReadBack(TProgramSheet(source).Pdf(), dir_);
    ASSERT_EQ(back.pages, 2);
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("6. Go back to step 7")));
    const QString second = back.pageTexts[1].simplified();
    EXPECT_TRUE(second.contains(QStringLiteral("No program can be generated from these lists: ")))
        << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("Step 6 of Main Action List")))
        << second.toStdString();
}

// --- In the windows ---------------------------------------------------------------------------

struct TSheetScript {
    QString answer;  // the file the sheet's dialog returns
    bool viewerStarts = true;
    int dialogs = 0;
    QWidget* parent = nullptr;
    QString proposed;
    QStringList viewed, errors, messages;
};

class TSheetDialogs : public TMainDialogs {
public:
    explicit TSheetDialogs(TSheetScript& script) : s_(script) {}
    QString SheetFileName(QWidget* parent, const QString&, const QString& proposed) override {
        ++s_.dialogs;
        s_.parent = parent;
        s_.proposed = proposed;
        return s_.answer;
    }
    bool OpenWithViewer(const QString& file) override {
        s_.viewed << file;
        return s_.viewerStarts;
    }
    void ShowError(QWidget*, const QString& message) override { s_.errors << message; }
    void ShowMessage(QWidget*, const QString& message) override { s_.messages << message; }

private:
    TSheetScript& s_;
};

class SheetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        window_.SetDialogs(std::make_unique<TSheetDialogs>(script_));
        window_.SetSettingsStore(&store_);
        window_.ShowForMode(model::TMode::Beginner);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        window_.Document()->InsertIntoList(model::kMainList, 1, 12, model::akForward);
        window_.Document()->InsertIntoList(model::kMainList, 2, 1, model::akGoBack);
    }
    void CtrlP(QWidget* where, const QString& answer) {
        script_.answer = answer;
        QTest::keyClick(where, Qt::Key_P, Qt::ControlModifier);
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    static QByteArray Contents(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QSettings store_{dir_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    TSheetScript script_;
    TMainForm window_;
};

TEST_F(SheetCommand, CtrlPSavesBesideTheProgramAndOpensIt) {
    SKIP_WITHOUT_PDF_READER();
    const test::TLanguageScope english(TLanguage::English);
    ASSERT_TRUE(window_.Document()->SaveFile(ToCorePath(Path("walk.kvn"))).ok);
    CtrlP(window_.Grid(model::kMainList), Path("walk.pdf"));
    EXPECT_EQ(script_.parent, &window_);
    EXPECT_EQ(script_.proposed, Path("walk.pdf"));
    EXPECT_TRUE(script_.errors.isEmpty()) << script_.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(script_.viewed, QStringList{Path("walk.pdf")});
    EXPECT_EQ(QDir(dir_.path()).entryList({QStringLiteral("walk.pdf*")}, QDir::Files),
              QStringList{QStringLiteral("walk.pdf")});
    const QString first = ReadBack(Path("walk.pdf")).pageTexts.value(0);
    for (const QString& line :
         {QStringLiteral("walk.kvn"), QStringLiteral("1. Move forward, ") + Number("1.2 s"),
          QStringLiteral("2. Go back to step 1"), QStringLiteral("Sensors: off")}) {
        EXPECT_TRUE(HasLine(first, line)) << line.toStdString();
    }
    // From another control too, with the check box as it is now; ".pdf" added where missing, so
    // that no sheet lands on the program's own file.
    window_.SensorsEnabled()->setChecked(true);
    CtrlP(window_.HyperHelp(), Path("walk"));
    EXPECT_EQ(script_.viewed.back(), Path("walk.pdf"));
    EXPECT_TRUE(
        HasLine(ReadBack(Path("walk.pdf")).pageTexts.value(0), QStringLiteral("Sensors: on")));
    CtrlP(window_.Grid(model::kMainList), Path("walk.kvn"));
    EXPECT_EQ(script_.viewed.back(), Path("walk.kvn.pdf"));
    EXPECT_EQ(Contents(Path("walk.kvn")).size(), static_cast<qsizetype>(model::kRecordSize));
    EXPECT_EQ(script_.dialogs, 3);
}

TEST_F(SheetCommand, UnnamedCancelledWithoutViewerAndFailed) {
    SKIP_WITHOUT_PDF_READER();
    // No file yet: the dialogs' folder and the unnamed program's name. Cancelled: nothing more.
    CtrlP(window_.Grid(model::kMainList), {});
    EXPECT_EQ(script_.proposed,
              QDir(window_.FileFolder())
                  .filePath(UiString(resources::str::kSheetUntitled) + QStringLiteral(".pdf")));
    EXPECT_TRUE(script_.viewed.isEmpty());
    // Written, but nothing shows it: said so, not an error.
    script_.viewerStarts = false;
    CtrlP(window_.Grid(model::kMainList), Path("sheet.pdf"));
    EXPECT_TRUE(script_.errors.isEmpty());
    EXPECT_EQ(script_.messages,
              QStringList{UiString(resources::str::kSheetNoViewer).arg(Path("sheet.pdf"))});
    EXPECT_TRUE(HasLine(ReadBack(Path("sheet.pdf")).pageTexts.value(0),
                        UiString(resources::str::kSheetUntitled)));

    // The sheet cannot be put where asked (a folder of that name): the error names the file and
    // why, and nothing is left beside it.
    const QStringList before = QDir(dir_.path()).entryList(QDir::Files);
    ASSERT_TRUE(QDir().mkdir(Path("folder.pdf")));
    CtrlP(window_.Grid(model::kMainList), Path("folder.pdf"));
    ASSERT_EQ(script_.errors.size(), 1);
    // (The reason is the system's: a folder on Linux, access denied on Windows.)
    const QString named =
        UiString(resources::str::kCannotSaveFile).arg(Path("folder.pdf"), QString());
    EXPECT_TRUE(script_.errors[0].startsWith(named)) << script_.errors[0].toStdString();
    EXPECT_GT(script_.errors[0].size(), named.size());
    EXPECT_EQ(script_.viewed.size(), 1);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), before);
}

TEST_F(SheetCommand, TheCodeViewsButtonAndCtrlP) {
    TCodeForm view(&window_);
    window_.SetCodeView(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_FALSE(view.SheetButton()->geometry().intersects(view.CloseButton()->geometry()));
    script_.answer = Path("from-view.pdf");
    QTest::mouseClick(view.SheetButton(), Qt::LeftButton);
    EXPECT_EQ(script_.parent, &view);
    EXPECT_TRUE(QFile::exists(Path("from-view.pdf")));
    CtrlP(view.Editor(), Path("again.pdf"));
    // Enter on the focused button is the button's, not Close's.
    view.SheetButton()->setFocus();
    script_.answer = Path("by-enter.pdf");
    QTest::keyClick(view.SheetButton(), Qt::Key_Return);
    EXPECT_EQ(script_.viewed,
              (QStringList{Path("from-view.pdf"), Path("again.pdf"), Path("by-enter.pdf")}));
    EXPECT_EQ(script_.parent, &view);
    EXPECT_TRUE(view.isVisible());
}

}  // namespace
}  // namespace kavrin::ui
