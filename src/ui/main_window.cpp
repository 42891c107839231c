#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QStyleOptionComboBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>

#include <cstdlib>
#include <filesystem>

#include "codegen/code_generator.h"
#include "link/qt/qt_serial_port.h"
#include "resources/skin_layout.h"
#include "ui/action_grid.h"
#include "ui/action_widget.h"
#include "ui/code_view.h"
#include "ui/drag_tile.h"
#include "ui/help_texts.h"
#include "ui/main_dialogs.h"
#include "ui/sensor_set_drop.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/skin.h"
#include "ui/skin_buttons.h"
#include "ui/spin_edit.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

using resources::FindControlLayout;

// Skin slots with a role of their own.
constexpr int kBackgroundSlot = 1;
constexpr int kBottomBarSlot = 2;
constexpr int kRightEdgeSlot = 3;
constexpr int kCornerSlot = 4;
constexpr int kTitleSlot = 5;
constexpr int kLogoSlot = 6;
constexpr int kListFrameSlot = 8;
constexpr int kNotebookFrameSlot = 10;
constexpr int kSettingsFrameSlot = 11;
constexpr int kRobotPictureSlot = 12;
constexpr int kSecondPictureSlot = 13;
constexpr int kFirstTileSlot = 14;
constexpr int kTileCount = 8;
// Action kinds of the palette tiles, slots 14 to 21.
constexpr std::array<int, kTileCount> kTileKinds{0, 1, 2, 3, 4, 5, 7, 6};

// Captions.
constexpr int kStrHyperHelp = 376;
constexpr int kStrPortLabel1 = 377;
constexpr int kStrPortLabel2 = 378;
constexpr int kStrSensorsEnabled = 380;
constexpr int kStrFirstTab = 406;  // 406..410: All, Set1..Set4
constexpr int kSensorTabCount = 5;
constexpr int kTabWidth = 39;

constexpr char kSkyBlue[] = "#A6CAF0";
constexpr int kCaptionPixels = 11;
constexpr int kPanelPixels = 16;

// File names between Qt and the core, in whatever encoding the platform's paths use.
std::filesystem::path ToCorePath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString FromCorePath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

// Whether the pointer left the square of the given half-width around where it was pressed.
bool MovedPast(const QPoint& moved, int distance) {
    return std::abs(moved.x()) > distance || std::abs(moved.y()) > distance;
}

bool IsAdvanced(model::TMode mode) { return mode == model::TMode::Advanced; }

void PaintLightBlueOnBlack(QWidget* widget, bool bold) {
    widget->setFont(ArialFont(kCaptionPixels, bold));
    // Buttons fill their background from the Button role; caption controls use the window's.
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        pal.setColor(role, QColor(QString::fromLatin1(kSkyBlue)));
    }
    widget->setPalette(pal);
}

// A check box caption wider than its fixed bounds is drawn a little condensed rather than cut.
void FitCheckBoxCaption(QCheckBox& box) {
    constexpr int kNarrowestStretch = 80;
    QStyleOptionButton option;
    option.initFrom(&box);
    const int room = box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
    box.setFont(CondensedToFit(box.font(), box.text(), room, kNarrowestStretch));
}

// The port box refills itself from the computer's ports each time it drops down.
class TPortComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;

    void showPopup() override {
        if (OnDropDown) {
            OnDropDown();
        }
        QComboBox::showPopup();
    }
};

}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      dialogs_(std::make_unique<TMainDialogs>()),
      enumerate_([](std::vector<std::string>& list) { link::EnumeratePorts(list); }),
      fileFolder_(QCoreApplication::applicationDirPath()) {
    setWindowTitle(QStringLiteral("Kavrin"));
    setAttribute(Qt::WA_Hover);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
}

TMainForm::~TMainForm() = default;

void TMainForm::SetDialogs(std::unique_ptr<TMainDialogs> dialogs) { dialogs_ = std::move(dialogs); }

