#include "ui/program_sheet.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "ui/action_widget.h"
#include "ui/skin.h"
#include "ui/spin_edit.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

namespace str = resources::str;

using TSheet = TProgramSheet;

// The frame of every page, in tenths of a millimetre.
constexpr int kLeft = 180;
constexpr int kRight = TSheet::kPageWidth - 180;
constexpr int kTop = 150;
constexpr int kBottom = TSheet::kPageHeight - 200;  // the last line of content ends above
constexpr int kFooterTop = TSheet::kPageHeight - 160;
constexpr int kFooterHeight = 60;

// Type sizes (1 pt is about 3.5 units).
constexpr int kTitleSize = 64;
constexpr int kInfoSize = 35;
constexpr int kHeadingSize = 46;
constexpr int kStepSize = 35;
constexpr int kSmallSize = 28;
constexpr int kCodeSize = 28;

// Heights of the items.
constexpr int kTitleHeight = 100;
constexpr int kInfoHeight = 50;
constexpr int kRuleHeight = 50;
constexpr int kHeadingHeight = 90;
constexpr int kHeadingGap = 25;  // above the heading's words
constexpr int kColumnHeadsHeight = 70;
constexpr int kRowHeight = 66;
constexpr int kNoteLineHeight = 34;  // a step's go-back note under its line
constexpr int kNoteHeight = 70;      // a list without steps
constexpr int kMessageHeight = 120;  // a program that cannot be made, on up to two lines
constexpr int kListGap = 40;
constexpr int kCodePitch = 34;

// A step row: the picture, the words, and in Advanced mode's main list the three columns.
constexpr int kPictureSize = 56;
constexpr int kTextLeft = kLeft + 80;
constexpr int kColumnWidth = 170;
constexpr int ColumnLeft(int column) {
    return kRight - (model::kSensorColumnCount - column) * kColumnWidth;
}

// The program text's tab stops, and the room for a line number before each line.
constexpr int kTabWidth = 8;
constexpr int kNumberColumns = 4;
constexpr int kNumberGap = 2;

constexpr int kPdfResolution = 1200;
constexpr double kUnitsPerInch = 254.0;

const QColor kInk(0x20, 0x20, 0x20);
const QColor kGrey(0x70, 0x70, 0x70);
const QColor kHeadingInk(0x1F, 0x3A, 0x68);
const QColor kRuleColour(0xB0, 0xB0, 0xB0);
const QColor kRowLine(0xE0, 0xE0, 0xE0);

// The main list's sensor columns by TSensorColumn.
constexpr std::array<int, model::kSensorColumnCount> kColumnHeaders{
    str::kBothHeader, str::kLeftHeader, str::kRightHeader};

enum class TItemKind { Title, Info, Rule, Heading, ColumnHeads, Step, Note, CodeLine };

