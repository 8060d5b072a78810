#include "gui/app/reconnector.h"

#include "core/link/programming_state.h"

Reconnector::Reconnector(std::function<bool()> reopen, const ProgrammingState& programming,
                         QObject* parent)
    : QObject(parent), reopen_(std::move(reopen)), programming_(programming) {
    retry_.setObjectName(QStringLiteral("tmrReconnect"));
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &Reconnector::retry);
}

void Reconnector::readResult(bool ok) {
    if (retrying_) return;  // the retry's own probe decides by its result
    if (ok) {
        failures_ = 0;
        setDisconnected(false);
        return;
    }
    // The programming sequence answers its own failures and must not lose its adapter.
    if (failures_++ == 0) failingSince_.start();
    if (failures_ >= kFailuresToDisconnect && failingSince_.elapsed() >= kFailingMs &&
        !programming_.Active()) {
        setDisconnected(true);
    }
}

void Reconnector::reset() {
    failures_ = 0;
    disconnected_ = false;
    retry_.stop();
}

void Reconnector::retry() {
    if (programming_.Active()) return;
    retrying_ = true;
    const bool back = reopen_();
    retrying_ = false;
    if (back) {
        failures_ = 0;
        setDisconnected(false);
    }
}

void Reconnector::setDisconnected(bool gone) {
    if (gone == disconnected_) return;
    disconnected_ = gone;
    if (gone) {
        retry_.start();
    } else {
        retry_.stop();
    }
    emit disconnectedChanged(gone);
}
