// The program sheet read back from its PDF with poppler's pdftotext and pdfinfo: pages, the
// lines of each list and the generated program in both languages, long lists flowing on, every
// word inside the page's frame; and the sheet as the main window and the code view save it.

#include "ui/program_sheet.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

using resources::TLanguage;

// --- Reading a PDF back -------------------------------------------------------------------------

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed (scripts/install-deps.sh installs "
                      << "poppler-utils): " << process.readAllStandardError().toStdString();
        return {};
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
    const QString info = Run(QStringLiteral("pdfinfo"), {file});
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
            .match(info);
    back.pages = pages.hasMatch() ? pages.captured(1).toInt() : -1;
    back.pageTexts = Run(QStringLiteral("pdftotext"),
                         {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                          file, QStringLiteral("-")})
                         .split(QLatin1Char('\f'));
    if (!back.pageTexts.isEmpty() && back.pageTexts.back().trimmed().isEmpty()) {
        back.pageTexts.removeLast();  // every page ends with a form feed
    }
    back.boxes = Run(QStringLiteral("pdftotext"),
                     {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                      QStringLiteral("-")});
    return back;
}

TReadBack ReadBack(const QByteArray& pdf, const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("sheet.pdf"));
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(pdf);
    out.close();
    return ReadBack(file);
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
    int n = 0;
    for (const QString& page : pages) {
        n += static_cast<int>(Lines(page).count(line));
    }
    return n;
}

// "1.2 s" with the system's decimal separator, as the lists show durations.
QString Number(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), SystemNumberChars().decimalSeparator);
}

