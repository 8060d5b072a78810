#include "core/link/programming_state.h"

#include <map>
#include <vector>

namespace ProgrammingState {
namespace {

struct State {
    int depth = 0;
    bool sequenceWriting = false;
    int nextHandle = 1;
    std::map<int, Listener> listeners;
};

State& state() {
    static State s;
    return s;
}

void notify(bool programming) {
    // A listener may unsubscribe (a window closing); call a copy.
    std::vector<Listener> copy;
    for (const auto& [handle, listener] : state().listeners) copy.push_back(listener);
    for (const Listener& listener : copy) listener(programming);
}

}  // namespace

bool Active() {
    return state().depth > 0;
}

Scope::Scope() {
    if (state().depth++ == 0) notify(true);
}

Scope::~Scope() {
    if (--state().depth == 0) notify(false);
}

SequenceWrites::SequenceWrites() : previous_(state().sequenceWriting) {
    state().sequenceWriting = true;
}

SequenceWrites::~SequenceWrites() {
    state().sequenceWriting = previous_;
}

bool WriteAllowed() {
    return !Active() || state().sequenceWriting;
}

int Subscribe(Listener listener) {
    const int handle = state().nextHandle++;
    state().listeners.emplace(handle, std::move(listener));
    return handle;
}

void Unsubscribe(int handle) {
    state().listeners.erase(handle);
}

}  // namespace ProgrammingState
