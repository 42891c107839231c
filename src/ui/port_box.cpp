#include "ui/port_box.h"

#include <QStyle>
#include <QStyleOptionComboBox>

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
    if (!listed_) {
        ListPorts();
    }
}

void TPortBox::ListPorts() {
    listed_ = true;
    ports_.clear();
    if (enumerate_) {
        enumerate_(ports_);
    }
    choice_.SetPorts(ports_);
    setting_ = choice_.GetSelectedPort();
    Fill();
}

void TPortBox::Choose(const std::string& setting) {
    setting_ = choice_.SelectPort(setting);
    Fill();
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
    // "AUTOMATIC" in capitals is a little wider than the box its record gives it.
    constexpr int kNarrowestStretch = 80;
    QStyleOptionComboBox option;
    option.initFrom(this);
    const int room =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .width();
    setFont(CondensedToFit(font(), itemText(0), room, kNarrowestStretch));
}

}  // namespace kavrin::ui