// Every word lies inside the frame the sheet keeps (18 mm at the sides, 10 mm at the top and
// bottom), so nothing is cut at the paper's edge.
void ExpectEveryWordInsideTheFrame(const QString& boxes) {
    const QRegularExpression page(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    const QRegularExpressionMatch size = page.match(boxes);
    ASSERT_TRUE(size.hasMatch());
    const double width = size.captured(1).toDouble();
    const double height = size.captured(2).toDouble();
    EXPECT_NEAR(width, 595.28, 0.5);  // A4
    EXPECT_NEAR(height, 841.89, 0.5);
    constexpr double kPointsPerMm = 72 / 25.4;
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)<"));
    int words = 0;
    for (auto match = word.globalMatch(boxes); match.hasNext();) {
        const QRegularExpressionMatch w = match.next();
        ++words;
        const QString text = w.captured(5);
        EXPECT_GE(w.captured(1).toDouble(), 18 * kPointsPerMm - 1) << text.toStdString();
        EXPECT_LE(w.captured(3).toDouble(), width - 18 * kPointsPerMm + 1) << text.toStdString();
        EXPECT_GE(w.captured(2).toDouble(), 10 * kPointsPerMm) << text.toStdString();
        EXPECT_LE(w.captured(4).toDouble(), height - 10 * kPointsPerMm) << text.toStdString();
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
        {model::akForward, 20, {0, 0, 0}},    {model::akTurnLeft, 5, {0, 1, 0}},
        {model::akForward, 12, {0, 1, 0}},    {model::akRotateRight, 10, {2, 0, 3}},
        {model::akStopWait, 255, {0, 0, 4}},  {model::akGoBack, 2, {0, 0, 0}},
        {model::akBackward, 7, {0, 0, 0}},    {model::akGoBack, 2, {0, 0, 0}},
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
    for (const QString& name : {title, QStringLiteral("Kavrin"), QStringLiteral("VELIC"),
                                QStringLiteral("PDF")}) {
        words.remove(name);
    }
    const QRegularExpression other(language == TLanguage::Greek ? QStringLiteral("[A-Za-z]+")
                                                                : QStringLiteral("[\\x{370}-\\x{3FF}]+"));
    const QRegularExpressionMatch found = other.match(words);
    EXPECT_FALSE(found.hasMatch()) << found.captured().toStdString();
}

class ProgramSheet : public ::testing::Test {
protected:
    QTemporaryDir dir_;
};

TEST_F(ProgramSheet, BeginnerInEnglish) {
    const test::TLanguageScope english(TLanguage::English);
    const TSheetSource source = Source(model::TMode::Beginner);
    const TProgramSheet sheet(source);
    const TReadBack back = ReadBack(sheet.Pdf(), dir_);
    ASSERT_EQ(back.pages, sheet.PageCount());
    ASSERT_EQ(back.pageTexts.size(), back.pages);
    ASSERT_GE(back.pages, 2);
    const QString& first = back.pageTexts[0];
    for (const QString& line : {
             QStringLiteral("square.kvn"), QStringLiteral("Date: Friday, 14 March 2025"),
             QStringLiteral("Mode: Beginner"), QStringLiteral("Sensors: on"),
             QStringLiteral("Servo centres (pulse width): left 745, right 754"),
             QStringLiteral("Main Action List"),
             QStringLiteral("1. Move forward, ") + Number("2.0 s"),
             QStringLiteral("2. Turn left, ") + Number("0.5 s"),
             QStringLiteral("← steps 6, 8 go back here"),
             QStringLiteral("3. Move forward, ") + Number("1.2 s"),
             QStringLiteral("4. Rotate right, ") + Number("1.0 s"),
             QStringLiteral("5. Stop and wait, ") + Number("25.5 s"),
             QStringLiteral("6. Go back to step 2"),
             QStringLiteral("7. Move backward, ") + Number("0.7 s"),
             QStringLiteral("8. Go back to step 2"),
         }) {
        EXPECT_TRUE(HasLine(first, line)) << line.toStdString() << "\n" << first.toStdString();
    }
    // Beginner mode has no sensor columns and no sensor sets.
    EXPECT_FALSE(first.contains(QStringLiteral("Sensor Set"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("Both")));
    EXPECT_FALSE(first.contains(QStringLiteral("The program Kavrin generated")));
    EXPECT_TRUE(HasLine(first, QStringLiteral("square.kvn Page 1 of %1").arg(back.pages)));

    // The program starts on the second page, numbered as the code view counts its lines.
    const QString& second = back.pageTexts[1];
    EXPECT_TRUE(HasLine(second, QStringLiteral("The program Kavrin generated (VELIC)")));
    EXPECT_TRUE(HasLine(second, QStringLiteral("1 '{$KORBLE KR2}"))) << second.toStdString();
    EXPECT_TRUE(HasLine(second, FirstDataLine(source))) << FirstDataLine(source).toStdString();
    EXPECT_TRUE(HasLine(second, QStringLiteral("square.kvn Page 2 of %1").arg(back.pages)));
    ExpectOneAlphabet(first, TLanguage::English, source.title);
    ExpectEveryWordInsideTheFrame(back.boxes);
}

TEST_F(ProgramSheet, AdvancedInGreek) {
    const test::TLanguageScope greek(TLanguage::Greek);
    TSheetSource source = Source(model::TMode::Advanced);
    source.sensorsEnabled = false;  // Advanced mode always uses them
    const TProgramSheet sheet(source);
    const TReadBack back = ReadBack(sheet.Pdf(), dir_);
    ASSERT_EQ(back.pages, sheet.PageCount());
    ASSERT_EQ(back.pageTexts.size(), back.pages);
    const QString& first = back.pageTexts[0];
    for (const QString& line : {
             QStringLiteral("Ημερομηνία: Παρασκευή 14 Μαρτίου 2025"),
             QStringLiteral("Λειτουργία: Για προχωρημένους"),
             QStringLiteral("Κέντρα σερβοκινητήρων (εύρος παλμού): αριστερός 745, δεξιός 754"),
             QStringLiteral("Κύρια λίστα ενεργειών"),
             QStringLiteral("Σετ αισθητήρων που καλεί το βήμα"),
             QStringLiteral("Μαζί Αριστερά Δεξιά"),
             // Each step with the sets its Both, Left and Right columns call.
             QStringLiteral("1. Κίνηση εμπρός, ") + Number("2.0") + QStringLiteral(" δευτ. Όλες Όλες Όλες"),
             QStringLiteral("2. Στροφή αριστερά, ") + Number("0.5") + QStringLiteral(" δευτ. Όλες Σετ1 Όλες"),
             QStringLiteral("← εδώ επιστρέφουν τα βήματα 6, 8"),
             QStringLiteral("4. Περιστροφή δεξιά, ") + Number("1.0") + QStringLiteral(" δευτ. Σετ2 Όλες Σετ3"),
             QStringLiteral("5. Στάση και αναμονή, ") + Number("25.5") + QStringLiteral(" δευτ. Όλες Όλες Σετ4"),
             QStringLiteral("6. Ελιγμός προς τα πίσω: επιστροφή στο βήμα 2 Όλες Όλες Όλες"),
             QStringLiteral("Σετ αισθητήρων «Όλες»"),
             QStringLiteral("1. Κίνηση πίσω, ") + Number("0.8") + QStringLiteral(" δευτ."),
             QStringLiteral("2. Περιστροφή αριστερά, ") + Number("0.6") + QStringLiteral(" δευτ."),
             QStringLiteral("Σετ αισθητήρων 1"),
             QStringLiteral("1. Στάση και αναμονή, ") + Number("0.5") + QStringLiteral(" δευτ."),
             QStringLiteral("Σετ αισθητήρων 4"),
         }) {
        EXPECT_TRUE(HasLine(first, line)) << line.toStdString() << "\n" << first.toStdString();
    }
    // No sensors line in Advanced mode, and Sets 2 to 4 have no steps.
    EXPECT_FALSE(first.contains(QStringLiteral("Αισθητήρες:")));
    EXPECT_EQ(CountLines({first}, QStringLiteral("(κανένα βήμα)")), 3);
    EXPECT_TRUE(HasLine(first, QStringLiteral("square.kvn Σελίδα 1 από %1").arg(back.pages)));
    EXPECT_TRUE(HasLine(back.pageTexts[1], QStringLiteral("Το πρόγραμμα που δημιούργησε το Kavrin (VELIC)")));
    EXPECT_TRUE(HasLine(back.pageTexts[1], FirstDataLine(source)));
    ExpectOneAlphabet(first, TLanguage::Greek, source.title);
    ExpectEveryWordInsideTheFrame(back.boxes);
}

TEST_F(ProgramSheet, BeginnerInGreekAndAdvancedInEnglish) {
    {
        const test::TLanguageScope greek(TLanguage::Greek);
        TSheetSource source = Source(model::TMode::Beginner);
        source.sensorsEnabled = false;
        const TReadBack back = ReadBack(TProgramSheet(source).Pdf(), dir_);
        ASSERT_GE(back.pages, 2);
        for (const QString& line : {
                 QStringLiteral("Λειτουργία: Για αρχάριους"), QStringLiteral("Αισθητήρες: ανενεργοί"),
                 QStringLiteral("← εδώ επιστρέφουν τα βήματα 6, 8"),
                 QStringLiteral("8. Ελιγμός προς τα πίσω: επιστροφή στο βήμα 2"),
             }) {
            EXPECT_TRUE(HasLine(back.pageTexts[0], line)) << line.toStdString();
        }
        // The generated program follows the check box: sensors off.
        EXPECT_TRUE(HasLine(back.pageTexts[1], FirstDataLine(source)));
        ExpectOneAlphabet(back.pageTexts[0], TLanguage::Greek, source.title);
    }
    {
        const test::TLanguageScope english(TLanguage::English);
        const TSheetSource source = Source(model::TMode::Advanced);
        const TReadBack back = ReadBack(TProgramSheet(source).Pdf(), dir_);
        ASSERT_GE(back.pages, 2);
        for (const QString& line : {
                 QStringLiteral("Mode: Advanced"), QStringLiteral("Sensor set the step calls"),
                 QStringLiteral("Both Left Right"),
                 QStringLiteral("2. Turn left, ") + Number("0.5 s All Set1 All"),
                 QStringLiteral("8. Go back to step 2 All All All"),
                 QStringLiteral("Sensor Set All"), QStringLiteral("Sensor Set 2"),
                 QStringLiteral("(no steps)"),
             }) {
            EXPECT_TRUE(HasLine(back.pageTexts[0], line)) << line.toStdString();
        }
        ExpectOneAlphabet(back.pageTexts[0], TLanguage::English, source.title);
    }
}

// 255 steps in the main list and in a set: every step once, in order, on as many pages as it
// takes, each page of a list under its heading; the program on pages of its own after them, and
// every line of it on the sheet.
TEST_F(ProgramSheet, LongListsFlowOntoFurtherPages) {
    const test::TLanguageScope english(TLanguage::English);
    TSheetSource source = Source(model::TMode::Advanced);
    for (int list : {model::kMainList, model::kSensorSet3}) {
        for (int row = 1; row <= model::kMaxSteps; ++row) {
            source.program.Step(list, row) = {static_cast<std::uint8_t>(row % 7),
                                              static_cast<std::int16_t>(row), {0, 0, 0}};
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

    // Where each list's steps lie, and where the program starts.
    int programPage = -1;
    int lastStepPage = -1;
    for (qsizetype p = 0; p < back.pageTexts.size(); ++p) {
        const QString& page = back.pageTexts[p];
        EXPECT_TRUE(HasLine(page, QStringLiteral("square.kvn Page %1 of %2").arg(p + 1).arg(back.pages)));
        if (programPage < 0 && page.contains(QStringLiteral("The program Kavrin generated"))) {
            programPage = static_cast<int>(p);
        }
        if (QRegularExpression(QStringLiteral("^\\s*\\d+\\. "), QRegularExpression::MultilineOption)
                .match(page)
                .hasMatch()) {
            lastStepPage = static_cast<int>(p);
            // A page of steps opens with its list's heading.
            const QString top = Lines(page).join(QLatin1Char('\n')).trimmed().section(QLatin1Char('\n'), 0, 0);
            if (p > 0) {
                EXPECT_TRUE(top.endsWith(QStringLiteral("(continued)")) || top.startsWith(QStringLiteral("Sensor Set")))
                    << "page " << p + 1 << ": " << top.toStdString();
            }
        }
    }
    EXPECT_EQ(programPage, lastStepPage + 1);
    EXPECT_TRUE(HasLine(back.pageTexts[1], QStringLiteral("Main Action List (continued)")));

    for (int row = 1; row < model::kMaxSteps; ++row) {
        const model::TBotAction& step = source.program.Step(model::kMainList, row);
        const QString name = UiString(model::kActionKinds[step.kind].nameString);
        const QString line = QStringLiteral("%1. %2, %3 s").arg(row).arg(name).arg(
            FormatSpinValue(step.value, {1, {}, {}}, false, SystemNumberChars()));
        // Once in the main list, with its columns, and once in Set 3.
        int found = 0;
        for (const QString& page : back.pageTexts) {
            for (const QString& shown : Lines(page)) {
                found += shown == line + QStringLiteral(" All All All") || shown == line;
            }
        }
        EXPECT_EQ(found, 2) << line.toStdString();
    }
    EXPECT_EQ(CountLines(back.pageTexts, QStringLiteral("255. Go back to step 10 Set1 Set2 Set3")), 1);
    EXPECT_EQ(CountLines(back.pageTexts, QStringLiteral("← step 255 goes back here")), 1);

    // Every line of the generated program is on the sheet, whole and in order.
    codegen::TProgramText text;
    ASSERT_TRUE(codegen::BuildCode(source.program, source.mode, true, text).ok);
    QString program;
    for (qsizetype p = programPage; p < back.pageTexts.size(); ++p) {
        for (const QString& line : Lines(back.pageTexts[p])) {
            if (!line.contains(QStringLiteral(" Page ")) && !line.startsWith(QStringLiteral("The program Kavrin"))) {
                program += line;
            }
        }
    }
    program.remove(QLatin1Char(' '));
    qsizetype at = 0;
    for (int i = 0; i < text.Count(); ++i) {
        const QString line = QString::number(i + 1) + QString::fromLatin1(text.Line(i).c_str()).remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
        const qsizetype found = program.indexOf(line, at);
        ASSERT_GE(found, 0) << "line " << i + 1 << ": " << text.Line(i);
        at = found + line.size();
    }
    ExpectEveryWordInsideTheFrame(back.boxes);
}

TEST_F(ProgramSheet, AProgramTheGeneratorRefusesStillShowsItsLists) {
    const test::TLanguageScope english(TLanguage::English);
    TSheetSource source = Source(model::TMode::Beginner);
    source.program.Step(model::kMainList, 6).value = 7;  // a go-back step cannot go forward
    const TReadBack back = ReadBack(TProgramSheet(source).Pdf(), dir_);
    ASSERT_EQ(back.pages, 2);
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("6. Go back to step 7")));
    const QString second = back.pageTexts[1].simplified();
    EXPECT_TRUE(second.contains(QStringLiteral("No program can be generated from these lists: ")))
        << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("Step 6 of Main Action List"))) << second.toStdString();
}

