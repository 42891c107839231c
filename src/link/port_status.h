#pragma once
// The port status table: one row per entry of the port list, filled by the scan and read by the
// download's choice of target. The progress window draws the five texts of each row; the model
// code and the candidate flag are data it never shows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::link {

enum PortStatusColumn : std::size_t {
    kColPort = 0,      // port name followed by ":"
    kColDevice = 1,    // model name, or why the port did not open, or "skipped"
    kColVersion = 2,   // "v1.0"
    kColLoopback = 3,  // yes / no
    kColEcho = 4,      // yes / no
};
inline constexpr std::size_t kPortStatusColumns = 5;
inline constexpr std::size_t kHeadingCount = 5;
// The window shows this many data rows; the scan scrolls to keep the row it reports in view.
inline constexpr int kVisibleDataRows = 6;
inline constexpr int kNotScanned = -1;

struct PortStatusRow {
    // The texts as the window shows them.
    std::array<std::string, kPortStatusColumns> texts;
    // The model code the scan found, 0 when none.
    int model = kNotScanned;
    // The module matches the program to download.
    bool candidate = false;

    std::string& operator[](std::size_t column) { return texts[column]; }
    const std::string& operator[](std::size_t column) const { return texts[column]; }
};

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
    // The model code found by the scan; 0 for a row not scanned and outside the table.
    int ModelOf(std::size_t portIndex) const {
        return portIndex < rows.size() ? std::max(rows[portIndex].model, 0) : 0;
    }
    bool IsCandidate(std::size_t portIndex) const {
        return portIndex < rows.size() && rows[portIndex].candidate;
    }
};

// The headings of columns 0 to 4 (UI strings 381 to 385).
std::array<std::string, kHeadingCount> PortStatusHeadings();

}  // namespace kavrin::link
