#pragma once
// The "programming" state of one bus. While the EEPROM sequence runs on a bus, nothing else
// may write to that chip: the windows disable their writing controls when told, and the
// register access layer refuses any write that does not come from the sequence itself, so
// that a byte written from elsewhere between arming and disarming cannot be burnt.

#include <functional>
#include <map>

class ProgrammingState {
public:
    ProgrammingState() = default;
    ProgrammingState(const ProgrammingState&) = delete;
    ProgrammingState& operator=(const ProgrammingState&) = delete;

    bool Active() const { return depth_ > 0; }
    // True when a chip write may go out now.
    bool WriteAllowed() const { return !Active() || sequenceWriting_; }

    // Marks the bus as programming for its lifetime; listeners hear both changes.
    class Scope {
    public:
        explicit Scope(ProgrammingState& state);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ProgrammingState& state_;
    };

    // Held by the sequence around its own writes: they pass while the state is set.
    class SequenceWrites {
    public:
        explicit SequenceWrites(ProgrammingState& state);
        ~SequenceWrites();
        SequenceWrites(const SequenceWrites&) = delete;
        SequenceWrites& operator=(const SequenceWrites&) = delete;

    private:
        ProgrammingState& state_;
        bool previous_;
    };

    using Listener = std::function<void(bool programming)>;
    // Returns a handle for Unsubscribe; a window subscribes for its lifetime.
    int Subscribe(Listener listener);
    void Unsubscribe(int handle);

private:
    void notify(bool programming);

    int depth_ = 0;
    bool sequenceWriting_ = false;
    int nextHandle_ = 1;
    std::map<int, Listener> listeners_;
};
