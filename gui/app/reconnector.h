#pragma once
// Adapters that come and go: when every read has failed for a while the link counts as lost, and
// the adapter is reopened quietly once a second until a read of STATUS answers again. Only
// the reads the program makes anyway are counted, so a working link carries no extra
// traffic.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class ProgrammingState;

class Reconnector : public QObject {
    Q_OBJECT
public:
    // Lost: this many failed reads in a row, spread over at least this long, so that a
    // register that fails on its own among good reads does not count.
    static constexpr int kFailuresToDisconnect = 3;
    static constexpr int kFailingMs = 2000;
    static constexpr int kRetryMs = 1000;

    // `reopen` closes and opens the adapter again and reads STATUS, true when it answered.
    // Nothing is retried while `programming` is set on the bus.
    Reconnector(std::function<bool()> reopen, const ProgrammingState& programming,
                QObject* parent = nullptr);

    // Every register read's outcome, in the order they happen.
    void readResult(bool ok);
    bool disconnected() const { return disconnected_; }
    // Forgets the failures and stops retrying, without a signal: the user chose the adapter.
    void reset();

signals:
    void disconnectedChanged(bool disconnected);

private:
    void retry();
    void setDisconnected(bool gone);

    std::function<bool()> reopen_;
    const ProgrammingState& programming_;
    QTimer retry_;
    QElapsedTimer failingSince_;
    int failures_ = 0;
    bool disconnected_ = false;
    bool retrying_ = false;
};
