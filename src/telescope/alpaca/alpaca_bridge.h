#pragma once
// The telescope-driver bridge over Alpaca (HTTP/JSON). Requesters on the
// interface thread hand it numbered requests, each with a copy of its inputs
// taken when it is signalled, and never wait: the answer is applied to
// AscomSharedData and the requester's completion handler runs on the
// interface thread when the device has answered, however long it takes.
//
// Three lanes serve the requests, each call on its own connection:
//   - stops of an axis, aborts and disconnections go to a lane of their own,
//     ahead of everything else, and reach the device whatever is still out;
//     a stop drops the moves of its axis not sent yet, and a move that was
//     out when its stop went is followed by another stop once it is
//     answered, so nothing is left moving;
//   - connections, moves, slews, syncs and guide pulses keep their order in
//     the ordinary lane (a connection waits for the stops before it); a
//     connection ends, connected or failed, within kConnectTimeout_ms of
//     its request, its wait for its turn included; a disconnection drops
//     a connection not sent yet, and one under way gives up and leaves the
//     device disconnected;
//   - reads go out side by side, and a read asked again while the same one
//     is still out shares its answer instead of piling up.
// A failed call (Alpaca error, HTTP error, cut reply, time-out) is told
// through the status with the member's name, stops what it moved, and the
// bridge goes on serving; the connection is given up only by a
// disconnection or a failed connection. What a connection tells through
// the status is told with its answer, in one step on the interface thread.
// Moves never send a rate the axis does not allow.

#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/ascom_bridge.h"

#include <QObject>
#include <QString>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
        // Decided by a connection and told with its answer: its driver
        // made anew is not yet a device that worked. Not part of what the
        // status says (the same status is told once, whoever decided it).
        bool ofConnection = false;
        bool operator==(const Status& o) const { return ok == o.ok && error == o.error && connected == o.connected; }
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
    // Stops the lanes (Stop with its 5 s bound).
    ~AlpacaBridge() override;

    void Signal(int request) override { Request(request, {}); }
    void Request(int request, AscomBridge::Done done) override;
    // Waits at most timeout_ms for the answer of the last request signalled
    // that has one, and applies it at once.
    bool WaitDataSet(int timeout_ms) override;
    bool Finish(int timeout_ms) override { return Stop(timeout_ms); }
    bool ChoosesByDiscovery() const override { return true; }
    // Every request handed over has been answered on the interface thread:
    // nothing is queued, out, or still to be applied.
    bool Idle() const { return unanswered_ == 0; }
    // "fin": what moves is stopped and the lanes end; false when they did
    // not end within timeout_ms (they are then left to end on their own).
    bool Stop(int timeout_ms = kStopWait_ms);

    static constexpr int kStopWait_ms = 5000;
    static constexpr int kCallTimeout_ms = 5000;
    // A whole connection, from the request on: its wait for its turn and
    // its reads of the capabilities and rates included. A connection asked
    // again while one runs is a second attempt (the requesters ask once).
    static constexpr int kConnectTimeout_ms = 10000;
    static constexpr int kReadLanes = 3;

private:
    struct Job;
    struct Device;
    enum class Lane { Urgent, Ordinary, Read };
    struct Queue {
        std::deque<std::shared_ptr<Job>> jobs;
        int busy = 0;
    };

    static Lane laneOf(const Job& job);
    void run(Lane lane);
    void serve(Job& job);
    void finish(const std::shared_ptr<Job>& job);
    void deliver(const std::shared_ptr<Job>& job);
    // Drops the queued jobs of a lane that match (under the lock).
    void dropQueued(Queue& queue, const std::function<bool(const Job&)>& match);
    // A connection whose time ran out before its turn came.
    void expire(const std::shared_ptr<Job>& job);
    static QString connectionTimeOut();

    // Worker side.
    Reply call(bool put, const QString& member, const QList<QPair<QString, QString>>& fields, int timeout_ms);
    bool put(Job& job, const QString& member, const QList<QPair<QString, QString>>& fields = {},
             int timeout_ms = kCallTimeout_ms);
    void failed(Job& job, const QString& error);
    void succeeded(Job& job);
    void post(const Status& status, Job& job);
    // Decides, once a connection has ended, which of its statuses change
    // what is shown (under the lock).
    void releaseTold(Job& job);
    bool stopAxis(int axis, QString* error = nullptr);
    void stopAxes();
    bool createDriver(Job& job);
    // A disconnection was asked after the connection job.
    bool givenUp(Job& job);
    void connect(Job& job);
    void disconnect(Job& job);
    void move(Job& job);
    void read(Job& job);

    Sources sources_;
    std::unique_ptr<QObject> context_;   // answers are delivered through it
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable answerReady_;
    std::condition_variable lanesEnded_;
    Queue urgent_, ordinary_, reads_;
    std::vector<std::shared_ptr<Job>> openReads_;   // reads not answered yet
    std::weak_ptr<Job> waitJob_;
    std::unique_ptr<Device> device_;
    std::vector<std::thread> threads_;
    int running_ = 0;
    bool stopping_ = false;
    int unanswered_ = 0;   // interface thread only
};

} // namespace Alpaca
