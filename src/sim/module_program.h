#pragma once
// The program a virtual module holds and runs: its processor, the body it drives, and the
// EEPROM file that keeps the image across runs of Kavrin.
//
// Time: nothing here looks at a clock. The owner decides how far virtual time goes. The SIM
// serial port runs it on demand: while the computer waits in a read, the program runs (as fast
// as it can) until it has sent the bytes the read wants or the read's time-out has passed in
// virtual time; between reads it stands still. That keeps the exchange of the servo test window
// exact and repeatable with or without a simulator window, and costs nothing while nobody
// listens. A simulator drives the same object with its own clock instead.
//
// Not thread-safe: used by one thread at a time (the one that holds the SIM port).

#include <memory>
#include <string>
#include <vector>

#include "sim/processor.h"
#include "sim/recording_body.h"

namespace kavrin::sim {

class ModuleProgram {
public:
    ModuleProgram();

    // The file that keeps the EEPROM (empty: none). Loads the image it holds, as at power-on,
    // without starting it; what is not a regular file is not opened and reads as empty.
    void SetEepromFile(std::string path);
    const std::string& EepromFile() const { return eepromFile_; }
    // Why the file was there but could not be used at SetEepromFile; empty when it was fine or
    // missing.
    const std::string& LoadProblem() const { return loadProblem_; }

    // A body to drive instead of the built-in one that merely records; null restores that one.
    // The body must outlive its use here.
    void SetBody(PinBody* body);

    // A download has completed: the image is kept and started, and written to the file. False
    // when the file could not be written (SaveError says why); the image is kept all the same
    // for as long as this object lives.
    bool Downloaded(const Eeprom& image);
    // Reset or power-on: the image held runs again from its start.
    void Restart();
    // Reset held: the program stands still until Restart.
    void Hold() { held_ = true; }

    // A byte from the computer, arriving now.
    void FromComputer(std::uint8_t byte);
    // Runs until the program has sent `want` bytes or `maxTime` has passed; what it sent.
    std::vector<HostByte> RunFor(VirtualTime maxTime, std::size_t want);

    bool Running() const { return started_ && !held_ && !cpu_->Halted(); }
    const Processor& Cpu() const { return *cpu_; }
    const Eeprom& Image() const { return image_; }
    // The last write of the file that failed, empty when all went well.
    const std::string& SaveError() const { return saveError_; }

private:
    bool Save();

    RecordingBody idleBody_;
    PinBody* body_;
    std::unique_ptr<Processor> cpu_;
    Eeprom image_{};
    std::string eepromFile_;
    std::string saveError_;
    std::string loadProblem_;
    bool started_ = false;
    bool held_ = false;
};

}  // namespace kavrin::sim
