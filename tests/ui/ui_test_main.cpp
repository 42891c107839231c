// Window tests run on the offscreen platform with one QApplication for the whole program.

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

#include "ui/screenshots.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The fonts the windows ask for, as kavrin --screenshots reads them.
    kavrin::ui::UseSystemFontsWithoutDisplay();
    QApplication app(argc, argv);
#if defined(Q_OS_WIN)
    // Wine's font folder has Liberation's fonts in place of Arial and Courier New, whose metrics
    // they share (scripts/windows-test.sh puts them there).
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
