#include "sim/module_program.h"

#include <algorithm>

#include "sim/eeprom_store.h"

namespace kavrin::sim {

namespace {

// How often a run on demand looks whether the program has sent enough.
constexpr VirtualTime kSlice = kMicrosPerMs;

}  // namespace

ModuleProgram::ModuleProgram() : body_(&idleBody_), cpu_(std::make_unique<Processor>(idleBody_)) {
    idleBody_.keepEvents = false;
}

void ModuleProgram::SetEepromFile(std::string path) {
    eepromFile_ = std::move(path);
    loadProblem_.clear();
    if (eepromFile_.empty()) return;
    StoredEeprom stored{};
    LoadEepromFile(eepromFile_, stored, &loadProblem_);
    std::copy(stored.begin(), stored.end(), image_.begin());
}

void ModuleProgram::SetBody(PinBody* body) {
    body_ = body ? body : &idleBody_;
    cpu_ = std::make_unique<Processor>(*body_);  // a new body starts its own time at 0
    cpu_->Load(image_);
    started_ = false;
}

bool ModuleProgram::Downloaded(const Eeprom& image) {
    image_ = image;
    const bool saved = Save();
    Restart();
    return saved;
}

void ModuleProgram::Restart() {
    cpu_->Load(image_);
    started_ = true;
    held_ = false;
}

void ModuleProgram::FromComputer(std::uint8_t byte) {
    if (Running()) cpu_->FeedHost(byte, cpu_->Now());
}

std::vector<HostByte> ModuleProgram::RunFor(VirtualTime maxTime, std::size_t want) {
    std::vector<HostByte> sent;
    const VirtualTime end = cpu_->Now() + maxTime;
    while (Running() && cpu_->Now() < end && sent.size() < want) {
        cpu_->Run(std::min(end, cpu_->Now() + kSlice));
        for (const HostByte& b : cpu_->TakeHostOutput()) sent.push_back(b);
        if (cpu_->TakeEepromChanged()) {
            image_ = cpu_->Image();
            Save();
        }
    }
    return sent;
}

bool ModuleProgram::Save() {
    saveError_.clear();
    if (eepromFile_.empty()) return true;
    StoredEeprom stored{};
    std::copy(image_.begin(), image_.end(), stored.begin());
    return SaveEepromFile(eepromFile_, stored, saveError_);
}

}  // namespace kavrin::sim
