#include "core/eeprom/programming_sequence.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <span>
#include <thread>

#include "core/chip/register_map.h"
#include "core/eeprom/stop_signal_hold.h"
#include "core/link/communication.h"
#include "core/link/miscellaneous.h"
#include "core/link/programming_state.h"

namespace eeprom {
namespace {

// The sequence's own writes pass the bus's write lock.
std::int32_t write(const Communication& comm, std::uint8_t address, std::uint8_t data) {
    const ProgrammingState::SequenceWrites own(comm.programming());
    return comm.WriteRegister(address, data);
}

// The programming-voltage transfer: (0x41, on, 0, 0) in WriteI2C's argument order.
std::int32_t programmingVoltage(const Communication& comm, bool on) {
    std::int16_t b2 = chip::kProgramArm2, b3 = on ? 1 : 0, b4 = 0, b5 = 0;
    return comm.WriteI2CBytes(b2, b3, b4, b5);
}

// Retries a safe-end step; a short pause lets a busy bus settle. An attempt that throws is
// one that failed: the bus notes stay as they were, so the next attempt is made.
template <typename Step>
bool retried(Step step) noexcept {
    for (int attempt = 0; attempt < kSafeEndAttempts; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        try {
            if (step() == 0) return true;
        } catch (...) {
        }
    }
    return false;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string registerText(int address) {
    return "register 0x" + Miscellaneous::ByteToHex(static_cast<std::uint8_t>(address));
}

std::string lines(std::string_view first, std::string_view second) {
    return std::string(first) + "\n" + std::string(second);
}

}  // namespace

std::string_view checkName(Check check) {
    switch (check) {
        case Check::Registers:
            return "registers";
        case Check::AfterPowerUp:
            return "after_power_up";
        case Check::None:
            break;
    }
    return "";
}

std::string_view stageName(Stage stage) {
    switch (stage) {
        case Stage::Loading:
            return "loading";
        case Stage::Armed:
            return "armed";
        case Stage::Pulsing:
            return "pulsing";
        case Stage::Disarming:
            return "disarming";
        case Stage::Verifying:
            return "verifying";
        case Stage::Done:
            break;
    }
    return "done";
}

int loadImage(const Communication& comm, const EepromImage& image) {
    for (int i = 0; i < chip::kEepromCount; ++i) {
        if (write(comm, static_cast<std::uint8_t>(chip::kFirstEeprom + i),
                  image[static_cast<std::size_t>(i)]) != 0) {
            return i;
        }
    }
    return -1;
}

ConversionOutcome convertAndLoad(ProgrammingHost& host, const Communication& comm,
                                 EepromImage& image) {
    // Clicks and ticks are served meanwhile; the bytes are the page's as it is after the wait.
    host.wait(kConversionWait);
    const ConversionOutcome outcome = host.compose(image);
    if (outcome == ConversionOutcome::Written) loadImage(comm, image);
    return outcome;
}

SafeEndResult safeEnd(const Communication& comm) noexcept {
    SafeEndResult result;
    // Disarm first, then the voltage off; each only when the program left it so.
    if (comm.ProgramRegisterArmed()) {
        result.disarmed = retried([&] { return write(comm, chip::EEPROM_PROGRAM, 0x00); });
    }
    if (comm.ProgrammingVoltageMayBeOn()) {
        result.voltageOff = retried([&] { return programmingVoltage(comm, false); });
    }
    return result;
}

namespace {

// The loud second message of a safe end that failed, or empty.
std::string_view safeEndFailure(const SafeEndResult& r) {
    if (!r.voltageOff) return kVoltageStuckOn;
    if (!r.disarmed) return kNotDisarmed;
    return {};
}

// The same for the command line's one-line cause.
std::string safeEndReason(const SafeEndResult& r) {
    const std::string tries = " (" + std::to_string(kSafeEndAttempts) + " attempts)";
    if (!r.voltageOff) {
        return "the programming voltage could not be switched off" + tries +
               "; remove the board's power now";
    }
    return "register 0x0B could not be set back to 0x00" + tries + "; remove the board's power now";
}

}  // namespace

void EepromProgrammer::tell(std::string_view text, MessageIcon icon) {
    host_.message(text, kAppTitle, icon);
}

bool EepromProgrammer::stopAsked() {
    if (!stopped_ && host_.stopRequested()) stopped_ = true;
    return stopped_;
}

SafeEndResult EepromProgrammer::emergencyStop() noexcept {
    if (!running_ || stopped_) return {};
    stopped_ = true;
    if (state_ == State::Pulsing) {
        // Cutting the pulse short could leave cells half programmed.
        const double left = kPulseWait - (now() - pulseStarted_);
        if (left > 0) {
            const double until = now() + left;
            try {
                host_.waitWhole(left);
            } catch (...) {
                // The front end cannot wait any more; the pulse still gets its time.
                if (until > now())
                    std::this_thread::sleep_for(std::chrono::duration<double>(until - now()));
            }
        }
    }
    const SafeEndResult r = safeEnd(comm_);
    stopSafeEnd_ = r;
    stopHold_.reset();
    if (!r.ok()) {
        try {
            tell(safeEndFailure(r), MessageIcon::Warning);
        } catch (...) {
        }
    }
    return r;
}

ProgramResult EepromProgrammer::end(ProgramResult result, Stage stage, std::string reason) {
    // The programmer leaves its running state before the front end hears of the end, so
    // that a host call that throws cannot keep it running.
    stopHold_.reset();
    report_.result = result;
    report_.stage = stage;
    report_.reason = std::move(reason);
    state_ = State::Idle;
    running_ = false;
    if (result != ProgramResult::Stopped) host_.setProgress(100);
    host_.setProgressShown(false);
    return result;
}

ProgramResult EepromProgrammer::stopped(Stage stage) {
    // emergencyStop() has already ended it safely; a stop asked by the host ends it here.
    const SafeEndResult r = safeEnd(comm_);
    stopHold_.reset();
    if (!r.ok()) {
        // emergencyStop() has said so already.
        if (!stopSafeEnd_) tell(safeEndFailure(r), MessageIcon::Warning);
        return end(ProgramResult::SafeEndFailed, Stage::Disarming, safeEndReason(r));
    }
    std::string reason = stage == Stage::Loading ? "stopped before arming; nothing was burnt"
                                                 : "stopped; the chip was disarmed";
    if (stage == Stage::Pulsing) {
        reason =
            "the pulse ran its full time, then the chip was disarmed; the EEPROM was not "
            "verified";
    } else if (stage == Stage::Verifying) {
        reason = "stopped after programming; the EEPROM was not verified";
    }
    return end(ProgramResult::Stopped, stage, std::move(reason));
}

ProgramResult EepromProgrammer::endArmed(ProgramResult result, Stage stage, std::string reason,
                                         std::string text) {
    // Disarm before the message: a message box may stay open for a long time.
    const SafeEndResult r = safeEnd(comm_);
    stopHold_.reset();
    if (!r.ok()) {
        tell(lines(text, safeEndFailure(r)), MessageIcon::Warning);
        return end(ProgramResult::SafeEndFailed, Stage::Disarming,
                   reason + "; " + safeEndReason(r));
    }
    tell(text);
    return end(result, stage, std::move(reason));
}

ProgramResult EepromProgrammer::run() {
    if (running_) return ProgramResult::Stopped;  // never two sequences on one chip
    running_ = true;
    stopped_ = false;
    stopSafeEnd_.reset();
    report_ = {};
    const ProgrammingState::Scope programming(comm_.programming());
    try {
        return body();
    } catch (const std::exception& e) {
        return failedOnError(e.what());
    } catch (...) {
        return failedOnError("unknown error");
    }
}

ProgramResult EepromProgrammer::failedOnError(const std::string& what) noexcept {
    Stage stage = Stage::Loading;
    switch (state_) {
        case State::Armed:
            stage = Stage::Armed;
            break;
        case State::Pulsing:
            stage = Stage::Pulsing;
            break;
        case State::Disarming:
            stage = Stage::Disarming;
            break;
        case State::Verifying:
            stage = Stage::Verifying;
            break;
        case State::Idle:  // the host threw while hearing of the end
            stage = report_.stage;
            break;
        case State::Loading:
            break;
    }
    // The bus notes say what may be armed or on, whatever the step that threw had done.
    const SafeEndResult r = safeEnd(comm_);
    std::string reason = "an error ended programming (" + what + ")";
    std::string text = std::string(kProgrammingError) + " " + what;
    ProgramResult result = ProgramResult::Error;
    if (!r.ok()) {
        result = ProgramResult::SafeEndFailed;
        reason += "; " + safeEndReason(r);
        text = lines(text, safeEndFailure(r));
        stage = Stage::Disarming;
    } else if (stage == Stage::Loading) {
        reason += "; nothing was armed";
    } else {
        reason += stage == Stage::Armed ? "; no pulse was applied and the chip was disarmed"
                                        : "; the chip was disarmed and the EEPROM was not verified";
    }
    // Whatever the front end does now, the programmer is idle and the hold is released.
    stopHold_.reset();
    state_ = State::Idle;
    running_ = false;
    report_.result = result;
    report_.stage = stage;
    report_.reason = reason;
    try {
        tell(text, MessageIcon::Warning);
    } catch (...) {
    }
    try {
        host_.setProgressShown(false);
    } catch (...) {
    }
    return result;
}

std::int32_t EepromProgrammer::readRetried(std::uint8_t address, std::uint8_t& value) {
    std::int32_t rc = comm_.ReadRegister(address, value);
    for (int attempt = 1; rc != 0 && attempt < kReadAttempts && !stopped_; ++attempt) {
        host_.wait(kReadRetryWait);
        if (stopped_) break;  // an emergency stop: nothing more goes out
        rc = comm_.ReadRegister(address, value);
    }
    return rc;
}

ProgramResult EepromProgrammer::body() {
    state_ = State::Loading;
    host_.setProgressShown(true);
    host_.setProgress(30);
    host_.wait(kConversionWait);  // clicks and ticks are served meanwhile
    if (stopAsked()) return stopped(Stage::Loading);
    // Nothing is burnt unless the host gave the bytes: the registers might hold anything
    // from an earlier session.
    if (host_.compose(image_) != ConversionOutcome::Written) {
        return end(ProgramResult::NotConverted, Stage::Loading, "no values to program");
    }
    // Found out now rather than at the pulse, with the chip armed.
    std::string lineReason;
    if (comm_.HoldPulseLine(lineReason) != 0) {
        tell(lines(kNoPulseLineCanceled, lineReason));
        return end(ProgramResult::NoPulseLine, Stage::Loading, lineReason);
    }
    if (const int lost = loadImage(comm_, image_); lost >= 0) {
        const std::string where = registerText(chip::kFirstEeprom + lost);
        report_.failedRegister = chip::kFirstEeprom + lost;
        tell(kNoAnswerCanceled);
        return end(ProgramResult::LoadFailed, Stage::Loading,
                   "the chip did not answer the write of " + where +
                       "; nothing was armed and the EEPROM is unchanged");
    }
    if (stopAsked()) return stopped(Stage::Loading);
    host_.setProgress(50);

    state_ = State::Armed;
    stopHold_.emplace();
    for (const std::uint8_t arm : {chip::kProgramArm1, chip::kProgramArm2}) {
        if (arm == chip::kProgramArm2) host_.setProgress(60);
        if (write(comm_, chip::EEPROM_PROGRAM, arm) != 0) {
            report_.failedRegister = chip::EEPROM_PROGRAM;
            return endArmed(ProgramResult::ArmFailed, Stage::Armed,
                            "the chip did not answer the write of 0x" +
                                Miscellaneous::ByteToHex(arm) +
                                " to register 0x0B; no pulse was applied",
                            std::string(kNoAnswerCanceled));
        }
        host_.wait(kArmWait);
        if (stopAsked()) return stopped(Stage::Armed);
    }

    std::uint8_t status = 0;
    if (comm_.ReadRegister(chip::STATUS, status) != 0) {
        report_.failedRegister = chip::STATUS;
        return endArmed(ProgramResult::NoAnswer, Stage::Armed,
                        "the chip did not answer the STATUS read; no pulse was applied",
                        std::string(kNoAnswerCanceled));
    }
    if ((status & chip::kStatusVGOOD) == 0) {
        host_.setVgoodLamp(false);
        return endArmed(ProgramResult::VgoodMissing, Stage::Armed,
                        "VGOOD is clear after arming; no pulse was applied",
                        std::string(kVgoodMissing));
    }
    host_.setVgoodLamp(true);
    host_.setProgress(70);
    if (stopAsked()) return stopped(Stage::Armed);

    state_ = State::Pulsing;
    pulseStarted_ = now();
    if (programmingVoltage(comm_, true) != 0) {
        // The pulse never came, so the EEPROM was not programmed; do not verify the
        // registers against themselves and call it a success.
        return endArmed(ProgramResult::VoltageNotApplied, Stage::Pulsing,
                        "the programming voltage could not be switched on",
                        lines(kProgramFailed, kVoltageNotOn));
    }
    host_.waitWhole(kPulseWait);
    if (stopped_) {
        // emergencyStop() made the safe end inside the wait; a failed one is the verdict.
        if (stopSafeEnd_ && !stopSafeEnd_->ok()) {
            return end(ProgramResult::SafeEndFailed, Stage::Disarming,
                       "stopped after the pulse; " + safeEndReason(*stopSafeEnd_));
        }
        return end(ProgramResult::Stopped, Stage::Pulsing, "stopped after the pulse");
    }

    state_ = State::Disarming;
    const SafeEndResult disarmed = safeEnd(comm_);
    stopHold_.reset();
    if (const SafeEndResult& r = disarmed; !r.ok()) {
        tell(safeEndFailure(r), MessageIcon::Warning);
        return end(ProgramResult::SafeEndFailed, Stage::Disarming, safeEndReason(r));
    }
    if (stopAsked()) return stopped(Stage::Pulsing);
    host_.setProgress(80);

    state_ = State::Verifying;
    if (const auto failed = verify(false)) return *failed;
    if (host_.canPowerCycle()) {
        host_.setProgress(90);
        std::string why;
        if (!host_.powerCycle(why)) {
            tell(kPowerCycleFailed);
            return end(ProgramResult::PowerCycleFailed, Stage::Verifying,
                       "the registers read back right, but the board's power could not be "
                       "switched off and on (" +
                           why + "); the EEPROM itself was not verified");
        }
        if (stopAsked()) return stopped(Stage::Verifying);
        if (const auto failed = verify(true)) return *failed;
    }
    return end(ProgramResult::Success, Stage::Done, "");
}

namespace {

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes)
        text += (text.empty() ? "" : " ") + Miscellaneous::ByteToHex(b);
    return text;
}

}  // namespace

