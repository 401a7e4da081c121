#pragma once
// The telescope-driver bridge over Alpaca (HTTP/JSON). One worker thread
// alone talks to the driver; requesters on the interface thread hand it
// numbered requests through a queue, each with a copy of its inputs taken
// when it is signalled, so a later request never overwrites them and two
// releases are two stops. A request with an answer gets its own ticket:
// WaitDataSet waits a bounded time for the answer of the last one signalled
// and copies it into AscomSharedData there, on the interface thread; an
// answer the driver did not serve (not connected, failed call) counts as
// none, so the record keeps its values.
//
// Stops of an axis are never gated and are retried once; a failed call
// while an axis moves stops the axes before the connection is given up;
// ending the bridge stops what still moves.

#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/ascom_bridge.h"

#include <QString>
#include <QThread>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace Alpaca {

class AlpacaBridge final : public AscomBridge::Bridge {
public:
    // What the Preferences dialog shows: the last call worked (lime green,
    // no text) or failed (red, its error), and whether the driver is
    // connected.
    struct Status {
        bool ok = true;
        QString error;
        bool connected = false;
        bool operator==(const Status&) const = default;
    };
    struct Sources {
        // The driver address text ("host:port/N"), read when a request is
        // signalled.
        std::function<QString()> address;
        // The entries of "ASComRates.ini", read when connecting.
        std::function<QList<QPair<QString, QString>>()> rateEntries;
        // Called on the interface thread when the status changes.
        std::function<void(const Status&)> status;
    };

    explicit AlpacaBridge(Sources sources);
    // Stops the worker (Stop with its 5 s bound).
    ~AlpacaBridge() override;

    void Signal(int request) override;
    bool WaitDataSet(int timeout_ms) override;
    bool Finish(int timeout_ms) override { return Stop(timeout_ms); }
    // "fin": the worker stops what moves and ends; false when it did not
    // end within timeout_ms (it is then left to end on its own).
    bool Stop(int timeout_ms = kStopWait_ms);

    static constexpr int kStopWait_ms = 5000;
    static constexpr int kCallTimeout_ms = 5000;
    static constexpr int kConnectTimeout_ms = 25000;

private:
    struct Job;
    struct Answer;
    class Worker;

    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable answerReady_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::map<std::uint64_t, std::shared_ptr<Answer>> answers_;
    std::uint64_t nextTicket_ = 1;
    std::uint64_t waitTicket_ = 0;   // the answer WaitDataSet waits for
    Sources sources_;
    std::unique_ptr<QThread> thread_;
    bool stopped_ = false;
};

// Whether a request is answered ("data_set").
bool HasAnswer(int request);

} // namespace Alpaca
