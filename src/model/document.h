#pragma once
// The action program being edited, with everything the editor keeps beside it: the current list,
// the modified flag, the clipboard shared by all lists, the ten-level undo ring and each grid's
// selection and scroll position. The main window only maps mouse and keys onto these calls and
// draws what they leave behind.
//
// Rows are grid rows: row 0 is the header, rows 1..count hold the steps, row count+1 is the
// empty row that takes appended steps.

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "model/action_program.h"
#include "model/kvn_file.h"

namespace kavrin::model {

// Grid columns. The main list shows the sensor columns only in Advanced mode.
enum TGridColumn : int { gcStep = 0, gcAction = 1, gcBoth = 2, gcLeft = 3, gcRight = 4 };

// A grid's visible rows: rows beyond these scroll.
inline constexpr int kMainVisibleRows = 7;
inline constexpr int kSensorVisibleRows = 6;

inline constexpr int kUndoLevels = 10;

struct TSelection {
    int top = 1;
    int bottom = 1;
};

struct TListView {
    TSelection selection;
    int topRow = 1;  // first step row shown under the header
};

// Which edit commands the buttons offer. The keys act regardless.
struct TCommandAvailability {
    bool run = false;
    bool clear = false;
    bool save = false;
    bool del = false;
    bool copy = false;
    bool cut = false;
    bool paste = false;
    bool undo = false;

    friend bool operator==(const TCommandAvailability&, const TCommandAvailability&) = default;
};

enum class TSaveAnswer { Yes, No, Cancel };

// What changed in the steps since the caller last took the changes, so that a grid repaints
// only that. Every change counts in the revision, which never goes back.
struct TDocumentChange {
    static constexpr int kAllLists = 0;
    static constexpr int kNoRow = 0;

    std::uint64_t revision = 0;
    bool any = false;
    int list = kAllLists;    // the one list changed, or kAllLists
    int firstRow = kNoRow;   // first step row changed in that list (kNoRow with kAllLists)
    int lastRow = kNoRow;    // last step row changed; with rowsMoved, to the end of the list
    bool rowsMoved = false;  // steps were inserted or removed: rows from firstRow on moved
};

// Whether a list takes steps of a kind: a sensor set never takes a go-back step (the robot's
// sensor routine understands none).
bool ListTakes(int list, std::uint8_t kind);

// Why a palette tile does not go into a list, dropped or by the keyboard.
enum class TInsertRefusal { None, NotAList, ListFull, NoGoBackInSensorSet };

class TActionDocument {
public:
    explicit TActionDocument(TMode mode = TMode::Beginner);

    TMode Mode() const { return mode_; }
    const TActionProgram& Program() const { return program_; }
    int Count(int list) const { return program_.Count(list); }
    const TBotAction& Step(int list, int row) const { return program_.Step(list, row); }
    int RowCount(int list) const { return Count(list) + 2; }

    int CurrentList() const { return currentList_; }
    void SetCurrentList(int list);
    bool Modified() const { return modified_; }
    const TListView& View(int list) const { return views_[Index(list)]; }
    void SetCalibration(std::uint8_t left, std::uint8_t right);

    // --- Primitives on one list. They keep the step count themselves. -------------------------

    // Inserts a step at row (1..count+1); its sensor columns come from the step above (0 at
    // row 1). Later go-back steps keep pointing at the same step; a go-back step's own target
    // is kept at most its row. False when the list is full.
    bool InsertIntoList(int list, int row, std::int16_t value, std::uint8_t kind);
    // Inserts a whole step, its own sensor columns included.
    bool InsertStepIntoList(int list, int row, const TBotAction& step);
    // Removes the step at row (1..count) and returns it; later go-back steps follow.
    TBotAction DeleteFromList(int list, int row);
    // Every list becomes empty (a change only where a list had steps).
    void ClearAll();
    // Pushes the six lists onto the undo ring. The flag is the commands' business: a command
    // marks the program modified only when its steps really changed.
    void TakeUndoSnapshot();
    // Restores and drops the newest snapshot; nothing happens when the ring is empty.
    void DoUndo();
    // Called before a step's value is overwritten: records the state for undo.
    void ValueChanging();
    TCommandAvailability AutoEnableDisable() const;

    // --- Commands ------------------------------------------------------------------------------

    void Delete();
    void Copy();
    void Cut();
    void Paste();
    void Undo() { DoUndo(); }
    void Clear();
    // A step's spin control: writes the value (kept within what the spin offers) and reports it.
    // A value equal to the step's, once kept within the limits, changes nothing: no undo level,
    // no modified flag.
    void SetStepValue(int list, int row, std::int16_t value);

