#pragma once
// The main window's port box: the automatic entry, then the ports the enumerator lists. It
// lists them afresh each time it drops down; the choice is "AUTO" or a port name.

#include <QComboBox>

#include <string>
#include <vector>

#include "link/port_list.h"

namespace kavrin::ui {

class TPortBox : public QComboBox {
    Q_OBJECT

public:
    explicit TPortBox(QWidget* parent = nullptr);

    // Where the port names come from; without one the box lists no port.
    void SetEnumerator(link::PortEnumerator enumerate) { enumerate_ = std::move(enumerate); }
    // Asks the enumerator for the ports now and shows them, keeping the choice if still listed.
    void ListPorts();
    // Lists the ports unless they have been listed already.
    void EnsureListed();
    const std::vector<std::string>& Ports() const { return ports_; }

    // Chooses a port by name ("AUTO" or one not listed: the automatic entry).
    void Choose(const std::string& setting);
    // "AUTO" or the chosen port's name.
    const std::string& Setting() const { return setting_; }

    void showPopup() override;

Q_SIGNALS:
    // The user picked an entry.
    void Chosen();

private:
    void Fill();

    link::PortEnumerator enumerate_;
    link::PortChoice choice_;
    std::vector<std::string> ports_;
    bool listed_ = false;
    std::string setting_{link::kAutoPort};
};

}  // namespace kavrin::ui
