#include "sim/eeprom_store.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace kavrin::sim {

namespace {

constexpr std::string_view kMark = "KEE1";
constexpr std::size_t kMarkSize = 4, kSumSize = 4;
constexpr std::size_t kFileSize = kMarkSize + kStoredEepromSize + kSumSize;
constexpr std::uint32_t kFnvOffset = 2166136261u, kFnvPrime = 16777619u;

std::uint32_t CheckSum(const StoredEeprom& image) {
    std::uint32_t h = kFnvOffset;
    for (const std::uint8_t b : image) h = (h ^ b) * kFnvPrime;
    return h;
}

}  // namespace

bool LoadEepromFile(const std::string& path, StoredEeprom& image) {
    image.fill(0);
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::array<char, kFileSize + 1> bytes{};
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != kFileSize) return false;
    if (std::string_view(bytes.data(), kMarkSize) != kMark) return false;
    StoredEeprom read{};
    for (std::size_t i = 0; i < kStoredEepromSize; ++i) read[i] = static_cast<std::uint8_t>(bytes[kMarkSize + i]);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kSumSize; ++i)
        sum |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[kMarkSize + kStoredEepromSize + i])) << (8 * i);
    if (sum != CheckSum(read)) return false;
    image = read;
    return true;
}

bool SaveEepromFile(const std::string& path, const StoredEeprom& image, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const fs::path temporary = target.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        std::array<char, kFileSize> bytes{};
        for (std::size_t i = 0; i < kMarkSize; ++i) bytes[i] = kMark[i];
        for (std::size_t i = 0; i < kStoredEepromSize; ++i) bytes[kMarkSize + i] = static_cast<char>(image[i]);
        const std::uint32_t sum = CheckSum(image);
        for (std::size_t i = 0; i < kSumSize; ++i)
            bytes[kMarkSize + kStoredEepromSize + i] = static_cast<char>((sum >> (8 * i)) & 0xFFu);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = "cannot write " + temporary.string();
            out.close();
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot replace " + path + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace kavrin::sim
