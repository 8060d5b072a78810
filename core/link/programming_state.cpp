#include "core/link/programming_state.h"

#include <vector>

void ProgrammingState::notify(bool programming) {
    // A listener may unsubscribe (a window closing); call a copy.
    std::vector<Listener> copy;
    for (const auto& [handle, listener] : listeners_) copy.push_back(listener);
    for (const Listener& listener : copy) listener(programming);
}

ProgrammingState::Scope::Scope(ProgrammingState& state) : state_(state) {
    if (state_.depth_++ == 0) state_.notify(true);
}

ProgrammingState::Scope::~Scope() {
    if (--state_.depth_ == 0) state_.notify(false);
}

ProgrammingState::SequenceWrites::SequenceWrites(ProgrammingState& state)
    : state_(state), previous_(state.sequenceWriting_) {
    state_.sequenceWriting_ = true;
}

ProgrammingState::SequenceWrites::~SequenceWrites() {
    state_.sequenceWriting_ = previous_;
}

int ProgrammingState::Subscribe(Listener listener) {
    const int handle = nextHandle_++;
    listeners_.emplace(handle, std::move(listener));
    return handle;
}

void ProgrammingState::Unsubscribe(int handle) {
    listeners_.erase(handle);
}
