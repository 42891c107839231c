#pragma once
// The port list and the port choice. PortList holds the port names in the order the platform
// listing gives them, the virtual robot's "SIM" last. PortChoice is what the main window's port
// box shows: the automatic entry first, then the port names; the chosen setting is "AUTO" or a
// port name, never the localized text of the automatic entry.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::link {

inline constexpr std::string_view kAutoPort = "AUTO";

// Fills the list with the names of the computer's ports (EnumeratePorts, system_port.h).
using PortEnumerator = std::function<void(std::vector<std::string>& list)>;

// Upper case of a UTF-8 text for the letters the UI language uses (ASCII and Greek); other
// characters stay as they are.
std::string UpperCaseText(std::string_view text);

class PortChoice {
public:
    PortChoice();

    // Item 0 is the automatic entry, items 1.. the port names.
    const std::vector<std::string>& Items() const { return items_; }
    int CurrentIndex() const { return current_; }
    void SetCurrentIndex(int index);

    // Rebuilds the items from the port list, keeping the chosen entry when it is still there.
    void SetPorts(const std::vector<std::string>& ports);
    // Selects the item with that text, or the automatic entry when there is none; returns
    // GetSelectedPort.
    std::string SelectPort(std::string_view name);
    // "AUTO" for the automatic entry, else the chosen port name.
    std::string GetSelectedPort() const;

private:
    std::vector<std::string> items_;
    int current_ = 0;
};

}  // namespace kavrin::link
