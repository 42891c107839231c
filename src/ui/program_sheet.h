#pragma once
// The program sheet: the action program on A4 paper, in the run's language. The first page
// opens with the program's title, the date, the mode and the servo calibration; then every list
// (the main list and, in Advanced mode, the five sensor sets) follows step by step, each step
// with its tile's picture, its number, name and duration or go-back target, a note on the steps
// that go back to it, and in Advanced mode the sensor set each of the main list's columns calls.
// The generated program starts on a page of its own, numbered by line as the code view counts
// them, with lines too long for the page wrapped below their number. Long lists and programs
// flow onto further pages; every page ends with the title and "Page N of M".
//
// The texts come from the string table and the core (the kinds' names, the lists' names, the
// code generator); this file only lays them out. Everything is placed in tenths of a millimetre
// from the page's top left corner, so the PDF and a page drawn as a picture are the same sheet.

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QString>

#include <vector>

#include "model/action_program.h"

class QPainter;

namespace kavrin::ui {

// What the sheet is made of; the window fills it from its document.
struct TSheetSource {
    QString title;  // the program's file name, or UI string 764 for a program without one
    QDate date;
    model::TMode mode = model::TMode::Beginner;
    bool sensorsEnabled = false;  // Beginner mode's "use sensors" (Advanced mode always uses them)
    model::TActionProgram program;
};

class TProgramSheet {
public:
    // A4 in tenths of a millimetre.
    static constexpr int kPageWidth = 2100;
    static constexpr int kPageHeight = 2970;

    // Lays the whole sheet out.
    explicit TProgramSheet(const TSheetSource& source);
    ~TProgramSheet();
    TProgramSheet(const TProgramSheet&) = delete;
    TProgramSheet& operator=(const TProgramSheet&) = delete;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    // Paints one page (from 0) with the painter's units in tenths of a millimetre.
    void PaintPage(QPainter& painter, int page) const;
    // The whole sheet as a PDF document; empty when one cannot be made.
    QByteArray Pdf() const;
    // One page drawn on white at a resolution in dots per inch.
    QImage PageImage(int page, int dpi) const;

    struct TItem;

private:
    QString title_;
    std::vector<std::vector<TItem>> pages_;
    // The tiles' pictures by kind, made once so that the PDF holds each picture once.
    std::vector<QImage> pictures_;
};

}  // namespace kavrin::ui