TActionGrid* TMainForm::Grid(int list) const {
    return model::IsValidList(list) ? grids_[static_cast<std::size_t>(list - 1)] : nullptr;
}

QComboBox* TMainForm::PortBox() const { return portBox_; }

int TMainForm::ButtonsBottom() const {
    const TSkinImage* go = skin_.Image(TSkinButtons::FirstSlot(sbGo));
    return go != nullptr ? go->y() + go->height() : height();
}

int TMainForm::SensorTab() const { return tabs_ != nullptr ? tabs_->currentIndex() : 0; }

// --- Building the face ---------------------------------------------------------------------------

void TMainForm::ShowForMode(model::TMode mode) {
    const bool first = !document_;
    BuildForMode(mode);
    if (first) {
        shownForRun_ = true;
        TSettings settings;
        if (settingsStore_ != nullptr) {
            LoadSettings(*settingsStore_, settings, PortNames());
        } else {
            LoadSettings(settings, PortNames());
        }
        ApplySettings(settings);
        CentreOnScreen(*this);
    }
    show();
    FocusCurrentGrid();
    if (!first || pendingFile_.isEmpty()) {
        return;
    }
    const std::filesystem::path path = ToCorePath(pendingFile_);
    pendingFile_.clear();
    const model::TFileResult result = document_->LoadFile(path);
    if (!result.ok) {
        dialogs_->ShowError(this, FromCore(result.message));
    }
    RefreshAll();
}

void TMainForm::BuildForMode(model::TMode mode) {
    if (document_) {
        return;
    }
    mode_ = mode;
    document_ = std::make_unique<model::TActionDocument>(mode);
    skin_ = LoadSkin(this, mode);
    for (int slot : {kLogoSlot, kSecondPictureSlot}) {
        if (TSkinImage* image = skin_.Image(slot)) {
            image->hide();
        }
    }
    if (TSkinImage* robot = skin_.Image(kRobotPictureSlot)) {
        robot->show();
    }
    CreateControls();
    ApplyControlLayout(resources::kMainWindowLayout, *this, mode);
    face_ = new TWindowFace(this, skin_.Image(kBottomBarSlot), skin_.Image(kCornerSlot));
    for (int slot : {kBackgroundSlot, kBottomBarSlot, kRightEdgeSlot, kTitleSlot, kLogoSlot,
                     kSettingsFrameSlot}) {
        face_->AddMoveHandle(skin_.Image(slot));
    }
    for (int slot : {kBackgroundSlot, kBottomBarSlot, kRightEdgeSlot, kCornerSlot, kListFrameSlot,
                     kNotebookFrameSlot}) {
        if (TSkinImage* image = skin_.Image(slot)) {
            image->setMouseTracking(true);
            image->installEventFilter(this);
        }
    }
    buttons_ = new TSkinButtons(skin_, this);
    connect(buttons_, &TSkinButtons::Hovered, this, [this](int button) {
        StopPalette();
        if (button != sbNone) {
            SetHelp(HelpForButton(button));
        }
    });
    connect(buttons_, &TSkinButtons::OverlayHovered, this, &TMainForm::GeneralHover);
    connect(buttons_, &TSkinButtons::Clicked, this, [this](int button) {
        static constexpr model::TCommand kCommands[] = {
            model::TCommand::None,   model::TCommand::Run,    model::TCommand::Clear,
            model::TCommand::Test,   model::TCommand::Load,   model::TCommand::Save,
            model::TCommand::Quit,   model::TCommand::Delete, model::TCommand::Copy,
            model::TCommand::Cut,    model::TCommand::Paste,  model::TCommand::Undo,
        };
        RunCommand(kCommands[button]);
    });
    SetUpPalette();
    CreateGrids();
    new TDragger(*this);
    new TSensorSetDropTarget(Grid(model::kMainList), [this] { RefreshAll(); });
    ApplyCaptions();
    if (IsAdvanced(mode)) {
        sensorsEnabled_->hide();
    } else {
        notebook_->hide();
        sensorPanel_->hide();
    }
    HyperHelpClick();
    SetHelp(kHelpWelcome);
    SetTabOrder();
    RefreshAll();
    FocusCurrentGrid();
}

