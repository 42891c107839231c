#include "ui/port_box.h"

#include <QStyle>
#include <QStyleOptionComboBox>

#include "ui/settings.h"
#include "ui/skin.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

TPortBox::TPortBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int index) {
        choice_.SetCurrentIndex(index);
        setting_ = choice_.GetSelectedPort();
        Q_EMIT Chosen();
    });
    Fill();
}

void TPortBox::EnsureListed() {
    if (lister_.joinable()) {
        lister_.join();  // its answer is still queued: take the list now
        ListPorts();
    } else if (!listed_) {
        ListPorts();
    }
}

void TPortBox::ListPorts() {
    std::vector<std::string> ports;
    if (enumerate_) {
        enumerate_(ports);
    }
    ShowPorts(std::move(ports));
}

void TPortBox::ListPortsInBackground() {
    if (listed_ || lister_.joinable() || !enumerate_) {
        ListPorts();
        return;
    }
    lister_ = std::jthread([this, enumerate = enumerate_] {
        std::vector<std::string> ports;
        enumerate(ports);
        QMetaObject::invokeMethod(
            this,
            [this, ports = std::move(ports)]() mutable {
                if (lister_.joinable()) {
                    lister_.join();
                    ShowPorts(std::move(ports));
                }
            },
            Qt::QueuedConnection);
    });
}

void TPortBox::ShowPorts(std::vector<std::string> ports) {
    listed_ = true;
    ports_ = std::move(ports);
    choice_.SetPorts(ports_);
    setting_ = choice_.GetSelectedPort();
    Fill();
    if (!wish_.empty()) {
        Choose(std::exchange(wish_, std::string()));
    }
    Q_EMIT Listed();
}

void TPortBox::Choose(const std::string& setting) {
    if (!listed_) {
        wish_ = setting;
        return;
    }
    setting_ = choice_.SelectPort(ResolvePort(FromCore(setting), PortNames()).toStdString());
    Fill();
}

QStringList TPortBox::PortNames() const {
    QStringList names;
    for (const std::string& port : ports_) {
        names.append(FromCore(port));
    }
    return names;
}

void TPortBox::showPopup() {
    ListPorts();
    QComboBox::showPopup();
}

void TPortBox::Fill() {
    clear();
    for (const std::string& item : choice_.Items()) {
        addItem(FromCore(item));
    }
    setCurrentIndex(choice_.CurrentIndex());
    FitFont();
}

void TPortBox::resizeEvent(QResizeEvent* event) {
    QComboBox::resizeEvent(event);
    FitFont();
}

void TPortBox::FitFont() {
    // "AUTOMATIC" in capitals is a little wider than the box its record gives it.
    constexpr int kNarrowestStretch = 80;
    QStyleOptionComboBox option;
    option.initFrom(this);
    const int room =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .width();
    setFont(CondensedToFit(font(), itemText(0), room, kNarrowestStretch));
}

}  // namespace kavrin::ui