// --- In the windows ---------------------------------------------------------------------------

struct TSheetScript {
    QString answer;  // the file the sheet's dialog returns
    bool viewerStarts = true;
    int dialogs = 0;
    QWidget* dialogParent = nullptr;
    QString folder;
    QString proposed;
    QStringList viewed;
    QStringList errors;
    QStringList messages;
};

class TSheetDialogs : public TMainDialogs {
public:
    explicit TSheetDialogs(TSheetScript& script) : script_(script) {}
    QString SheetFileName(QWidget* parent, const QString& folder, const QString& proposed) override {
        ++script_.dialogs;
        script_.dialogParent = parent;
        script_.folder = folder;
        script_.proposed = proposed;
        return script_.answer;
    }
    bool OpenWithViewer(const QString& file) override {
        script_.viewed << file;
        return script_.viewerStarts;
    }
    void ShowError(QWidget*, const QString& message) override { script_.errors << message; }
    void ShowMessage(QWidget*, const QString& message) override { script_.messages << message; }

private:
    TSheetScript& script_;
};

class SheetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
        window_.SetDialogs(std::make_unique<TSheetDialogs>(script_));
        window_.SetSettingsStore(store_.get());
        window_.SetPortEnumerator([](std::vector<std::string>& list) { list.clear(); });
        window_.ShowForMode(model::TMode::Beginner);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        window_.Face()->FinishUncovering();
        window_.Document()->InsertIntoList(model::kMainList, 1, 12, model::akForward);
        window_.Document()->InsertIntoList(model::kMainList, 2, 1, model::akGoBack);
    }
    void PressCtrlP(QWidget* where) { QTest::keyClick(where, Qt::Key_P, Qt::ControlModifier); }
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    static QByteArray Contents(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> store_;
    TSheetScript script_;
    TMainForm window_;
};