void TMainForm::CreateControls() {
    hyperHelp_ = new QCheckBox(this);
    hyperHelp_->setChecked(true);
    sensorsEnabled_ = new QCheckBox(this);
    for (QCheckBox* box : {hyperHelp_, sensorsEnabled_}) {
        box->setCursor(Qt::PointingHandCursor);
        box->setMouseTracking(true);
        box->installEventFilter(this);
        PaintLightBlueOnBlack(box, box == hyperHelp_);
    }
    connect(hyperHelp_, &QCheckBox::clicked, this, &TMainForm::HyperHelpClick);
    connect(sensorsEnabled_, &QCheckBox::clicked, this, &TMainForm::SensorsEnabledClick);

    portLabel1_ = new QLabel(this);
    portLabel2_ = new QLabel(this);
    for (QLabel* label : {portLabel1_, portLabel2_}) {
        label->setAlignment(Qt::AlignCenter);
        PaintLightBlueOnBlack(label, true);
    }
    auto* portBox = new TPortComboBox(this);
    portBox->OnDropDown = [this] { ComPortComboBoxUpdate(); };
    portBox_ = portBox;
    connect(portBox_, &QComboBox::activated, this, &TMainForm::ComChange);

    notebook_ = new QWidget(this);
    notebook_->setMouseTracking(true);
    notebook_->installEventFilter(this);
    tabs_ = new QTabBar(notebook_);
    tabs_->setExpanding(false);
    tabs_->setFont(ArialFont(kCaptionPixels, false));
    tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { width: %1px; padding: 3px 0px; }")
                             .arg(kTabWidth - 2));
    tabs_->setMouseTracking(true);
    tabs_->installEventFilter(this);
    for (int tab = 0; tab < kSensorTabCount; ++tab) {
        tabs_->addTab(QString());
    }
    connect(tabs_, &QTabBar::currentChanged, this, &TMainForm::SensorTabbedNotebookChange);

    sensorPanel_ = new QLabel(QStringLiteral("+"), this);
    sensorPanel_->setAlignment(Qt::AlignCenter);
    sensorPanel_->setFont(ArialFont(kPanelPixels, true));
    sensorPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    sensorPanel_->setAutoFillBackground(true);
    sensorPanel_->setGeometry(0, 0, 25, 25);
    sensorPanel_->setMouseTracking(true);
    sensorPanel_->installEventFilter(this);

    actionScrollBox_ = new QScrollArea(this);
    actionScrollBox_->setFrameShape(QFrame::NoFrame);
    actionScrollBox_->setFocusPolicy(Qt::NoFocus);
    auto* palette = new QWidget;
    palette->setAutoFillBackground(true);
    QPalette black = palette->palette();
    black.setColor(QPalette::Window, Qt::black);
    palette->setPalette(black);
    actionScrollBox_->setPalette(black);
    actionScrollBox_->setWidget(palette);
    actionScrollBox_->setWidgetResizable(true);

    helpMemo_ = new QPlainTextEdit(this);
    helpMemo_->setReadOnly(true);
    helpMemo_->setFocusPolicy(Qt::NoFocus);
    helpMemo_->setFont(ArialFont(kCaptionPixels, false));
    helpMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const std::pair<int, QWidget*> placed[] = {
        {resources::kHyperHelpLayout, hyperHelp_},
        {resources::kSerialPortLabel1Layout, portLabel1_},
        {resources::kSerialPortLabel2Layout, portLabel2_},
        {resources::kPortComboBoxLayout, portBox_},
        {resources::kSensorsEnabledLayout, sensorsEnabled_},
        {resources::kSensorNotebookLayout, notebook_},
        {resources::kSensorActionPanelLayout, sensorPanel_},
        {resources::kActionScrollBoxLayout, actionScrollBox_},
        {resources::kHelpMemoLayout, helpMemo_},
    };
    for (const auto& [record, control] : placed) {
        ApplyControlLayout(record, *control, mode_);
    }
    tabs_->setGeometry(0, 0, notebook_->width(), tabs_->sizeHint().height());
}

