#pragma once
// Burning the five configuration bytes into the chip's EEPROM, and checking the result.
// One sequence serves the window program and the command-line tool: each front end gives
// it a ProgrammingHost for waiting, progress, the VGOOD lamp, messages and the five bytes;
// the programmer itself waits, writes, arms, pulses and verifies.
//
// Bus order of a good run (all through the Communication it is given):
//   wait 1 s; 0x06..0x0A written with the host's bytes                  (loading)
//   0x0B = 0x71, wait 0.07 s; 0x0B = 0x41, wait 0.07 s                  (armed)
//   read STATUS: VGOOD (bit 5) must be set
//   programming voltage on, wait 1.0 s                                   (pulsing)
//   0x0B = 0x00, programming voltage off                                 (disarming)
//   read back 0x06..0x0A against the image, then OUTPUT_CNTRL: PFALT (bit 6) must be clear
//                                                                        (verifying)
//   when the host can: the board's power off and on, then 0x06..0x0A and PFALT again
//
// Every write and voltage call is checked. A lost load write stops before arming, so the
// EEPROM keeps all its old bytes; a lost arm write or an unanswered STATUS stops before
// the pulse. Every exit from the armed or pulsing states, whatever ends it (failure, close,
// signal, exception), goes through safeEnd(). A started pulse is never cut short.
//
// What the verdict rests on: the read-back after the pulse reads the registers that were
// loaded a second earlier, whether or not anything was burnt; only the read after a power
// cycle, when the chip has loaded 0x06..0x0A from its EEPROM, shows what the EEPROM holds.
// A read that is not answered is tried again; one that keeps failing proves nothing either
// way and ends as "not verified", never as a difference.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/stop_signal_hold.h"
#include "core/link/communication.h"

namespace eeprom {

inline constexpr std::string_view kAppTitle = "Varenthal";
inline constexpr std::string_view kVgoodMissing =
    "VGOOD did not get set. EEPROM programming canceled.";
inline constexpr std::string_view kProgramFailed = "EEPROM did not program correctly.";
inline constexpr std::string_view kNoAnswerCanceled =
    "The chip did not answer. EEPROM programming canceled.";
inline constexpr std::string_view kNoPulseLineCanceled =
    "The programming voltage cannot be switched. EEPROM programming canceled.";
inline constexpr std::string_view kVoltageNotOn =
    "The programming voltage could not be switched on.";
inline constexpr std::string_view kVoltageStuckOn =
    "The programming voltage could not be switched off. Remove the board's power now.";
inline constexpr std::string_view kNotDisarmed =
    "The chip could not be taken out of programming mode. Remove the board's power now.";
inline constexpr std::string_view kNotVerified =
    "The chip did not answer the read-back. The EEPROM was not verified.";
inline constexpr std::string_view kPowerCycleFailed =
    "The board's power could not be switched off and on. The EEPROM itself was not verified.";
inline constexpr std::string_view kProgrammingError = "EEPROM programming stopped on an error:";

// Fixed waits in seconds; the settings file's "Write Delay" does not change them.
inline constexpr double kConversionWait = 1.0;
inline constexpr double kArmWait = 0.07;
inline constexpr double kPulseWait = 1.0;
// Attempts of each safe-end step before it is reported as failed.
inline constexpr int kSafeEndAttempts = 4;
// Attempts of each verifying read, with a short wait between them.
inline constexpr int kReadAttempts = 3;
inline constexpr double kReadRetryWait = 0.05;

enum class MessageIcon { None, Warning };

// Whether the host could give the five bytes.
enum class ConversionOutcome {
    Written,   // image filled (and, for ConvertEepromControlsToBytes, written)
    NoValues,  // "No values programmed." was shown; nothing to write
    Failed,    // a field has no encoding; its message was shown; nothing to write
};

class ProgrammingHost {
public:
    virtual ~ProgrammingHost() = default;
    // Waits while the front end stays alive (the GUI serves its events meanwhile). May return
    // early once stopRequested() is true.
    virtual void wait(double seconds) = 0;
    // The pulse's wait: never cut short.
    virtual void waitWhole(double seconds) { wait(seconds); }
    // ProgressBar1 and Label47 together.
    virtual void setProgressShown(bool shown) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void setVgoodLamp(bool lit) = 0;
    virtual void message(std::string_view text, std::string_view title, MessageIcon icon) = 0;
    // Fills `image` with the five bytes to burn, or says why it cannot (showing its own
    // message). Sends nothing to the chip; the programmer or convertAndLoad writes the bytes
    // right after.
    virtual ConversionOutcome compose(EepromImage& image) = 0;
    // The PFALT end turns the status monitor on again.
    virtual void enableStatusMonitor() {}
    // A stop asked from outside between the steps (a signal in the command-line tool).
    virtual bool stopRequested() { return false; }
    // The power cycle after the burn, for a front end that has a means for it (a fixture's
    // line, the operator): switches the board off and on and lets it settle, so that the
    // chip loads 0x06..0x0A from its EEPROM. False, with `reason`, when it could not.
    virtual bool canPowerCycle() const { return false; }
    virtual bool powerCycle(std::string& reason) {
        reason = "no means to switch the board's power";
        return false;
    }
};

enum class ProgramResult {
    Success,
    NotConverted,       // the host gave no bytes; the chip was not touched
    LoadFailed,         // a write of 0x06..0x0A was not answered: no arm, nothing burnt
    NoPulseLine,        // the programming-voltage line cannot be had: no arm
    ArmFailed,          // a write of 0x71 or 0x41 was not answered: no pulse
    NoAnswer,           // STATUS could not be read after arming: no pulse
    VgoodMissing,       // VGOOD clear after arming: no pulse
    VoltageNotApplied,  // the adapter refused to switch the programming voltage on
    SafeEndFailed,      // 0x0B = 0x00 or voltage off failed even when retried
    ReadBackDiffers,    // a register read back differs from the image
    Pfalt,              // OUTPUT_CNTRL PFALT set after programming
    NotVerified,        // a verifying read kept failing: the chip did not answer
    PowerCycleFailed,   // the registers read back right, but the power could not be cycled
    Error,              // an exception (adapter or front end) ended it; the chip was made safe
    Stopped,            // ended from outside: emergencyStop() or the host's stop request
};

// Which check the verdict rests on: none, the registers as loaded, or the registers as the
// chip loaded them from its EEPROM after a power cycle. Set once that check's reads were made.
enum class Check { None, Registers, AfterPowerUp };
std::string_view checkName(Check check);  // "", "registers", "after_power_up"

// Where the sequence was when it ended.
enum class Stage { Loading, Armed, Pulsing, Disarming, Verifying, Done };
std::string_view stageName(Stage stage);

struct ProgramReport {
    ProgramResult result = ProgramResult::Success;
    Stage stage = Stage::Loading;
    std::string reason;                  // one line for the command line; empty on success
    std::vector<std::uint8_t> readBack;  // 0x06.. as read back, up to the first failed read
    std::vector<std::uint8_t> afterPowerUp;  // 0x06.. as read after the power cycle
    std::optional<bool> pfalt;               // OUTPUT_CNTRL's PFALT, as read last
    Check check = Check::None;
    int failedRegister = -1;             // the register whose transfer or value failed
};

// Writes the image to registers 0x06..0x0A in register order (no wait, no read-back); stops
// at the first write that is not answered and returns its index, or -1 when all went out.
int loadImage(const Communication& comm, const EepromImage& image);

// The conversion of the page's own commands (ConvertEepromControlsToBytes, the preview, a
// save): waits kConversionWait, takes the host's bytes into `image` and, when it gave them,
// writes them to 0x06..0x0A. No arming and no read-back; a lost write is left to the
// status line, as for any register write outside programming.
ConversionOutcome convertAndLoad(ProgrammingHost& host, const Communication& comm,
                                 EepromImage& image);

// What safeEnd() could not do.
struct SafeEndResult {
    bool disarmed = true;
    bool voltageOff = true;
    bool ok() const { return disarmed && voltageOff; }
};

// The one way out of programming mode, for the sequence and for the program's close: when
// the program left 0x0B nonzero it writes 0x0B = 0x00, then, when the voltage may be on, it
// switches it off; each step is checked and retried. Never throws: an attempt that throws
// counts as failed.
SafeEndResult safeEnd(const Communication& comm) noexcept;

class EepromProgrammer {
public:
    EepromProgrammer(ProgrammingHost& host, Communication comm) : host_(host), comm_(comm) {}
    EepromProgrammer(const EepromProgrammer&) = delete;
    EepromProgrammer& operator=(const EepromProgrammer&) = delete;