TEST_F(SheetCommand, CtrlPSavesBesideTheProgramAndOpensIt) {
    const test::TLanguageScope english(TLanguage::English);
    ASSERT_TRUE(window_.Document()->SaveFile(ToCorePath(Path("walk.kvn"))).ok);
    script_.answer = Path("walk.pdf");
    PressCtrlP(window_.Grid(model::kMainList));
    EXPECT_EQ(script_.dialogs, 1);
    EXPECT_EQ(script_.dialogParent, &window_);
    EXPECT_EQ(QFileInfo(script_.folder).canonicalFilePath(), QFileInfo(dir_.path()).canonicalFilePath());
    EXPECT_EQ(script_.proposed, Path("walk.pdf"));
    EXPECT_TRUE(script_.errors.isEmpty()) << script_.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(script_.viewed, QStringList{Path("walk.pdf")});
    EXPECT_TRUE(Contents(Path("walk.pdf")).startsWith("%PDF-"));
    EXPECT_FALSE(QFile::exists(Path("walk.pdf.saving")));
    const TReadBack back = ReadBack(Path("walk.pdf"));
    ASSERT_GE(back.pages, 2);
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("walk.kvn")));
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("1. Move forward, ") + Number("1.2 s")));
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("2. Go back to step 1")));
    // The window's check box says whether the program uses the sensors.
    EXPECT_TRUE(HasLine(back.pageTexts[0], QStringLiteral("Sensors: off")));

    // Ctrl+P from another control reaches the window too; a name without ".pdf" gets it.
    window_.SensorsEnabled()->setChecked(true);
    script_.answer = Path("walk");
    PressCtrlP(window_.HyperHelp());
    EXPECT_EQ(script_.dialogs, 2);
    EXPECT_EQ(script_.viewed.back(), Path("walk.pdf"));
    EXPECT_EQ(Contents(Path("walk.kvn")).size(), static_cast<qsizetype>(model::kRecordSize));
    EXPECT_TRUE(HasLine(ReadBack(Path("walk.pdf")).pageTexts[0], QStringLiteral("Sensors: on")));
    script_.answer = Path("walk.kvn");  // never over the program's own file
    PressCtrlP(window_.Grid(model::kMainList));
    EXPECT_EQ(Contents(Path("walk.kvn")).size(), static_cast<qsizetype>(model::kRecordSize));
    EXPECT_TRUE(QFile::exists(Path("walk.kvn.pdf")));
}