    // A palette tile dropped on a grid row (the header counts as row 1, anything below the last
    // row appends). Returns whether a step was inserted.
    bool DropAction(int list, int row, std::uint8_t kind);
    // Whether the sensor-set tile may be dropped on this cell of a grid.
    bool AcceptsSensorSet(int list, int row, int column) const;
    // The sensor-set tile dropped on a cell: sets that column of the step to the tab's set.
    void DropSensorSet(int list, int row, int column, int sensorSet);
    // Why DropAction of a kind on a list would insert nothing (None: it inserts).
    TInsertRefusal InsertRefusal(int list, std::uint8_t kind) const;
    // Double-click on a palette tile: appends it to the current list.
    bool AppendAction(std::uint8_t kind);
    // Enter on a palette tile: DropAction on the current list's selected row (the header counts
    // as row 1, the empty row appends). The selection moves down with the steps it was on, so
    // that the next tile goes in after this one.
    bool InsertAtSelection(std::uint8_t kind);
    // Drag of a step by its number to another row. Not undoable, but it is a change.
    void MoveRow(int list, int fromRow, int toRow);
    // Ctrl+Up and Ctrl+Down: the selected steps move one row as a block, by MoveRow of the step
    // beside them to their other end; the selection goes with them. Nothing happens at an end.
    void MoveSelectedSteps(int list, int delta);
    // + and -: the selected step's duration by delta tenths of a second, through SetStepValue
    // (one undo level, kept within the limits). A go-back step keeps its target.
    void ChangeSelectedDuration(int list, int delta);
    // Ctrl+Shift+B, L, R (Advanced mode): the set written into that column of every selected
    // main-list step, as the sensor-set tile dropped there does, with one undo level.
    void SetSensorColumnOfSelection(int column, int sensorSet);
    // Press in the step-number column; with extend (Shift) the selection grows from its top row.
    void SelectRow(int list, int row, bool extend);
    void SetSelection(int list, TSelection selection);
    // The grid scrolled: its first step row, kept at least 1 and within the list's rows.
    void SetTopRow(int list, int row);

    // --- Files ---------------------------------------------------------------------------------

    // The last file saved or loaded: what the save dialog proposes.
    const std::filesystem::path& FileName() const { return fileName_; }
    TFileResult SaveFile(const std::filesystem::path& path);
    TFileResult LoadFile(const std::filesystem::path& path);
    // A recovery copy taken in: its steps and calibration under the file name they belonged
    // to, modified, since they were never saved so. The undo ring and the clipboard stay.
    void TakeRecovered(const TActionProgram& program, const std::filesystem::path& fileName);
    // Asks about unsaved changes when there are any; on Yes, saves (save returns whether the
    // program was written). Cancel, or a Yes whose save did not happen, returns Cancel: the
    // caller stops.
    TSaveAnswer CheckIfSaved(const std::function<TSaveAnswer()>& ask,
                             const std::function<bool()>& save);

    // The steps changed since the last call, then starts collecting afresh.
    TDocumentChange TakeChanges();
    std::uint64_t Revision() const { return change_.revision; }

    // The clipboard as a list of steps, for display and tests.
    int ClipboardCount() const;
    const TBotAction& ClipboardStep(int slot) const {
        return clipboard_[static_cast<std::size_t>(slot)];
    }

private:
    struct TSnapshot {
        std::array<TActionList, kListCount> lists;  // slot 0's value holds the step count
    };

    static std::size_t Index(int list) { return static_cast<std::size_t>(list - 1); }
    TListView& ViewOf(int list) { return views_[Index(list)]; }
    // The selection as the edit commands see it: bottom lowered to the last step.
    TSelection EditSelection(int list) const;
    bool AnyStepSelected(int list) const;
    // Delete, copy and cut: the selected steps, to the clipboard and/or out of the list.
    void TakeSelection(bool toClipboard, bool remove);
    void WriteClipboardEnd(int copied);
    void ClampView(int list);
    void ScrollToEnd(int list);
    // Records a change of rows first..last of a list (kAllLists: anything anywhere).
    void Changed(int list, int first, int last, bool rowsMoved);
    // Sets the modified flag when a change was recorded since the revision given.
    void MarkModifiedSince(std::uint64_t revision);

    TMode mode_;
    TActionProgram program_;
    int currentList_ = kMainList;
    bool modified_ = false;
    std::array<TListView, kListCount> views_{};
    std::array<TBotAction, kSlotsPerList> clipboard_{};  // slots 1..255; value -1 ends it
    std::array<TSnapshot, kUndoLevels> undo_{};
    int newest_ = -1;
    int oldest_ = -1;
    std::filesystem::path fileName_;
    TDocumentChange change_;
};

}  // namespace kavrin::model