void TMainForm::SetUpPalette() {
    QWidget* palette = actionScrollBox_->widget();
    for (int i = 0; i < kTileCount; ++i) {
        TSkinImage* tile = skin_.Image(kFirstTileSlot + i);
        tiles_[static_cast<std::size_t>(i)] = tile;
        if (tile == nullptr) {
            continue;
        }
        const QRect bounds = tile->geometry();
        tile->setParent(palette);
        tile->setGeometry(bounds);
        tile->show();
        const int kind = kTileKinds[static_cast<std::size_t>(i)];
        tile->SetTag(kind);
        tile->setToolTip(UiString(ActionKindName(kind)));
        tile->setMouseTracking(true);
        tile->installEventFilter(this);
        tile->StopAndRewind();
    }
}

void TMainForm::CreateGrids() {
    const bool advanced = IsAdvanced(mode_);
    auto* main = new TActionGrid(*document_, model::kMainList, advanced, this);
    ApplyControlLayout(resources::kToDoListLayout, *main, mode_);
    grids_[0] = main;
    for (int list = model::kSensorSetAll; list <= model::kSensorSet4; ++list) {
        auto* grid = new TActionGrid(*document_, list, false, notebook_);
        ApplyControlLayout(resources::kSensorListLayout, *grid, mode_);
        grid->setVisible(list == model::kSensorSetAll);
        grids_[static_cast<std::size_t>(list - 1)] = grid;
    }
    mainWidgets_ = main->CreateWidgets();
    main->AttachWidgets(mainWidgets_);
    sensorWidgets_ = Grid(model::kSensorSetAll)->CreateWidgets();
    Grid(model::kSensorSetAll)->AttachWidgets(sensorWidgets_);
    for (TActionGrid* grid : grids_) {
        const int list = grid->List();
        connect(grid, &TActionGrid::Changed, this, &TMainForm::AutoEnableDisable);
        connect(grid, &TActionGrid::CommandRequested, this, &TMainForm::RunCommand);
        connect(grid, &TActionGrid::Hovered, this,
                [this, list](int column) { GridHover(list, column); });
    }
}

void TMainForm::ApplyCaptions() {
    hyperHelp_->setText(UiString(kStrHyperHelp));
    portLabel1_->setText(UiString(kStrPortLabel1));
    portLabel2_->setText(UiString(kStrPortLabel2));
    sensorsEnabled_->setText(UiString(kStrSensorsEnabled));
    for (QCheckBox* box : {hyperHelp_, sensorsEnabled_}) {
        FitCheckBoxCaption(*box);
    }
    for (int tab = 0; tab < kSensorTabCount; ++tab) {
        tabs_->setTabText(tab, UiString(kStrFirstTab + tab));
    }
    FillPortBox();
}

