#include "codegen/program_text.h"

#include <iterator>

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::codegen {

namespace {

const std::string kNoLine;

}  // namespace

void TProgramText::LoadTextResource(int id) {
    const auto bytes = resources::find(resources::kDataType, id);
    SetText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TProgramText::SetText(std::string_view text) {
    lines_.clear();
    if (text.empty()) {
        return;
    }
    for (;;) {
        const std::size_t brk = text.find(kLineBreak);
        lines_.emplace_back(text.substr(0, brk));
        if (brk == std::string_view::npos) {
            return;
        }
        text.remove_prefix(brk + kLineBreak.size());
    }
}

const std::string& TProgramText::Line(int i) const {
    return IsLine(i) ? lines_[static_cast<std::size_t>(i)] : kNoLine;
}

bool TProgramText::ReplaceLine(int i, std::string text) {
    if (!IsLine(i)) {
        return false;
    }
    lines_[static_cast<std::size_t>(i)] = std::move(text);
    return true;
}

bool TProgramText::InsertLine(int i, std::string text) {
    if (i < 0 || i > Count()) {
        return false;
    }
    lines_.insert(lines_.begin() + i, std::move(text));
    return true;
}

bool TProgramText::InsertLines(int i, std::vector<std::string> lines) {
    if (i < 0 || i > Count()) {
        return false;
    }
    lines_.insert(lines_.begin() + i, std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    return true;
}

std::string TProgramText::WholeText() const {
    std::size_t size = 0;
    for (const std::string& line : lines_) {
        size += line.size() + kLineBreak.size();
    }
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) {
            text += kLineBreak;
        }
        text += lines_[i];
    }
    return text;
}

std::string SourceTooLongMessage(std::size_t length) {
    return resources::FormatUIString(resources::str::kSourceTooLong,
                                     {std::to_string(length), std::to_string(kMaxSourceLength)});
}

TTextResult TProgramText::TextForTokenizer(std::string& text) const {
    std::string whole = WholeText();
    if (whole.size() > kMaxSourceLength) {
        return {false, SourceTooLongMessage(whole.size())};
    }
    text = std::move(whole);
    return {true, {}};
}

}  // namespace kavrin::codegen
