#pragma once
// The port status table: one row per entry of the port list, filled by the scan and read by the
// download's choice of target. The progress window draws it; columns 5 and 6 are data the
// window never shows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace kavrin::link {

enum PortStatusColumn : std::size_t {
    kColPort = 0,       // port name followed by ":"
    kColDevice = 1,     // model name, or why the port did not open, or "skipped"
    kColVersion = 2,    // "v1.0"
    kColLoopback = 3,   // yes / no
    kColEcho = 4,       // yes / no
    kColModel = 5,      // model code in decimal, "0" when none; empty before the scan
    kColCandidate = 6,  // "+" on rows whose module matches the program
};
inline constexpr std::size_t kPortStatusColumns = 7;
// UI strings of the headings of columns 0 to 4.
inline constexpr int kFirstHeadingString = 381;
inline constexpr std::size_t kHeadingCount = 5;
// The window shows this many data rows; the scan scrolls to keep the row it reports in view.
inline constexpr int kVisibleDataRows = 6;
inline constexpr std::string_view kCandidateMark = "+";

using PortStatusRow = std::array<std::string, kPortStatusColumns>;

struct PortStatusTable {
    // rows[k] is the grid's data row k + 1 and belongs to entry k of the port list.
    std::vector<PortStatusRow> rows;
    // First visible data row, counted as the grid counts (1 = the first data row).
    int topRow = 1;

    // Grid row (1-based) brought into the visible six, as the window scrolls it.
    void ScrollTo(int gridRow) {
        if (gridRow > topRow + kVisibleDataRows - 1) {
            topRow = gridRow - (kVisibleDataRows - 1);
        } else if (gridRow < topRow) {
            topRow = gridRow;
        }
    }
    // Makes a grid row the top one, as far as the six visible rows can go down the table.
    void ScrollToTop(int gridRow) {
        const int lastTop = std::max(1, static_cast<int>(rows.size()) - (kVisibleDataRows - 1));
        topRow = std::clamp(gridRow, 1, lastTop);
    }
    // The model code written by the scan; an empty or unreadable cell counts as 0.
    int ModelOf(std::size_t portIndex) const;
    bool IsCandidate(std::size_t portIndex) const {
        return portIndex < rows.size() && rows[portIndex][kColCandidate] == kCandidateMark;
    }
};

// The headings of columns 0 to 4 (UI strings 381 to 385).
std::array<std::string, kHeadingCount> PortStatusHeadings();

}  // namespace kavrin::link