void TMainForm::SetTabOrder() {
    // The lists first, each followed by its values; then the port and the check boxes.
    std::vector<QWidget*> chain{Grid(model::kMainList)};
    for (TBotAction* widget : mainWidgets_) {
        chain.push_back(widget->SpinEdit()->Edit());
    }
    if (IsAdvanced(mode_)) {
        chain.push_back(tabs_);
        for (int list = model::kSensorSetAll; list <= model::kSensorSet4; ++list) {
            chain.push_back(Grid(list));
        }
        for (TBotAction* widget : sensorWidgets_) {
            chain.push_back(widget->SpinEdit()->Edit());
        }
    }
    chain.insert(chain.end(), {portBox_, hyperHelp_});
    if (!IsAdvanced(mode_)) {
        chain.push_back(sensorsEnabled_);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

// --- Refreshing ----------------------------------------------------------------------------------

void TMainForm::RefreshAll() {
    if (!document_) {
        return;
    }
    for (TActionGrid* grid : grids_) {
        grid->Refresh();
    }
    AutoEnableDisable();
}

void TMainForm::AutoEnableDisable() {
    if (!document_ || buttons_ == nullptr) {
        return;
    }
    buttons_->SetAvailability(document_->AutoEnableDisable());
    UpdateTitle();
}

void TMainForm::UpdateTitle() {
    QString title = QStringLiteral("Kavrin");
    if (!document_->FileName().empty()) {
        title += QStringLiteral(" - ") +
                 QFileInfo(FromCorePath(document_->FileName())).fileName();
    }
    if (document_->Modified()) {
        title += QStringLiteral(" *");
    }
    setWindowTitle(title);
}

void TMainForm::FocusCurrentGrid() {
    if (TActionGrid* grid = Grid(document_ ? document_->CurrentList() : 0)) {
        grid->setFocus(Qt::OtherFocusReason);
    }
}

// --- Help and hover ------------------------------------------------------------------------------

void TMainForm::SetHelp(int uiString) {
    if (uiString == helpShown_ || helpMemo_ == nullptr) {
        return;
    }
    helpShown_ = uiString;
    helpMemo_->setPlainText(UiString(uiString));
}

void TMainForm::StopPalette() {
    for (TSkinImage* tile : tiles_) {
        if (tile != nullptr) {
            tile->StopAndRewind();
        }
    }
}

void TMainForm::GeneralHover() {
    if (buttons_ != nullptr) {
        buttons_->HideHighlights();
    }
    StopPalette();
    SetHelp(kHelpBlank);
}

void TMainForm::GridHover(int list, int column) {
    buttons_->HideHighlights();
    StopPalette();
    SetHelp(HelpForGrid(list, column, SensorTab()));
}

void TMainForm::ActionMouseMove(TSkinImage* hovered) {
    buttons_->HideEditHighlights();
    for (TSkinImage* tile : tiles_) {
        if (tile == nullptr) {
            continue;
        }
        if (tile == hovered) {
            if (tile->Animation() == nullptr ||
                tile->Animation()->state() != QMovie::Running) {
                tile->Play(kPaletteHoverSpeed);
            }
        } else {
            tile->StopAndRewind();
        }
    }
    SetHelp(kHelpPaletteTile);
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    RefreshAll();
}

void TMainForm::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (buttons_ != nullptr) {
        GeneralHover();
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    for (TSkinImage* tile : tiles_) {
        if (tile != nullptr && watched == tile) {
            return HandlePaletteEvent(tile, event) || QWidget::eventFilter(watched, event);
        }
    }
    if (watched == sensorPanel_) {
        return HandleSensorPanelEvent(event) || QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == hyperHelp_) {
            SetHelp(kHelpHyperHelp);
        } else if (watched == sensorsEnabled_) {
            SetHelp(kHelpSensorsEnabled);
        } else if (watched == notebook_ || watched == tabs_) {
            SetHelp(HelpForSensorNotebook(SensorTab()));
        } else {
            GeneralHover();  // background pieces and frames
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- Palette -------------------------------------------------------------------------------------

bool TMainForm::HandlePaletteEvent(TSkinImage* tile, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (pressedTile_ == tile && (mouse->buttons() & Qt::LeftButton)) {
            const QPoint pos = mouse->position().toPoint();
            if (MovedPast(pos - pressPoint_, kDragStartDistance)) {
                pressedTile_ = nullptr;
                tile->StopAndRewind();
                Q_EMIT PaletteDragStarted(tile->Tag(), tile, pressPoint_);
            }
            return true;
        }
        ActionMouseMove(tile);
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            pressedTile_ = tile;
            pressPoint_ = mouse->position().toPoint();
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        pressedTile_ = nullptr;
        tile->update();
        return true;
    case QEvent::MouseButtonDblClick:
        pressedTile_ = nullptr;
        ActionDblClick(tile->Tag());
        return true;
    default:
        return false;
    }
}

void TMainForm::ActionDblClick(int kind) {
    if (!document_) {
        return;
    }
    document_->AppendAction(static_cast<std::uint8_t>(kind));
    RefreshAll();
}

void TMainForm::ToDoListDragDrop(TActionGrid* grid, const QPoint& pos, int kind) {
    if (grid == nullptr) {
        return;
    }
    grid->DropActionAt(pos, kind);
    RefreshAll();
}

// The "+" tile starts an ordinary drag once the pointer has moved far enough with the button
// held; the main list decides where it may land.
bool TMainForm::HandleSensorPanelEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && sensorPanel_->isEnabled()) {
            draggingSensorSet_ = true;
            pressPoint_ = mouse->position().toPoint();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!draggingSensorSet_ || !(mouse->buttons() & Qt::LeftButton)) {
            SetHelp(kHelpSensorSetTile);
            return false;
        }
        if (MovedPast(mouse->position().toPoint() - pressPoint_, kDragStartDistance)) {
            draggingSensorSet_ = false;
            DragSensorSet(sensorPanel_, SensorTab());
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        draggingSensorSet_ = false;
        return true;
    default:
        return false;
    }
}

// --- Notebook, port box, check boxes -------------------------------------------------------------

void TMainForm::SensorTabbedNotebookChange(int index) {
    if (!document_ || index < 0) {
        return;
    }
    const int list = model::kSensorSetAll + index;
    TActionGrid* shown = Grid(list);
    for (int other = model::kSensorSetAll; other <= model::kSensorSet4; ++other) {
        if (other != list) {
            Grid(other)->AttachWidgets({});
            Grid(other)->hide();
        }
    }
    for (TBotAction* widget : sensorWidgets_) {
        widget->MoveToGrid(shown);
    }
    document_->SetCurrentList(list);
    shown->show();
    shown->AttachWidgets(sensorWidgets_);
    shown->Refresh();
    AutoEnableDisable();
}

std::vector<std::string> TMainForm::PortList() const {
    std::vector<std::string> ports;
    if (enumerate_) {
        enumerate_(ports);
    }
    return ports;
}

QStringList TMainForm::PortNames() const {
    QStringList names;
    for (const std::string& port : PortList()) {
        names.append(FromCore(port));
    }
    return names;
}

void TMainForm::ApplySettings(const TSettings& settings) {
    if (hyperHelp_->isChecked() != settings.hyperHelp) {
        hyperHelp_->setChecked(settings.hyperHelp);
        HyperHelpClick();
    }
    document_->SetCalibration(settings.leftServoCenter, settings.rightServoCenter);
    portChoice_.SetPorts(PortList());
    portSetting_ = portChoice_.SelectPort(settings.comPort.toStdString());
    FillPortBox();
    if (!settings.lastDirectory.isEmpty()) {
        fileFolder_ = settings.lastDirectory;
    }
}

TSettings TMainForm::CurrentSettings() const {
    TSettings settings;
    settings.hyperHelp = hyperHelp_->isChecked();
    settings.leftServoCenter = document_->Program().leftServoCenter;
    settings.rightServoCenter = document_->Program().rightServoCenter;
    settings.comPort = FromCore(portSetting_);
    settings.lastDirectory = fileFolder_;
    return settings;
}

void TMainForm::ComPortComboBoxUpdate() {
    portChoice_.SetPorts(PortList());
    FillPortBox();
}

void TMainForm::FillPortBox() {
    portBox_->clear();
    for (const std::string& item : portChoice_.Items()) {
        portBox_->addItem(FromCore(item));
    }
    portBox_->setCurrentIndex(portChoice_.CurrentIndex());
    // "AUTOMATIC" in capitals is a little wider than the box its record gives it.
    constexpr int kNarrowestStretch = 80;
    QStyleOptionComboBox option;
    option.initFrom(portBox_);
    const int room = portBox_->style()
                         ->subControlRect(QStyle::CC_ComboBox, &option,
                                          QStyle::SC_ComboBoxEditField, portBox_)
                         .width();
    portBox_->setFont(CondensedToFit(portBox_->font(), portBox_->itemText(0), room,
                                     kNarrowestStretch));
}

void TMainForm::ComChange(int index) {
    portChoice_.SetCurrentIndex(index);
    portSetting_ = portChoice_.GetSelectedPort();
    FocusCurrentGrid();
}

void TMainForm::SensorsEnabledClick() {
    sensorPanel_->setEnabled(sensorsEnabled_->isChecked());
    FocusCurrentGrid();
}

void TMainForm::HyperHelpClick() {
    if (hyperHelp_->isChecked()) {
        SetHelp(kHelpBlank);
        face_->ShowHelpArea(helpMemo_, ButtonsBottom());
    } else {
        face_->HideHelpArea(helpMemo_, ButtonsBottom());
    }
    FocusCurrentGrid();
}

// --- Commands ------------------------------------------------------------------------------------

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window from its other controls: only the Alt letters count here.
    if (event->modifiers() & Qt::AltModifier) {
        const model::TCommand command = CommandForKeyEvent(*event);
        if (command != model::TCommand::None) {
            RunCommand(command);
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::RunCommand(model::TCommand command) {
    if (!document_) {
        return;
    }
    using model::TCommand;
    switch (command) {
    case TCommand::Delete:
        document_->Delete();
        break;
    case TCommand::Copy:
        document_->Copy();
        break;
    case TCommand::Cut:
        document_->Cut();
        break;
    case TCommand::Paste:
        document_->Paste();
        break;
    case TCommand::Undo:
        document_->Undo();
        break;
    case TCommand::Run:
        Go();
        break;
    case TCommand::View:
        ViewButtonClick();
        break;
    case TCommand::Clear:
        Clear();
        break;
    case TCommand::Test:
        Test();
        break;
    case TCommand::Load:
        LoadFile();
        break;
    case TCommand::Save:
        SaveFile();
        break;
    case TCommand::Quit:
        Quit();
        return;
    case TCommand::None:
        return;
    }
    RefreshAll();
}

bool TMainForm::BuildCode() {
    codegen::TProgramText text;
    const codegen::TBuildResult result = codegen::BuildCode(
        document_->Program(), mode_, sensorsEnabled_->isChecked(), text);
    if (!result.ok) {
        dialogs_->ShowError(this, FromCore(result.message));
        return false;
    }
    CodeView().SetProgramText(text);
    return true;
}

TCodeForm& TMainForm::CodeView() {
    if (codeView_ == nullptr) {
        ownCodeView_ = std::make_unique<TCodeForm>(this);
        codeView_ = ownCodeView_.get();
    }
    return *codeView_;
}

void TMainForm::SetRunController(TRunController* run) {
    if (run_ != nullptr) {
        disconnect(run_, nullptr, this, nullptr);
    }
    run_ = run;
    if (run_ == nullptr) {
        return;
    }
    run_->Window().SetAnchor(this);
    connect(run_, &TRunController::ErrorShown, this,
            [this](const QString& text) { dialogs_->ShowError(this, text); });
    connect(run_, &TRunController::Finished, this, &TMainForm::RunFinished);
}

void TMainForm::Go() {
    // One run at a time: the progress window shows the one under way.
    if (run_ != nullptr && run_->Busy()) {
        return;
    }
    if (!BuildCode() || run_ == nullptr) {
        return;
    }
    run_->Start(CodeView().ProgramText().WholeText(), portSetting_);
}

void TMainForm::RunFinished(const run::RunOutcome& outcome) {
    // The virtual robot got the program: it drives it on its table, switched on afresh.
    if (outcome.status == run::RunStatus::Delivered && outcome.portName == link::kVirtualPortName &&
        run_ != nullptr && simulator_ != nullptr) {
        simulator_->ShowProgram(run_->Image());
    }
    // Errors of the link were shown while the progress window was still up; what is left are
    // the tokenizer's refusal and the user's cancel.
    if (outcome.status == run::RunStatus::Stopped) {
        dialogs_->ShowMessage(this, UiString(kStrRunCancelled));
    } else if (outcome.status == run::RunStatus::TokenizeFailed) {
        const QString message = FromCore(outcome.message);
        if (outcome.sourceTooLong) {
            std::string unused;
            const codegen::TTextResult why = CodeView().ProgramText().TextForTokenizer(unused);
            dialogs_->ShowMessage(this, message + QLatin1Char('\n') + FromCore(why.message));
        } else if (outcome.tokenizerError.empty()) {
            dialogs_->ShowMessage(this, message);
        } else if (dialogs_->AskShowTokenizerError(this, message,
                                                   FromCore(outcome.tokenizerError))) {
            CodeView().ShowTokenizerError(outcome.errorPos, outcome.errorLength,
                                          FromCore(outcome.tokenizerError));
            dialogs_->ShowCodeView(CodeView());
        }
    }
}

void TMainForm::ViewButtonClick() {
    if (BuildCode()) {
        dialogs_->ShowCodeView(CodeView());
    }
}

void TMainForm::Clear() { document_->Clear(); }

void TMainForm::Test() {
    // The test downloads through the same link as Go: not while a run is going.
    if (testWindow_ == nullptr || document_ == nullptr || (run_ != nullptr && run_->Busy())) {
        return;
    }
    testWindow_->SetDocument(*document_);
    testWindow_->Link().SetSelectedPort(portSetting_);
    dialogs_->ShowTestWindow(*testWindow_);
    RefreshAll();  // the calibration may have changed
}

model::TSaveAnswer TMainForm::CheckIfSaved() {
    return document_->CheckIfSaved([this] { return dialogs_->AskToSave(this); },
                                   [this] { SaveFile(); });
}

void TMainForm::LoadFile() {
    if (CheckIfSaved() == model::TSaveAnswer::Cancel) {
        return;
    }
    const QString name = dialogs_->OpenFileName(this, fileFolder_);
    if (name.isEmpty() || !QFileInfo::exists(name)) {
        return;
    }
    const model::TFileResult result = document_->LoadFile(ToCorePath(name));
    if (!result.ok) {
        dialogs_->ShowError(this, FromCore(result.message));
        return;
    }
    fileFolder_ = QFileInfo(name).absolutePath();
    RefreshAll();
}

void TMainForm::SaveFile() {
    QString proposed = FromCorePath(document_->FileName());
    if (proposed.isEmpty()) {
        proposed = fileFolder_;
    }
    const QString name = dialogs_->SaveFileName(this, proposed);
    if (name.isEmpty()) {
        return;
    }
    const model::TFileResult result = document_->SaveFile(ToCorePath(name));
    if (!result.ok) {
        dialogs_->ShowError(this, FromCore(result.message));
        return;
    }
    fileFolder_ = QFileInfo(name).absolutePath();
    UpdateTitle();
}

bool TMainForm::Quit() {
    if (!document_ || CheckIfSaved() == model::TSaveAnswer::Cancel) {
        return false;
    }
    buttons_->HideHighlights();
    if (settingsStore_ != nullptr) {
        SaveSettings(*settingsStore_, CurrentSettings(), PortNames());
    } else {
        SaveSettings(CurrentSettings(), PortNames());
    }
    ended_ = true;
    Q_EMIT Ended();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing by the system's means (task bar, window manager) is quitting.
    if (shownForRun_ && !ended_ && !Quit()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace kavrin::ui
