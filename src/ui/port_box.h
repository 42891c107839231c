#pragma once
// The main window's port box: the automatic entry, then the ports the enumerator lists. It
// lists them afresh each time it drops down; the choice is "AUTO" or a port name.

#include <QComboBox>

#include <string>
#include <thread>
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
    // Asks for them on a worker thread; the box fills when the answer comes (Listed).
    void ListPortsInBackground();
    // Lists the ports now unless they have been listed already (a listing under way is
    // awaited).
    void EnsureListed();
    const std::vector<std::string>& Ports() const { return ports_; }
    // The same as the settings compare them.
    QStringList PortNames() const;

    // Chooses a port by name, its letters compared without case ("AUTO" or one not listed:
    // the automatic entry). Before the ports are known the name waits for them.
    void Choose(const std::string& setting);
    // "AUTO" or the chosen port's name.
    const std::string& Setting() const { return setting_; }

    void showPopup() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

Q_SIGNALS:
    // The user picked an entry.
    void Chosen();
    // The ports have been listed.
    void Listed();

private:
    void ShowPorts(std::vector<std::string> ports);
    void Fill();
    void FitFont();

    link::PortEnumerator enumerate_;
    link::PortChoice choice_;
    std::vector<std::string> ports_;
    bool listed_ = false;
    std::string setting_{link::kAutoPort};
    std::string wish_;  // a choice made before the ports were known
    std::jthread lister_;
};

}  // namespace kavrin::ui
