#include "model/document.h"

#include <algorithm>

namespace kavrin::model {

namespace {

constexpr TBotAction kClipboardEnd = kHeaderSlot;  // value -1 marks the end

// An append scrolls once the grid (header and empty row included) is longer than this.
constexpr int kScrollAfterRows = 8;

int VisibleRows(int list) { return list == kMainList ? kMainVisibleRows : kSensorVisibleRows; }

}  // namespace

TActionDocument::TActionDocument(TMode mode) : mode_(mode) { clipboard_.fill(kClipboardEnd); }

void TActionDocument::SetCurrentList(int list) {
    if (IsValidList(list)) {
        currentList_ = list;
    }
}

void TActionDocument::SetCalibration(std::uint8_t left, std::uint8_t right) {
    program_.leftServoCenter = std::min(left, kMaxServoCenter);
    program_.rightServoCenter = std::min(right, kMaxServoCenter);
    ++change_.revision;  // no step row shows the calibration
}

void TActionDocument::Changed(int list, int first, int last, bool rowsMoved) {
    TDocumentChange& c = change_;
    ++c.revision;
    if (!c.any) {
        c.any = true;
        c.list = list;
        c.firstRow = first;
        c.lastRow = last;
        c.rowsMoved = rowsMoved;
        return;
    }
    if (c.list != list || list == TDocumentChange::kAllLists) {
        c.list = TDocumentChange::kAllLists;
        c.firstRow = c.lastRow = TDocumentChange::kNoRow;
        return;
    }
    c.firstRow = std::min(c.firstRow, first);
    c.lastRow = std::max(c.lastRow, last);
    c.rowsMoved = c.rowsMoved || rowsMoved;
}

TDocumentChange TActionDocument::TakeChanges() {
    const TDocumentChange taken = change_;
    change_ = TDocumentChange{};
    change_.revision = taken.revision;
    return taken;
}

// --- Primitives ----------------------------------------------------------------------------------

bool TActionDocument::InsertIntoList(int list, int row, std::int16_t value, std::uint8_t kind) {
    int& count = program_.Count(list);
    if (count >= kMaxSteps || row < 1 || row > count + 1) {
        return false;
    }
    TActionList& steps = program_.List(list);
    std::copy_backward(steps.begin() + row, steps.begin() + count + 1, steps.begin() + count + 2);
    TBotAction& slot = steps[static_cast<std::size_t>(row)];
    slot.kind = kind;
    // A go-back step goes back, never ahead: a pasted or moved one that lands above its target
    // goes back to the row it lands on, as its spin control would offer.
    slot.value = kind == akGoBack ? std::min(value, static_cast<std::int16_t>(row)) : value;
    slot.sensors = row >= 2 ? steps[static_cast<std::size_t>(row - 1)].sensors
                            : std::array<std::uint8_t, kSensorColumnCount>{};
    ++count;
    Changed(list, row, count, true);
    for (int k = row + 1; k <= count; ++k) {
        TBotAction& later = steps[static_cast<std::size_t>(k)];
        if (later.kind == akGoBack && later.value >= row) {
            ++later.value;
        }
    }
    return true;
}

bool TActionDocument::InsertStepIntoList(int list, int row, const TBotAction& step) {
    if (!InsertIntoList(list, row, step.value, step.kind)) {
        return false;
    }
    program_.Step(list, row).sensors = step.sensors;
    Changed(list, row, row, false);
    return true;
}

TBotAction TActionDocument::DeleteFromList(int list, int row) {
    int& count = program_.Count(list);
    if (row < 1 || row > count) {
        return kHeaderSlot;
    }
    TActionList& steps = program_.List(list);
    const TBotAction removed = steps[static_cast<std::size_t>(row)];
    std::copy(steps.begin() + row + 1, steps.begin() + count + 1, steps.begin() + row);
    Changed(list, row, count + 1, true);
    --count;
    for (int k = row; k <= count; ++k) {
        TBotAction& later = steps[static_cast<std::size_t>(k)];
        if (later.kind == akGoBack && later.value > row) {
            --later.value;
        }
    }
    return removed;
}

void TActionDocument::ClearAll() {
    const bool anySteps =
        std::any_of(program_.counts.begin(), program_.counts.end(), [](int n) { return n > 0; });
    program_.counts.fill(0);
    if (anySteps) {
        Changed(TDocumentChange::kAllLists, TDocumentChange::kNoRow, TDocumentChange::kNoRow, true);
    }
    for (int list = 1; list <= kListCount; ++list) {
        ClampView(list);
    }
}

void TActionDocument::TakeUndoSnapshot() {
    newest_ = (newest_ + 1) % kUndoLevels;
    if (newest_ == oldest_) {
        oldest_ = (oldest_ + 1) % kUndoLevels;
    }
    if (oldest_ == -1) {
        oldest_ = 0;
    }
    TSnapshot& snapshot = undo_[static_cast<std::size_t>(newest_)];
    for (int list = 1; list <= kListCount; ++list) {
        TActionList& saved = snapshot.lists[Index(list)];
        const TActionList& steps = program_.List(list);
        const int count = program_.Count(list);
        std::copy(steps.begin() + 1, steps.begin() + count + 1, saved.begin() + 1);
        saved[0] = kHeaderSlot;
        saved[0].value = static_cast<std::int16_t>(count);
    }
}

void TActionDocument::MarkModifiedSince(std::uint64_t revision) {
    if (change_.revision != revision) {
        modified_ = true;
    }
}

void TActionDocument::DoUndo() {
    if (newest_ < 0) {
        return;
    }
    const TSnapshot& snapshot = undo_[static_cast<std::size_t>(newest_)];
    for (int list = 1; list <= kListCount; ++list) {
        const TActionList& saved = snapshot.lists[Index(list)];
        const int count = saved[0].value;
        const auto current = program_.List(list).begin() + 1;
        // Steps other than the file's (an undo past a load or a save) must be saved again.
        if (count != Count(list) ||
            !std::equal(saved.begin() + 1, saved.begin() + count + 1, current)) {
            modified_ = true;
        }
        std::copy(saved.begin() + 1, saved.begin() + count + 1, current);
        program_.Count(list) = count;
        ClampView(list);
    }
    Changed(TDocumentChange::kAllLists, TDocumentChange::kNoRow, TDocumentChange::kNoRow, true);
    if (newest_ == oldest_) {
        newest_ = oldest_ = -1;
    } else {
        newest_ = (newest_ + kUndoLevels - 1) % kUndoLevels;
    }
}

void TActionDocument::ValueChanging() { TakeUndoSnapshot(); }

TCommandAvailability TActionDocument::AutoEnableDisable() const {
    const int top = View(currentList_).selection.top;
    const bool onStep = top != 0 && top != Count(currentList_) + 1;
    const bool hasSteps = Count(kMainList) > 0;
    TCommandAvailability a;
    a.del = a.copy = a.cut = onStep;
    a.paste = ClipboardCount() > 0 && top != 0;
    a.run = a.clear = a.save = hasSteps;
    a.undo = newest_ >= 0;
    return a;
}

// --- Selection -----------------------------------------------------------------------------------

TSelection TActionDocument::EditSelection(int list) const {
    TSelection s = View(list).selection;
    s.bottom = std::min(s.bottom, Count(list));
    return s;
}

bool TActionDocument::AnyStepSelected(int list) const {
    const TSelection s = EditSelection(list);
    return s.top >= 1 && s.top <= s.bottom;
}

void TActionDocument::SelectRow(int list, int row, bool extend) {
    if (!IsValidList(list)) {
        return;
    }
    currentList_ = list;
    row = std::clamp(row, 1, RowCount(list) - 1);
    TSelection& s = ViewOf(list).selection;
    if (extend) {
        const int anchor = s.top;
        s = {std::min(anchor, row), std::max(anchor, row)};
    } else {
        s = {row, row};
    }
}

void TActionDocument::SetSelection(int list, TSelection selection) {
    if (!IsValidList(list)) {
        return;
    }
    ViewOf(list).selection = selection;
    ClampView(list);
}

void TActionDocument::SetTopRow(int list, int row) {
    if (!IsValidList(list)) {
        return;
    }
    ViewOf(list).topRow = row;
    ClampView(list);
}

void TActionDocument::ClampView(int list) {
    TListView& view = ViewOf(list);
    const int lastRow = RowCount(list) - 1;
    view.selection.top = std::clamp(view.selection.top, 0, lastRow);
    view.selection.bottom = std::clamp(view.selection.bottom, view.selection.top, lastRow);
    view.topRow = std::clamp(view.topRow, 1, std::max(1, lastRow));
}

void TActionDocument::ScrollToEnd(int list) {
    // Keep the appended step and the empty row below it in sight.
    const int rows = RowCount(list);
    if (rows > kScrollAfterRows) {
        ViewOf(list).topRow = rows - VisibleRows(list);
    }
}

// --- Clipboard commands --------------------------------------------------------------------------

int TActionDocument::ClipboardCount() const {
    int n = 0;
    while (n + 1 < kSlotsPerList && clipboard_[static_cast<std::size_t>(n + 1)].value != -1) {
        ++n;
    }
    return n;
}

void TActionDocument::WriteClipboardEnd(int copied) {
    // A full clipboard has no room for the end mark; paste then stops one short of it.
    if (copied + 1 <= kMaxSteps) {
        clipboard_[static_cast<std::size_t>(copied + 1)] = kClipboardEnd;
    }
}

void TActionDocument::TakeSelection(bool toClipboard, bool remove) {
    const int list = currentList_;
    if (!AnyStepSelected(list)) {
        return;
    }
    // A copy leaves the lists as they are: nothing to undo, nothing to save.
    if (remove) {
        TakeUndoSnapshot();
    }
    const std::uint64_t before = change_.revision;
    const TSelection s = EditSelection(list);
    int taken = 0;
    for (int row = s.top; row <= s.bottom; ++row) {
        // Removing always takes the top row: the rows below move up into it.
        const TBotAction step = remove ? DeleteFromList(list, s.top) : program_.Step(list, row);
        if (toClipboard) {
            clipboard_[static_cast<std::size_t>(++taken)] = step;
        }
    }
    if (toClipboard) {
        WriteClipboardEnd(taken);
    }
    if (remove) {
        ViewOf(list).selection.bottom = s.top;
        ClampView(list);
    }
    MarkModifiedSince(before);
}

void TActionDocument::Delete() { TakeSelection(false, true); }

void TActionDocument::Copy() { TakeSelection(true, false); }

void TActionDocument::Cut() { TakeSelection(true, true); }

void TActionDocument::Paste() {
    const int list = currentList_;
    TakeUndoSnapshot();
    const std::uint64_t before = change_.revision;
    // With the selection on the header the steps go in at the top, never into the header slot.
    // A sensor set has no step numbers to go back to: copied go-back steps are left out there.
    const int top = std::max(1, View(list).selection.top);
    int row = top;
    for (int k = 1; k < kMaxSteps && clipboard_[static_cast<std::size_t>(k)].value != -1; ++k) {
        const TBotAction& step = clipboard_[static_cast<std::size_t>(k)];
        if (ListTakes(list, step.kind)) {
            InsertStepIntoList(list, row++, step);
        }
    }
    ClampView(list);
    MarkModifiedSince(before);
}

void TActionDocument::Clear() {
    TakeUndoSnapshot();
    const std::uint64_t before = change_.revision;
    ClearAll();
    MarkModifiedSince(before);
}

void TActionDocument::SetStepValue(int list, int row, std::int16_t value) {
    if (!IsValidList(list) || row < 1 || row > Count(list)) {
        return;
    }
    TBotAction& step = program_.Step(list, row);
    const int highest = step.kind == akGoBack ? row : kMaxDuration;
    const auto kept = static_cast<std::int16_t>(std::clamp<int>(value, 1, highest));
    // A value typed again, or one kept back to the same limit, changes nothing.
    if (kept == step.value) {
        return;
    }
    ValueChanging();  // the snapshot holds the value as it was
    step.value = kept;
    Changed(list, row, row, false);
    modified_ = true;
}

// --- Drops and moves -----------------------------------------------------------------------------

bool ListTakes(int list, std::uint8_t kind) { return list == kMainList || kind != akGoBack; }

bool TActionDocument::DropAction(int list, int row, std::uint8_t kind) {
    if (!IsValidList(list) || kind >= kActionKindCount || !ListTakes(list, kind)) {
        return false;
    }
    TakeUndoSnapshot();  // also when the list is full: the keys and buttons act alike
    const int appendRow = Count(list) + 1;
    row = std::clamp(row, 1, appendRow);
    currentList_ = list;
    const bool inserted = InsertIntoList(list, row, kActionKinds[kind].defaultValue, kind);
    if (inserted) {
        if (row == appendRow) {
            ScrollToEnd(list);
        }
        ClampView(list);
        modified_ = true;
    }
    return inserted;
}

bool TActionDocument::AcceptsSensorSet(int list, int row, int column) const {
    return list == kMainList && row >= 1 && row <= Count(list) && column >= gcBoth &&
           column <= gcRight;
}

void TActionDocument::DropSensorSet(int list, int row, int column, int sensorSet) {
    if (!IsValidList(list)) {
        return;
    }
    TakeUndoSnapshot();
    currentList_ = list;
    if (!AcceptsSensorSet(list, row, column) || sensorSet < 0 || sensorSet >= kSensorSetCount) {
        return;
    }
    std::uint8_t& set = program_.Step(list, row).sensors[static_cast<std::size_t>(column - gcBoth)];
    if (set != sensorSet) {
        set = static_cast<std::uint8_t>(sensorSet);
        Changed(list, row, row, false);
        modified_ = true;
    }
}

TInsertRefusal TActionDocument::InsertRefusal(int list, std::uint8_t kind) const {
    if (!IsValidList(list) || kind >= kActionKindCount) {
        return TInsertRefusal::NotAList;
    }
    if (!ListTakes(list, kind)) {
        return TInsertRefusal::NoGoBackInSensorSet;
    }
    return Count(list) >= kMaxSteps ? TInsertRefusal::ListFull : TInsertRefusal::None;
}

bool TActionDocument::InsertAtSelection(std::uint8_t kind) {
    const int list = currentList_;
    const TSelection s = View(list).selection;
    const int row = std::max(1, s.top);
    if (!DropAction(list, row, kind)) {
        return false;
    }
    SetSelection(list, {row + 1, std::max(row, s.bottom) + 1});
    return true;
}

void TActionDocument::MoveSelectedSteps(int list, int delta) {
    if (!IsValidList(list) || !AnyStepSelected(list) || (delta != -1 && delta != 1)) {
        return;
    }
    const TSelection s = EditSelection(list);
    if ((delta < 0 && s.top <= 1) || (delta > 0 && s.bottom >= Count(list))) {
        return;
    }
    currentList_ = list;
    if (delta < 0) {
        MoveRow(list, s.top - 1, s.bottom);
    } else {
        MoveRow(list, s.bottom + 1, s.top);
    }
    SetSelection(list, {s.top + delta, s.bottom + delta});
}

void TActionDocument::ChangeSelectedDuration(int list, int delta) {
    if (!IsValidList(list) || !AnyStepSelected(list)) {
        return;
    }
    const int row = View(list).selection.top;
    const TBotAction& step = Step(list, row);
    if (step.kind == akGoBack) {
        return;
    }
    currentList_ = list;
    SetStepValue(
        list, row,
        static_cast<std::int16_t>(std::clamp(step.value + delta, kMinDuration, kMaxDuration)));
}

void TActionDocument::SetSensorColumnOfSelection(int column, int sensorSet) {
    if (mode_ != TMode::Advanced || !AnyStepSelected(kMainList) || column < gcBoth ||
        column > gcRight || sensorSet < 0 || sensorSet >= kSensorSetCount) {
        return;
    }
    const TSelection s = EditSelection(kMainList);
    const auto index = static_cast<std::size_t>(column - gcBoth);
    bool changes = false;
    for (int row = s.top; row <= s.bottom; ++row) {
        changes = changes || program_.Step(kMainList, row).sensors[index] != sensorSet;
    }
    if (!changes) {
        return;  // nothing to undo: no undo level, nothing modified
    }
    TakeUndoSnapshot();
    for (int row = s.top; row <= s.bottom; ++row) {
        std::uint8_t& set = program_.Step(kMainList, row).sensors[index];
        if (set != sensorSet) {
            set = static_cast<std::uint8_t>(sensorSet);
            Changed(kMainList, row, row, false);
            modified_ = true;
        }
    }
}

bool TActionDocument::AppendAction(std::uint8_t kind) {
    // Bring the end of a long list into view first, as if the user had scrolled to drop there.
    const int rows = RowCount(currentList_);
    if (rows > VisibleRows(currentList_)) {
        ViewOf(currentList_).topRow = rows - VisibleRows(currentList_);
    }
    return DropAction(currentList_, Count(currentList_) + 1, kind);
}

void TActionDocument::MoveRow(int list, int fromRow, int toRow) {
    if (!IsValidList(list) || fromRow < 1 || fromRow > Count(list)) {
        return;
    }
    toRow = std::clamp(toRow, 1, Count(list));
    if (toRow == fromRow) {
        return;
    }
    const TBotAction step = DeleteFromList(list, fromRow);
    InsertIntoList(list, toRow, step.value, step.kind);
    // Reordering is a change the user would lose on quitting without the save question.
    modified_ = true;
}

// --- Files ---------------------------------------------------------------------------------------

TFileResult TActionDocument::SaveFile(const std::filesystem::path& path) {
    TFileResult result = SaveActionFile(path, program_, mode_);
    if (result.ok) {
        fileName_ = path;
        modified_ = false;
    }
    return result;
}

TFileResult TActionDocument::LoadFile(const std::filesystem::path& path) {
    TFileResult result = LoadActionFile(path, mode_, program_);
    if (result.ok) {
        fileName_ = path;
        modified_ = false;
        Changed(TDocumentChange::kAllLists, TDocumentChange::kNoRow, TDocumentChange::kNoRow, true);
        for (int list = 1; list <= kListCount; ++list) {
            ClampView(list);
        }
    }
    return result;
}

void TActionDocument::TakeRecovered(const TActionProgram& program,
                                    const std::filesystem::path& fileName) {
    program_ = program;
    fileName_ = fileName;
    modified_ = true;
    Changed(TDocumentChange::kAllLists, TDocumentChange::kNoRow, TDocumentChange::kNoRow, true);
    for (int list = 1; list <= kListCount; ++list) {
        ClampView(list);
    }
}

TSaveAnswer TActionDocument::CheckIfSaved(const std::function<TSaveAnswer()>& ask,
                                          const std::function<bool()>& save) {
    if (!modified_) {
        return TSaveAnswer::No;
    }
    const TSaveAnswer answer = ask();
    // A Yes whose save was cancelled or failed stops the command like Cancel: the program
    // would otherwise be lost.
    if (answer == TSaveAnswer::Yes && !save()) {
        return TSaveAnswer::Cancel;
    }
    return answer;
}

}  // namespace kavrin::model
