#pragma once
// The program-wide "programming" state. While the EEPROM sequence runs, nothing else in the
// program may write to the chip: the windows disable their writing controls when told, and
// the register access layer refuses any write that does not come from the sequence itself,
// so that a byte written from elsewhere between arming and disarming cannot be burnt.

#include <functional>

namespace ProgrammingState {

bool Active();

// Marks the program as programming for its lifetime; listeners hear both changes.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Held by the sequence around its own writes: they pass while the state is set.
class SequenceWrites {
public:
    SequenceWrites();
    ~SequenceWrites();
    SequenceWrites(const SequenceWrites&) = delete;
    SequenceWrites& operator=(const SequenceWrites&) = delete;

private:
    bool previous_;
};

// True when a chip write may go out now.
bool WriteAllowed();

using Listener = std::function<void(bool programming)>;
// Returns a handle for Unsubscribe; a window subscribes for its lifetime.
int Subscribe(Listener listener);
void Unsubscribe(int handle);

}  // namespace ProgrammingState