TEST_F(SheetCommand, AnUnnamedProgramCancelAndNoViewer) {
    // No file yet: the dialogs' folder and the unnamed program's name.
    script_.answer.clear();
    PressCtrlP(window_.Grid(model::kMainList));
    EXPECT_EQ(script_.dialogs, 1);
    EXPECT_EQ(script_.proposed,
              QDir(window_.FileFolder()).filePath(UiString(resources::str::kSheetUntitled) + QStringLiteral(".pdf")));
    EXPECT_TRUE(script_.viewed.isEmpty());
    EXPECT_TRUE(script_.errors.isEmpty());

    // Written, but nothing shows it: said so, not an error.
    script_.answer = Path("sheet.pdf");
    script_.viewerStarts = false;
    PressCtrlP(window_.Grid(model::kMainList));
    EXPECT_TRUE(QFile::exists(Path("sheet.pdf")));
    EXPECT_TRUE(script_.errors.isEmpty());
    ASSERT_EQ(script_.messages.size(), 1);
    EXPECT_EQ(script_.messages[0], UiString(resources::str::kSheetNoViewer).arg(Path("sheet.pdf")));
    EXPECT_TRUE(HasLine(ReadBack(Path("sheet.pdf")).pageTexts[0], UiString(resources::str::kSheetUntitled)));
}

