#include "ui/start_window.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "ui/main_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

TEST(StartWindow, FaceAndTitle) {
    TIntroForm form;
    EXPECT_EQ(form.size(), QSize(266, 112));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());  // not sizeable
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.BeginnerButton()->geometry(), QRect(72, 16, 125, 33));
    EXPECT_EQ(form.AdvancedButton()->geometry(), QRect(72, 64, 125, 33));
    EXPECT_EQ(form.BeginnerButton()->text(), UiString(366));
    EXPECT_EQ(form.AdvancedButton()->text(), UiString(367));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Kavrin v1.3 - Επιλέξτε λειτουργία"));
    // Both captions in one type, the longer clear of its button's edges.
    EXPECT_EQ(form.BeginnerButton()->font(), form.AdvancedButton()->font());
    for (const QPushButton* button : {form.BeginnerButton(), form.AdvancedButton()}) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 2 * 12, button->width())
            << button->text().toStdString();
    }
    // Without a version the title runs straight on to the separator.
    EXPECT_EQ(TIntroForm::TitleFor(QString()), QStringLiteral("Kavrin v - ") + UiString(368));
}

TEST(StartWindow, EitherButtonFixesTheModeOnce) {
    for (const auto& [button, mode] :
         {std::pair{0, model::TMode::Beginner}, std::pair{1, model::TMode::Advanced}}) {
        TIntroForm form;
        TMainForm main;
        QObject::connect(&form, &TIntroForm::ModeChosen, &main,
                         [&main](model::TMode m) { main.ShowForMode(m); });
        QSignalSpy chosen(&form, &TIntroForm::ModeChosen);
        QSignalSpy closed(&form, &TIntroForm::ClosedWithoutMode);
        form.show();
        QPushButton* pressed = button == 0 ? form.BeginnerButton() : form.AdvancedButton();
        QPushButton* other = button == 0 ? form.AdvancedButton() : form.BeginnerButton();
        QTest::mouseClick(pressed, Qt::LeftButton);
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen.at(0).at(0).value<model::TMode>(), mode);
        EXPECT_FALSE(form.isVisible());
        ASSERT_TRUE(main.isVisible());
        EXPECT_EQ(main.Document()->Mode(), mode);
        // The mode holds for the run: a later click (or close) changes nothing.
        other->click();
        form.close();
        EXPECT_EQ(chosen.count(), 1);
        EXPECT_EQ(closed.count(), 0);
        EXPECT_EQ(main.Document()->Mode(), mode);
    }
}

TEST(StartWindow, ClosingBeforeAChoiceEndsTheRun) {
    TIntroForm form;
    QSignalSpy chosen(&form, &TIntroForm::ModeChosen);
    QSignalSpy closed(&form, &TIntroForm::ClosedWithoutMode);
    form.show();
    form.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(chosen.count(), 0);
}

TEST(MainWindow, LoadsTheCommandLineFileOnceTheModeIsKnown) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.kvn"));
    model::TActionDocument saved(model::TMode::Advanced);
    saved.InsertIntoList(model::kMainList, 1, 25, model::akTurnLeft);
    ASSERT_TRUE(saved.SaveFile(QFile::encodeName(good).toStdString()).ok);

    TMainForm main;
    main.SetPendingFile(good);
    main.ShowForMode(model::TMode::Advanced);
    EXPECT_EQ(main.Document()->Count(model::kMainList), 1);

    // A file of the other mode is refused with a message and leaves the program empty. The
    // message box is modal; answer it as soon as it shows.
    TMainForm beginner;
    beginner.SetPendingFile(good);
    bool reported = false;
    QTimer::singleShot(0, [&reported] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            reported = true;
            box->close();
        }
    });
    beginner.ShowForMode(model::TMode::Beginner);
    EXPECT_TRUE(reported);
    EXPECT_EQ(beginner.Document()->Count(model::kMainList), 0);
}

// What comes after the start window is built once it has been drawn: the window says so once,
// after its first picture, and not again when it is drawn again.
TEST(StartWindow, SaysOnceThatItHasBeenDrawn) {
    TIntroForm form;
    QSignalSpy drawn(&form, &TIntroForm::FirstDrawn);
    QCoreApplication::processEvents();
    EXPECT_EQ(drawn.count(), 0);  // not shown yet
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() == 1; }, 2000));
    form.repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(drawn.count(), 1);
}

}  // namespace
}  // namespace kavrin::ui