    // Runs the whole sequence; returns when it has ended, bar and label hidden. An exception
    // from the adapter or the host ends it as Error after the safe end; it does not escape.
    ProgramResult run();
    // The bytes the EEPROM held before the run, when the front end read them: a check after
    // the power cycle can then tell "nothing was burnt" from a partial burn.
    void setEepromBefore(std::optional<EepromImage> before) { before_ = before; }
    bool running() const { return running_; }
    const ProgramReport& report() const { return report_; }
    // The image that the sequence verified against.
    const EepromImage& image() const { return image_; }

    // Ends a running sequence from inside one of its waits: a pulse under way is let run
    // its full time, then the safe end; the sequence sends nothing more once the wait
    // returns, and its verdict names a safe end that failed. Does nothing when idle. Returns
    // what the safe end could not do. Never throws.
    SafeEndResult emergencyStop() noexcept;

private:
    ProgramResult body();
    ProgramResult failedOnError(const std::string& what) noexcept;
    // 0x06..0x0A (all five after the power cycle, else up to the first difference) and
    // PFALT; nullopt when they are right, else the sequence's end.
    std::optional<ProgramResult> verify(bool afterPowerUp);
    std::int32_t readRetried(std::uint8_t address, std::uint8_t& value);
    ProgramResult end(ProgramResult result, Stage stage, std::string reason);
    ProgramResult endArmed(ProgramResult result, Stage stage, std::string reason, std::string text);
    ProgramResult stopped(Stage stage);
    bool stopAsked();
    void tell(std::string_view text, MessageIcon icon = MessageIcon::None);

    enum class State { Idle, Loading, Armed, Pulsing, Disarming, Verifying };

    ProgrammingHost& host_;
    Communication comm_;
    EepromImage image_{};
    ProgramReport report_{};
    std::optional<StopSignalHold> stopHold_;  // from the first arm write to the safe end
    std::optional<SafeEndResult> stopSafeEnd_;  // emergencyStop()'s, for the verdict
    std::optional<EepromImage> before_;
    State state_ = State::Idle;
    double pulseStarted_ = 0;
    bool running_ = false;
    bool stopped_ = false;
};

}  // namespace eeprom
