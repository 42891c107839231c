// The real serial ports on Windows, through the Win32 communications API. A port is opened for
// synchronous I/O; every read and write waits at most its own time-out (COMMTIMEOUTS), so the
// identification threads need no event loop and a silent port never hangs them.

#include "link/system_port.h"
#include "link/win/port_rules.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace kavrin::link {

namespace {

// The driver's queue sizes; the port pool never reads more than 4,096 bytes at once.
constexpr DWORD kQueueSize = 4096;
// Reads from the system per drain at most; whatever comes later waits for the next read.
constexpr int kMaxDrainRounds = 64;
constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

static_assert(kModemDsrOn == MS_DSR_ON, "the modem status word is the system's own");

std::wstring Widen(std::string_view text) {
    const auto length = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(count, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), count);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    const auto length = static_cast<int>(text.size());
    const int count =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(count, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), count, nullptr, nullptr);
    return narrow;
}

// 9600 baud, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS low.
void SetLineSettings(HANDLE handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle, &dcb)) {
        return;
    }
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // A line that cannot take a setting (a redirected device) keeps its own.
    SetCommState(handle, &dcb);
}

class WinSerialPort final : public SerialPort {
public:
    explicit WinSerialPort(HANDLE handle) : handle_(handle) {
        SetupComm(handle_, kQueueSize, kQueueSize);
        SetLineSettings(handle_);
        SetDTR(false);
        SetRTS(false);
        PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        GetCommTimeouts(handle_, &timeouts_);
        timeouts_.WriteTotalTimeoutMultiplier = 0;
        ApplyReadTimeout(0);
    }
    ~WinSerialPort() override { CloseHandle(handle_); }
    WinSerialPort(const WinSerialPort&) = delete;
    WinSerialPort& operator=(const WinSerialPort&) = delete;

    int ReadByte(int timeoutMs) override {
        std::uint8_t b = 0;
        return Read(std::span(&b, 1), timeoutMs) == 1 ? b : -1;
    }

    int Read(std::span<std::uint8_t> into, int timeoutMs) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        std::size_t got = 0;
        while (got < into.size()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            const int n =
                ReadSome(into.subspan(got), static_cast<int>(std::max<long long>(left.count(), 0)));
            if (n <= 0) {
                break;  // time is up, or the device has gone
            }
            got += static_cast<std::size_t>(n);
        }
        return static_cast<int>(got);
    }

    int Drain() override {
        std::array<std::uint8_t, kQueueSize> scratch{};
        int count = 0;
        for (int round = 0; round < kMaxDrainRounds; ++round) {
            const int n = ReadSome(scratch, 0);
            if (n <= 0) {
                break;
            }
            count += n;
        }
        PurgeComm(handle_, PURGE_RXCLEAR);
        ClearErrors();
        return count;
    }

    bool Write(std::span<const std::uint8_t> bytes, int timeoutMs) override {
        // A zero constant would mean "no time-out": wait at least a millisecond.
        const auto wait = static_cast<DWORD>(std::max(timeoutMs, 1));
        if (timeouts_.WriteTotalTimeoutConstant != wait || !timeoutsSet_) {
            timeouts_.WriteTotalTimeoutConstant = wait;
            timeoutsSet_ = SetCommTimeouts(handle_, &timeouts_) != 0;
            if (!timeoutsSet_) {
                return false;  // a write without its time-out could block for ever
            }
        }
        DWORD written = 0;
        const bool ok = WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                  nullptr) != 0;
        if (!ok) {
            ClearErrors();
        }
        return ok && written == bytes.size();
    }

    bool SetBreak(bool on) override {
        return Settled(on ? SetCommBreak(handle_) : ClearCommBreak(handle_));
    }
    bool SetDTR(bool on) override {
        return Settled(EscapeCommFunction(handle_, on ? SETDTR : CLRDTR));
    }
    bool SetRTS(bool on) override {
        return Settled(EscapeCommFunction(handle_, on ? SETRTS : CLRRTS));
    }

    std::uint16_t GetModemStatus() override {
        DWORD status = 0;
        if (!GetCommModemStatus(handle_, &status)) {
            ClearErrors();
            return 0;
        }
        return static_cast<std::uint16_t>(status &
                                          (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON));
    }

private:
    // One ReadFile that returns with whatever is there, waiting up to timeoutMs for a first byte.
    int ReadSome(std::span<std::uint8_t> into, int timeoutMs) {
        // Without its time-outs a ReadFile may wait for ever: then nothing is read.
        if (!ApplyReadTimeout(timeoutMs)) {
            return -1;
        }
        DWORD n = 0;
        if (!ReadFile(handle_, into.data(), static_cast<DWORD>(into.size()), &n, nullptr)) {
            ClearErrors();
            return -1;
        }
        return static_cast<int>(n);
    }

    // True when the line's read time-outs are the ones asked for.
    bool ApplyReadTimeout(int timeoutMs) {
        const win::ReadTimeouts read = win::ReadTimeoutsFor(timeoutMs);
        if (timeouts_.ReadIntervalTimeout == read.interval &&
            timeouts_.ReadTotalTimeoutMultiplier == read.multiplier &&
            timeouts_.ReadTotalTimeoutConstant == read.constant && timeoutsSet_) {
            return true;
        }
        timeouts_.ReadIntervalTimeout = read.interval;
        timeouts_.ReadTotalTimeoutMultiplier = read.multiplier;
        timeouts_.ReadTotalTimeoutConstant = read.constant;
        timeoutsSet_ = SetCommTimeouts(handle_, &timeouts_) != 0;
        return timeoutsSet_;
    }

    // A line error (overrun, framing) blocks further I/O until it is cleared.
    void ClearErrors() {
        DWORD errors = 0;
        ClearCommError(handle_, &errors, nullptr);
    }

    // An unsupported line operation must not leave an error behind for the next read.
    bool Settled(BOOL ok) {
        if (!ok) {
            ClearErrors();
        }
        return ok != 0;
    }

    HANDLE handle_;
    COMMTIMEOUTS timeouts_{};
    bool timeoutsSet_ = false;
};

// The value data of one SERIALCOMM entry: the port's name ("COM3").
bool ReadPortName(HKEY key, DWORD index, std::string& name) {
    std::array<wchar_t, 256> valueName{};
    std::array<wchar_t, 256> data{};
    auto valueLength = static_cast<DWORD>(valueName.size());
    auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    const LSTATUS status = RegEnumValueW(key, index, valueName.data(), &valueLength, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &dataBytes);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        return false;
    }
    name.clear();
    if (status == ERROR_SUCCESS && type == REG_SZ) {
        std::wstring_view text(data.data(), dataBytes / sizeof(wchar_t));
        text = text.substr(0, text.find(L'\0'));
        name = Narrow(text);
    }
    return true;
}

}  // namespace

OpenResult OpenSystemPort(std::string_view name) {
    const std::wstring path = Widen(win::DevicePathOf(name));
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {nullptr, win::OpenErrorOf(GetLastError())};
    }
    return {std::make_unique<WinSerialPort>(handle), OpenError::None};
}

void EnumeratePorts(std::vector<std::string>& list) {
    list.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        std::string name;
        for (DWORD index = 0; ReadPortName(key, index, name); ++index) {
            if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end()) {
                list.push_back(name);
            }
        }
        RegCloseKey(key);
    }
    win::SortPortNames(list);
    list.emplace_back(kVirtualPortName);
}

}  // namespace kavrin::link
