#include "link/qt/qt_serial_port.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QString>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#if defined(Q_OS_UNIX)
#include <unistd.h>

#include <cerrno>
#endif

namespace kavrin::link {

namespace {

// Modem status bits, as the identification reads them.
constexpr std::uint16_t kModemCtsOn = 0x10;
constexpr std::uint16_t kModemRingOn = 0x40;
constexpr std::uint16_t kModemDcdOn = 0x80;
static_assert(kModemDsrOn == 0x20);

// Reads from the system per drain at most; whatever comes later waits for the next read.
constexpr int kMaxDrainRounds = 64;

// QSerialPort asks for a socket notifier on open, which a thread without a Qt event loop
// cannot have. The ports here never need one (they wait with waitForReadyRead), so that one
// warning is dropped and everything else passes through.
constexpr std::string_view kNotifierWarning = "QSocketNotifier: Can only be used with threads";
// Atomic: another thread may log between the handler's installation and this being set.
std::atomic<QtMessageHandler> previousHandler{nullptr};

void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String(kNotifierWarning.data(),
                                         static_cast<qsizetype>(kNotifierWarning.size())))) {
        return;
    }
    if (const QtMessageHandler previous = previousHandler.load()) {
        previous(type, context, message);
    }
}

void InstallMessageFilter() {
    static std::once_flag once;
    std::call_once(once, [] { previousHandler = qInstallMessageHandler(FilterMessages); });
}

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}
    ~QtSerialPort() override { port_->close(); }

    int ReadByte(int timeoutMs) override {
        std::uint8_t b = 0;
        return Read(std::span(&b, 1), timeoutMs) == 1 ? b : -1;
    }

    int Read(std::span<std::uint8_t> into, int timeoutMs) override {
        const QDeadlineTimer deadline(std::max(timeoutMs, 0));
        std::size_t got = 0;
        while (got < into.size()) {
            if (port_->bytesAvailable() == 0) {
                const auto left = static_cast<int>(deadline.remainingTime());
                if (left <= 0 || !port_->waitForReadyRead(left)) {
                    break;
                }
                continue;
            }
            const qint64 n = port_->read(reinterpret_cast<char*>(into.data() + got),
                                         static_cast<qint64>(into.size() - got));
            if (n <= 0) {
                break;  // the device has gone
            }
            got += static_cast<std::size_t>(n);
        }
        return static_cast<int>(got);
    }

    int Drain() override {
        // A device that never stops sending must not keep the drain going for ever.
        for (int round = 0; round < kMaxDrainRounds && port_->waitForReadyRead(0); ++round) {
        }
        const auto count = static_cast<int>(port_->readAll().size());
        port_->clear(QSerialPort::Input);
        port_->clearError();
        return count;
    }

    bool Write(std::span<const std::uint8_t> bytes, int timeoutMs) override {
        const QDeadlineTimer deadline(std::max(timeoutMs, 0));
        const qint64 n = port_->write(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<qint64>(bytes.size()));
        if (n != static_cast<qint64>(bytes.size())) {
            return false;
        }
        while (port_->bytesToWrite() > 0) {
            const auto left = static_cast<int>(deadline.remainingTime());
            if (left <= 0 || !port_->waitForBytesWritten(left)) {
                break;
            }
        }
        return port_->bytesToWrite() == 0;
    }

    // A pseudo-terminal has neither break nor modem lines; the failure is only reported.
    bool SetBreak(bool on) override { return Settled(port_->setBreakEnabled(on)); }
    bool SetDTR(bool on) override { return Settled(port_->setDataTerminalReady(on)); }
    bool SetRTS(bool on) override { return Settled(port_->setRequestToSend(on)); }

    std::uint16_t GetModemStatus() override {
        const QSerialPort::PinoutSignals pins = port_->pinoutSignals();
        port_->clearError();
        unsigned word = 0;
        word |= pins.testFlag(QSerialPort::ClearToSendSignal) ? kModemCtsOn : 0u;
        word |= pins.testFlag(QSerialPort::DataSetReadySignal) ? kModemDsrOn : 0u;
        word |= pins.testFlag(QSerialPort::RingIndicatorSignal) ? kModemRingOn : 0u;
        word |= pins.testFlag(QSerialPort::DataCarrierDetectSignal) ? kModemDcdOn : 0u;
        return static_cast<std::uint16_t>(word);
    }

private:
    // An unsupported line operation must not leave an error behind for the next read.
    bool Settled(bool ok) {
        port_->clearError();
        return ok;
    }

    std::unique_ptr<QSerialPort> port_;
};

// QSerialPort reports a port that another program holds and a device this user may not open
// with the same error; the system tells the two apart. On Linux the serial devices belong to a
// group (dialout) that a new user is not in.
bool UserMayNotOpen([[maybe_unused]] std::string_view name) {
#if defined(Q_OS_UNIX)
    const std::string device =
        name.starts_with('/') ? std::string(name) : "/dev/" + std::string(name);
    return ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    return false;
#endif
}

OpenError OpenErrorOf(QSerialPort::SerialPortError error, std::string_view name) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return OpenError::NoSuchPort;
        case QSerialPort::PermissionError:
            return UserMayNotOpen(name) ? OpenError::NoPermission : OpenError::InUse;
        default:
            return OpenError::Other;
    }
}

}  // namespace

OpenResult OpenQtSerialPort(std::string_view name) {
    InstallMessageFilter();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (!port->open(QIODevice::ReadWrite)) {
        return {nullptr, OpenErrorOf(port->error(), name)};
    }
    // Settings a line cannot take (a pseudo-terminal ignores the speed) leave it as it is.
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->setDataTerminalReady(false);
    port->setRequestToSend(false);
    port->clearError();
    return {std::make_unique<QtSerialPort>(std::move(port)), OpenError::None};
}

OpenResult OpenSystemPort(std::string_view name) { return OpenQtSerialPort(name); }

// Sorted by name.
void EnumeratePorts(std::vector<std::string>& list) {
    list.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        list.push_back(info.portName().toStdString());
    }
    std::sort(list.begin(), list.end());
    list.emplace_back(kVirtualPortName);
}

}  // namespace kavrin::link