TEST_F(SheetCommand, AFailedWriteKeepsTheOldFile) {
    const QString file = Path("kept.pdf");
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the sheet of yesterday");
    }
    ASSERT_TRUE(QDir().mkdir(file + QStringLiteral(".saving")));  // the temporary cannot be written
    script_.answer = file;
    PressCtrlP(window_.Grid(model::kMainList));
    ASSERT_EQ(script_.errors.size(), 1);
    EXPECT_TRUE(script_.errors[0].contains(file)) << script_.errors[0].toStdString();
    EXPECT_TRUE(script_.errors[0].contains(UiString(resources::str::kReasonIsFolder)))
        << script_.errors[0].toStdString();
    EXPECT_TRUE(script_.viewed.isEmpty());
    EXPECT_EQ(Contents(file), QByteArray("the sheet of yesterday"));
}

TEST_F(SheetCommand, TheCodeViewsButtonAndCtrlP) {
    TCodeForm view(&window_);
    window_.SetCodeView(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.SheetButton()->text(), UiString(resources::str::kSheetButton));
    EXPECT_FALSE(view.SheetButton()->geometry().intersects(view.CloseButton()->geometry()));
    script_.answer = Path("from-view.pdf");
    QTest::mouseClick(view.SheetButton(), Qt::LeftButton);
    EXPECT_EQ(script_.dialogs, 1);
    EXPECT_EQ(script_.dialogParent, &view);
    EXPECT_TRUE(QFile::exists(Path("from-view.pdf")));
    PressCtrlP(view.Editor());
    EXPECT_EQ(script_.dialogs, 2);
    EXPECT_EQ(script_.dialogParent, &view);
    EXPECT_TRUE(view.isVisible());  // the view stays open
    view.close();
}

}  // namespace
}  // namespace kavrin::ui