QFont SansFont(int size, bool bold = false, bool italic = false) {
    QFont font = ArialFont(size, bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont CodeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(kCodeSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Measured at ten times the size, so that the rounding of small sizes does not show.
QFontMetricsF Metrics(QFont font) {
    font.setPixelSize(font.pixelSize() * 10);
    return QFontMetricsF(font);
}

QString Elided(const QFont& font, const QString& text, int width) {
    return Metrics(font).elidedText(text, Qt::ElideRight, width * 10.0);
}

QString ExpandTabs(const QString& line) {
    QString out;
    for (const QChar c : line) {
        if (c == QLatin1Char('\t')) {
            out += QString(kTabWidth - out.size() % kTabWidth, QLatin1Char(' '));
        } else {
            out += c;
        }
    }
    return out;
}

// A line cut into pieces of at most `columns` characters, after a blank where one stands in the
// second half of the piece, else where the piece is full.
QStringList Wrapped(const QString& line, int columns) {
    QStringList pieces;
    QString rest = line;
    while (rest.size() > columns) {
        qsizetype cut = rest.lastIndexOf(QLatin1Char(' '), columns - 1) + 1;
        if (cut <= columns / 2) {
            cut = columns;
        }
        pieces.append(rest.left(cut));
        rest = rest.mid(cut);
    }
    pieces.append(rest);
    return pieces;
}

QString KindName(int kind) {
    const QString name = UiString(ActionKindName(kind));
    return name.isEmpty() ? QString::number(kind) : name;
}

QString SetName(int set) {
    return set >= 0 && set < str::kSensorSetCount ? UiString(str::kFirstSensorSet + set)
                                                  : QString::number(set);
}

// "1. Move forward, 1.2 s", "6. Go back to step 1".
QString StepLine(int row, const model::TBotAction& step) {
    if (step.kind == model::akGoBack) {
        return UiString(str::kSheetGoBack)
            .arg(QString::number(row), KindName(step.kind), QString::number(step.value));
    }
    const QString seconds = FormatSpinValue(step.value, {1, {}, {}}, false, SystemNumberChars());
    return UiString(str::kSheetStep).arg(QString::number(row), KindName(step.kind), seconds);
}

QString TargetNote(const std::vector<int>& from) {
    if (from.empty()) {
        return {};
    }
    if (from.size() == 1) {
        return UiString(str::kSheetTargetOfOne).arg(from.front());
    }
    QStringList steps;
    for (int row : from) {
        steps.append(QString::number(row));
    }
    return UiString(str::kSheetTargetOfMany).arg(steps.join(QStringLiteral(", ")));
}

QLocale LanguageLocale() {
    return resources::CurrentLanguage() == resources::TLanguage::Greek
               ? QLocale(QLocale::Greek, QLocale::Greece)
               : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

}  // namespace

struct TProgramSheet::TItem {
    TItemKind kind = TItemKind::Info;
    int top = 0;
    int height = 0;
    QString text;
    QString note;      // a step's go-back note; a code line's number
    int picture = -1;  // a step's kind
    bool columns = false;
    std::array<QString, model::kSensorColumnCount> sets;
};

namespace {

using TItem = TProgramSheet::TItem;

// Items go onto the page until the next one does not fit; then a new page starts.
class TLayout {
public:
    explicit TLayout(std::vector<std::vector<TItem>>& pages) : pages_(pages) { NewPage(); }

    void NewPage() {
        pages_.emplace_back();
        y_ = kTop;
    }
    bool Fits(int height) const { return y_ + height <= kBottom; }
    void Add(TItem item) {
        item.top = y_;
        y_ += item.height;
        pages_.back().push_back(std::move(item));
    }
    void Skip(int height) { y_ += height; }

private:
    std::vector<std::vector<TItem>>& pages_;
    int y_ = kTop;
};

TItem Item(TItemKind kind, int height, QString text = {}) {
    TItem item;
    item.kind = kind;
    item.height = height;
    item.text = std::move(text);
    return item;
}

void AddHeader(TLayout& layout, const TSheetSource& source) {
    const model::TActionProgram& program = source.program;
    const bool advanced = source.mode == model::TMode::Advanced;
    layout.Add(Item(TItemKind::Title, kTitleHeight, source.title));
    layout.Add(Item(TItemKind::Info, kInfoHeight,
                    UiString(str::kSheetDate)
                        .arg(LanguageLocale().toString(source.date, QLocale::LongFormat))));
    layout.Add(
        Item(TItemKind::Info, kInfoHeight,
             UiString(str::kSheetMode).arg(UiString(advanced ? str::kAdvanced : str::kBeginner))));
    if (!advanced) {
        layout.Add(
            Item(TItemKind::Info, kInfoHeight,
                 UiString(source.sensorsEnabled ? str::kSheetSensorsOn : str::kSheetSensorsOff)));
    }
    layout.Add(Item(TItemKind::Info, kInfoHeight,
                    UiString(str::kSheetCalibration)
                        .arg(PulseOfCentre(program.leftServoCenter))
                        .arg(PulseOfCentre(program.rightServoCenter))));
    layout.Add(Item(TItemKind::Rule, kRuleHeight));
}

void AddList(TLayout& layout, const TSheetSource& source, int list) {
    const model::TActionProgram& program = source.program;
    const bool columns = source.mode == model::TMode::Advanced && list == model::kMainList;
    const int count = std::clamp(program.Count(list), 0, model::kMaxSteps);
    const QString name = FromCore(codegen::ListName(list));

    std::map<int, std::vector<int>> goingBack;  // target step: the steps that go back to it
    for (int row = 1; row <= count; ++row) {
        const model::TBotAction& step = program.Step(list, row);
        if (step.kind == model::akGoBack && step.value >= 1 && step.value <= count) {
            goingBack[step.value].push_back(row);
        }
    }
    std::vector<TItem> rows;
    for (int row = 1; row <= count; ++row) {
        const model::TBotAction& step = program.Step(list, row);
        TItem item = Item(TItemKind::Step, kRowHeight, StepLine(row, step));
        item.picture = step.kind;
        if (const auto found = goingBack.find(row); found != goingBack.end()) {
            item.note = TargetNote(found->second);
            item.height += kNoteLineHeight;
        }
        item.columns = columns;
        if (columns) {
            for (std::size_t c = 0; c < item.sets.size(); ++c) {
                item.sets[c] = SetName(step.sensors[c]);
            }
        }
        rows.push_back(std::move(item));
    }

    const int headHeight = kHeadingHeight + (columns ? kColumnHeadsHeight : 0);
    const auto addHead = [&](bool continued) {
        layout.Add(Item(TItemKind::Heading, kHeadingHeight,
                        continued ? UiString(str::kSheetContinued).arg(name) : name));
        if (columns) {
            layout.Add(Item(TItemKind::ColumnHeads, kColumnHeadsHeight));
        }
    };
    // A heading never stands alone at the foot of a page.
    if (!layout.Fits(headHeight + (rows.empty() ? kNoteHeight : rows.front().height))) {
        layout.NewPage();
    }
    addHead(false);
    if (rows.empty()) {
        layout.Add(Item(TItemKind::Note, kNoteHeight, UiString(str::kSheetNoSteps)));
    }
    for (TItem& row : rows) {
        if (!layout.Fits(row.height)) {
            layout.NewPage();
            addHead(true);
        }
        layout.Add(std::move(row));
    }
    layout.Skip(kListGap);
}

int CodeColumns() {
    const QFontMetricsF metrics = Metrics(CodeFont());
    const double advance = metrics.horizontalAdvance(QLatin1Char('M')) / 10.0;
    // One column to spare, so that no rounding of the type pushes a full line past the edge.
    return static_cast<int>((kRight - kLeft) / advance) - kNumberColumns - kNumberGap - 1;
}

void AddProgram(TLayout& layout, const TSheetSource& source) {
    layout.NewPage();
    const QString heading = UiString(str::kSheetProgramHeading);
    layout.Add(Item(TItemKind::Heading, kHeadingHeight, heading));
    codegen::TProgramText text;
    const codegen::TBuildResult built =
        codegen::BuildCode(source.program, source.mode, source.sensorsEnabled, text);
    if (!built.ok) {
        layout.Add(Item(TItemKind::Note, kMessageHeight,
                        UiString(str::kSheetNoProgram).arg(FromCore(built.message))));
        return;
    }
    const int columns = CodeColumns();
    for (int i = 0; i < text.Count(); ++i) {
        const std::string& bytes = text.Line(i);
        // The program text's bytes are single-byte characters; Latin-1 keeps each one.
        const QString line =
            QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
        const QStringList pieces = Wrapped(ExpandTabs(line), columns);
        for (qsizetype p = 0; p < pieces.size(); ++p) {
            if (!layout.Fits(kCodePitch)) {
                layout.NewPage();
                layout.Add(Item(TItemKind::Heading, kHeadingHeight,
                                UiString(str::kSheetContinued).arg(heading)));
            }
            TItem item = Item(TItemKind::CodeLine, kCodePitch, pieces[p]);
            if (p == 0) {
                item.note = QString::number(i + 1);
            }
            layout.Add(std::move(item));
        }
    }
}

void PaintStep(QPainter& painter, const TItem& item, const std::vector<QImage>& pictures) {
    const int top = item.top;
    if (item.picture >= 0 && item.picture < static_cast<int>(pictures.size()) &&
        !pictures[static_cast<std::size_t>(item.picture)].isNull()) {
        painter.drawImage(
            QRectF(kLeft, top + (kRowHeight - kPictureSize) / 2.0, kPictureSize, kPictureSize),
            pictures[static_cast<std::size_t>(item.picture)]);
    }
    const int textRight = item.columns ? ColumnLeft(0) - 20 : kRight;
    const QFont font = SansFont(kStepSize);
    painter.setFont(font);
    painter.setPen(kInk);
    painter.drawText(QRectF(kTextLeft, top, textRight - kTextLeft, kRowHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     Elided(font, item.text, textRight - kTextLeft));
    if (item.columns) {
        for (int c = 0; c < model::kSensorColumnCount; ++c) {
            painter.drawText(QRectF(ColumnLeft(c), top, kColumnWidth, kRowHeight), Qt::AlignCenter,
                             item.sets[static_cast<std::size_t>(c)]);
        }
    }
    if (!item.note.isEmpty()) {
        const QFont small = SansFont(kSmallSize, false, true);
        painter.setFont(small);
        painter.setPen(kGrey);
        painter.drawText(
            QRectF(kTextLeft, top + kRowHeight - 8, textRight - kTextLeft, kNoteLineHeight),
            Qt::AlignLeft | Qt::AlignTop, Elided(small, item.note, textRight - kTextLeft));
    }
    painter.setPen(QPen(kRowLine, 2));
    painter.drawLine(QPointF(kLeft, top + item.height - 1), QPointF(kRight, top + item.height - 1));
}

void PaintItem(QPainter& painter, const TItem& item, const std::vector<QImage>& pictures) {
    const QRectF line(kLeft, item.top, kRight - kLeft, item.height);
    switch (item.kind) {
        case TItemKind::Title: {
            const QFont font = SansFont(kTitleSize, true);
            painter.setFont(font);
            painter.setPen(kInk);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                             Elided(font, item.text, kRight - kLeft));
            break;
        }
        case TItemKind::Info:
            painter.setFont(SansFont(kInfoSize));
            painter.setPen(kInk);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, item.text);
            break;
        case TItemKind::Rule:
            painter.setPen(QPen(kRuleColour, 4));
            painter.drawLine(QPointF(kLeft, item.top + item.height / 2.0),
                             QPointF(kRight, item.top + item.height / 2.0));
            break;
        case TItemKind::Heading: {
            const QFont font = SansFont(kHeadingSize, true);
            painter.setFont(font);
            painter.setPen(kHeadingInk);
            painter.drawText(line.adjusted(0, kHeadingGap, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             Elided(font, item.text, kRight - kLeft));
            break;
        }
        case TItemKind::ColumnHeads: {
            const int half = item.height / 2;
            const QFont small = SansFont(kSmallSize);
            painter.setFont(small);
            painter.setPen(kGrey);
            const int span = model::kSensorColumnCount * kColumnWidth;
            painter.drawText(QRectF(ColumnLeft(0), item.top, span, half), Qt::AlignCenter,
                             Elided(small, UiString(str::kSheetColumnsCall), span));
            painter.setFont(SansFont(kSmallSize, true));
            painter.setPen(kInk);
            for (int c = 0; c < model::kSensorColumnCount; ++c) {
                painter.drawText(QRectF(ColumnLeft(c), item.top + half, kColumnWidth, half),
                                 Qt::AlignCenter,
                                 UiString(kColumnHeaders[static_cast<std::size_t>(c)]));
            }
            break;
        }
        case TItemKind::Step:
            PaintStep(painter, item, pictures);
            break;
        case TItemKind::Note:
            painter.setFont(SansFont(kInfoSize, false, true));
            painter.setPen(kGrey);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, item.text);
            break;
        case TItemKind::CodeLine: {
            const QFont font = CodeFont();
            const double advance = Metrics(font).horizontalAdvance(QLatin1Char('M')) / 10.0;
            const double codeLeft = kLeft + advance * (kNumberColumns + kNumberGap);
            painter.setFont(font);
            painter.setPen(kGrey);
            painter.drawText(QRectF(kLeft, item.top, advance * kNumberColumns, item.height),
                             Qt::AlignRight | Qt::AlignVCenter, item.note);
            painter.setPen(kInk);
            painter.drawText(QRectF(codeLeft, item.top, kRight - codeLeft, item.height),
                             Qt::AlignLeft | Qt::AlignVCenter, item.text);
            break;
        }
    }
}

}  // namespace

TProgramSheet::TProgramSheet(const TSheetSource& source) : title_(source.title) {
    for (int kind = 0; kind < model::kActionKindCount; ++kind) {
        pictures_.push_back(ActionKindPicture(kind).toImage());
    }
    TLayout layout(pages_);
    AddHeader(layout, source);
    AddList(layout, source, model::kMainList);
    if (source.mode == model::TMode::Advanced) {
        for (int list = model::kSensorSetAll; list <= model::kSensorSet4; ++list) {
            AddList(layout, source, list);
        }
    }
    AddProgram(layout, source);
}

TProgramSheet::~TProgramSheet() = default;

void TProgramSheet::PaintPage(QPainter& painter, int page) const {
    if (page < 0 || page >= PageCount()) {
        return;
    }
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    for (const TItem& item : pages_[static_cast<std::size_t>(page)]) {
        PaintItem(painter, item, pictures_);
    }
    // The foot of the page: the title and the page's number.
    painter.setPen(QPen(kRuleColour, 2));
    painter.drawLine(QPointF(kLeft, kFooterTop), QPointF(kRight, kFooterTop));
    const QFont small = SansFont(kSmallSize);
    painter.setFont(small);
    painter.setPen(kGrey);
    const QRectF foot(kLeft, kFooterTop + 10, kRight - kLeft, kFooterHeight);
    const QString number = UiString(str::kSheetPage).arg(page + 1).arg(PageCount());
    painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, number);
    const int titleRoom =
        static_cast<int>(foot.width() - Metrics(small).horizontalAdvance(number) / 10.0) - 40;
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, Elided(small, title_, titleRoom));
    painter.restore();
}

QByteArray TProgramSheet::Pdf() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return {};
    }
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(kPdfResolution);
        writer.setTitle(title_);
        writer.setCreator(UiString(str::kProgramName));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return {};
        }
        const double scale = kPdfResolution / kUnitsPerInch;
        for (int page = 0; page < PageCount(); ++page) {
            if (page > 0 && !writer.newPage()) {
                return {};
            }
            painter.resetTransform();
            painter.scale(scale, scale);
            PaintPage(painter, page);
        }
        if (!painter.end()) {
            return {};
        }
    }
    buffer.close();
    return bytes;
}

QImage TProgramSheet::PageImage(int page, int dpi) const {
    const double scale = dpi / kUnitsPerInch;
    QImage image(static_cast<int>(std::lround(kPageWidth * scale)),
                 static_cast<int>(std::lround(kPageHeight * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    PaintPage(painter, page);
    painter.end();
    return image;
}

}  // namespace kavrin::ui
