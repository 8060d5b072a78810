#pragma once
// Burning the five configuration bytes into the chip's EEPROM, and checking the result.
// One sequence serves the window program and the command-line tool: each front end gives
// it a ProgrammingHost for waiting, progress, the VGOOD lamp, messages and the conversion.
//
// Bus order of a good run (all through Communication):
//   conversion: 0x06..0x0A written          (host.convert)
//   0x0B = 0x71, wait 0.07 s; 0x0B = 0x41, wait 0.07 s
//   read STATUS: VGOOD (bit 5) must be set
//   programming voltage on, wait 1.0 s, 0x0B = 0x00, programming voltage off
//   read back 0x06..0x0A against the image, then OUTPUT_CNTRL: PFALT (bit 6) must be clear
// Every end that armed 0x0B leaves it at 0x00 with the voltage off, including an
// emergencyStop() from outside (the window closing during a wait).

#include <cstdint>
#include <string_view>

#include "pages/eeprom/eeprom_fields.h"

namespace eeprom {

inline constexpr std::string_view kAppTitle = "Varenthal";
inline constexpr std::string_view kVgoodMissing =
    "VGOOD did not get set. EEPROM programming canceled.";
inline constexpr std::string_view kProgramFailed = "EEPROM did not program correctly.";

// Fixed waits in seconds; the settings file's "Write Delay" does not change them.
inline constexpr double kArmWait = 0.07;
inline constexpr double kPulseWait = 1.0;

enum class MessageIcon { None, Warning };

// What the conversion step did.
enum class ConversionOutcome {
    Written,   // image filled, registers 0x06..0x0A written
    NoValues,  // "No values programmed." was shown; nothing written
    Failed,    // a field has no encoding; its message was shown; nothing written
};

class ProgrammingHost {
public:
    virtual ~ProgrammingHost() = default;
    // Waits while the front end stays alive (the GUI serves its events meanwhile).
    virtual void wait(double seconds) = 0;
    // ProgressBar1 and Label47 together.
    virtual void setProgressShown(bool shown) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void setVgoodLamp(bool lit) = 0;
    virtual void message(std::string_view text, std::string_view title, MessageIcon icon) = 0;
    // Fills `image` and writes it to registers 0x06..0x0A (in the GUI this is
    // ConvertEepromControlsToBytes). Shows its own message when it does not write.
    virtual ConversionOutcome convert(EepromImage& image) = 0;
    // The PFALT end turns the status monitor on again.
    virtual void enableStatusMonitor() {}
};

enum class ProgramResult {
    Success,
    NotConverted,       // the conversion wrote nothing; the chip was not touched further
    VgoodMissing,       // VGOOD clear after arming: no pulse
    VoltageNotApplied,  // the adapter refused to switch the programming voltage on
    ReadBackDiffers,    // a register read back differs from the image (or could not be read)
    Pfalt,              // OUTPUT_CNTRL PFALT set after programming (or could not be read)
    Stopped,            // emergencyStop() ended it from outside
};

// Writes the image to registers 0x06..0x0A in register order (no wait, no read-back).
void loadImage(const EepromImage& image);

// Programming register off and voltage off, safe to call at any time: voltage off first,
// then 0x0B = 0x00 (the order for an unplanned end, when the pulse may still be on).
void disarmChip();

class EepromProgrammer {
public:
    explicit EepromProgrammer(ProgrammingHost& host) : host_(host) {}
    EepromProgrammer(const EepromProgrammer&) = delete;
    EepromProgrammer& operator=(const EepromProgrammer&) = delete;

    // Runs the whole sequence; returns when it has ended, bar and label hidden.
    ProgramResult run();
    bool running() const { return running_; }
    // The image that the sequence verified against (filled by the conversion).
    const EepromImage& image() const { return image_; }

    // Ends a running sequence from inside one of its waits: voltage off, 0x0B = 0x00, and
    // the sequence sends nothing more once the wait returns. Does nothing when idle.
    void emergencyStop();

private:
    ProgramResult finish(ProgramResult result);
    void failWith(std::string_view text);

    ProgrammingHost& host_;
    EepromImage image_{};
    bool running_ = false;
    bool stopped_ = false;
};

}  // namespace eeprom