std::optional<ProgramResult> EepromProgrammer::verify(bool afterPowerUp) {
    std::vector<std::uint8_t>& got = afterPowerUp ? report_.afterPowerUp : report_.readBack;
    const std::string when = afterPowerUp ? " after the power cycle" : "";
    auto notAnswered = [&](int address, const std::string& what) {
        report_.failedRegister = address;
        tell(kNotVerified);
        return end(ProgramResult::NotVerified, Stage::Verifying,
                   what + " could not be read" + when + " (" + std::to_string(kReadAttempts) +
                       " attempts): the chip did not answer; the EEPROM was not verified");
    };
    // After the power cycle all five are read, so that the verdict can say whether anything
    // was burnt at all.
    int differs = -1;
    for (int i = 0; i < chip::kEepromCount; ++i) {
        std::uint8_t value = 0;
        const int address = chip::kFirstEeprom + i;
        const std::int32_t rc = readRetried(static_cast<std::uint8_t>(address), value);
        if (stopped_) return stopped(Stage::Verifying);
        if (rc != 0) return notAnswered(address, registerText(address));
        got.push_back(value);
        if (value != image_[static_cast<std::size_t>(i)]) {
            if (differs < 0) differs = i;
            if (!afterPowerUp) break;
        }
    }
    if (differs >= 0) {
        const auto i = static_cast<std::size_t>(differs);
        const int address = chip::kFirstEeprom + differs;
        report_.check = afterPowerUp ? Check::AfterPowerUp : Check::Registers;
        report_.failedRegister = address;
        std::string reason = registerText(address) + " reads back 0x" +
                             Miscellaneous::ByteToHex(got[i]) + " instead of 0x" +
                             Miscellaneous::ByteToHex(image_[i]) + when;
        if (afterPowerUp && before_ &&
            std::equal(got.begin(), got.end(), before_->begin(), before_->end())) {
            reason =
                "nothing was burnt: after the power cycle the chip loaded the bytes it held "
                "before (" +
                hexBytes(got) + ")";
        } else if (afterPowerUp) {
            reason += ": the EEPROM does not hold the new bytes";
        }
        tell(kProgramFailed);
        return end(ProgramResult::ReadBackDiffers, Stage::Verifying, std::move(reason));
    }

    std::uint8_t output = 0;
    const std::int32_t rc = readRetried(chip::OUTPUT_CNTRL, output);
    if (stopped_) return stopped(Stage::Verifying);
    if (rc != 0) return notAnswered(chip::OUTPUT_CNTRL, "OUTPUT_CNTRL");
    report_.check = afterPowerUp ? Check::AfterPowerUp : Check::Registers;
    report_.pfalt = (output & chip::kOutPFALT) != 0;
    if (*report_.pfalt) {
        report_.failedRegister = chip::OUTPUT_CNTRL;
        tell(kProgramFailed);
        const ProgramResult result =
            end(ProgramResult::Pfalt, Stage::Verifying, "PFALT is set after programming" + when);
        host_.enableStatusMonitor();
        return result;
    }
    return std::nullopt;
}

}  // namespace eeprom
