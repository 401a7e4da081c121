#include "telescope/alpaca/alpaca_bridge.h"

#include "app/ui/event_boundary.h"
#include "platform/platform_texts.h"
#include "telescope/alpaca/alpaca_http.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <map>

namespace Alpaca {

using namespace AscomBridge;

// A request with its inputs as they were when it was signalled, and what
// the lane made of it.
struct AlpacaBridge::Job {
    int request = 0;
    QString address;
    std::uint8_t direction = 0;
    std::int32_t pulseDuration = 0;
    double targetRa = 0;
    double targetDec = 0;
    double raRate = 0;
    double decRate = 0;
    bool connected = false;
    std::array<double, 2> maximum{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    QList<QPair<QString, QString>> rateEntries;
    // A move: the stops of its axis queued before it was signalled.
    std::uint64_t stopsBefore = 0;
    // A connection: the disconnections asked before it, and the time it
    // must have ended by, counted from when it was asked.
    std::uint64_t disconnectsBefore = 0;
    QDeadlineTimer deadline;
    // The disconnections asked when it went out (under the lock).
    std::uint64_t disconnectsAtStart = 0;

    // Interface thread only.
    std::vector<Done> dones;
    bool delivered = false;

    // Written by the lane, read once finished is set (under the lock).
    bool finished = false;
    bool ran = false;
    bool gaveUp = false;   // a connection that a disconnection ended
    bool served = false;
    QString error;
    bool connectedAfter = false;
    double value = 0;
    bool flag = false;
    QString name;
    std::vector<RateRef> rates;
    double maxAxisRate = 0;
    // A connection: the statuses it decided, told with its answer.
    std::vector<Status> told;

    // The axis of a move or stop, -1 for other requests.
    int axis() const
    {
        std::uint8_t a = 0;
        int sign = 0;
        if (request != rqMoveAxis && request != rqStopAxis)
            return -1;
        return AxisOfDirection(direction, a, sign) ? a : -1;
    }
    bool isStop() const
    {
        return request == rqStopAxis || (request == rqMoveAxis && axis() >= 0 && maximum[std::size_t(axis())] == 0);
    }
};

// The device as the lanes know it; every field under the bridge's lock.
struct AlpacaBridge::Device {
    std::optional<DeviceAddress> address;
    bool connected = false;
    bool capsKnown = false;
    std::array<bool, 2> canMoveAxis{};
    bool canSlew = false;
    bool canSlewAsync = false;
    bool canSync = false;
    bool canPulseGuide = false;
    std::array<std::vector<RateRange>, 2> ranges;
    std::array<bool, 2> moving{};
    // Stops queued per axis: a move that sees it change while it was out
    // is stopped again.
    std::array<std::uint64_t, 2> stops{};
    // Disconnections asked: a connection under way that sees it change
    // gives up and leaves the device disconnected.
    std::uint64_t disconnects = 0;
    std::atomic<std::uint64_t> transaction{0};
    Status lastStatus{true, {}, false};
};

namespace {

bool isRead(int request)
{
    switch (request) {
    case rqGetDeclination: case rqGetRightAscension: case rqGetSlewing: case rqGetTargetDeclination:
    case rqGetTargetRightAscension: case rqCanPulseGuide: case rqCanSlew: case rqCanSlewAsync: case rqGetName:
    case rqSetConnected:
        return true;
    default:
        return false;
    }
}

bool isConnection(int request) { return request == rqConnect || request == rqChoose; }

bool isSlew(int request)
{
    return request == rqSlewToCoordinates || request == rqSlewToCoordinatesAsync || request == rqSlewToTarget
           || request == rqSlewToTargetAsync;
}

QList<QPair<QString, QString>> axisField(int axis) { return {{QStringLiteral("Axis"), QString::number(axis)}}; }

int remainingOf(const QDeadlineTimer& deadline, int cap)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 1, cap));
}

} // namespace

AlpacaBridge::Lane AlpacaBridge::laneOf(const Job& job)
{
    if (job.request == rqAbortSlew || job.request == rqDisconnect || job.request == rqFin || job.isStop())
        return Lane::Urgent;
    return isRead(job.request) ? Lane::Read : Lane::Ordinary;
}

AlpacaBridge::AlpacaBridge(Sources sources)
    : sources_(std::move(sources)), context_(std::make_unique<QObject>()), device_(std::make_unique<Device>())
{
    const auto start = [this](Lane lane) {
        ++running_;
        threads_.emplace_back([this, lane] { run(lane); });
    };
    std::lock_guard lock(mutex_);
    start(Lane::Urgent);
    start(Lane::Ordinary);
    for (int i = 0; i < kReadLanes; ++i)
        start(Lane::Read);
}

AlpacaBridge::~AlpacaBridge()
{
    Stop();
    // Lanes left to end on their own must not outlive this object's state.
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
}

// ---------------------------------------------------------------- interface thread

void AlpacaBridge::Request(int request, Done done)
{
    auto job = std::make_shared<Job>();
    job->request = request;
    const TASCOM_CMD& d = AscomSharedData;
    job->direction = d.Direction;
    job->pulseDuration = d.PulseDuration;
    job->targetRa = d.TargetRightAscension;
    job->targetDec = d.TargetDeclination;
    job->raRate = d.RightAscensionRate;
    job->decRate = d.DeclinationRate;
    job->connected = d.Connected != 0;
    for (std::size_t axis = 0; axis < 2; ++axis)
        if (d.CurrentRate[axis])
            job->maximum[axis] = d.CurrentRate[axis]->Maximum;
    if (request == rqStopAxis)
        job->maximum = {0, 0};
    if (sources_.address)
        job->address = sources_.address();
    if ((request == rqConnect || request == rqChoose) && sources_.rateEntries)
        job->rateEntries = sources_.rateEntries();
    if (done)
        job->dones.push_back(std::move(done));
    if (isConnection(request))
        job->deadline = QDeadlineTimer(kConnectTimeout_ms);

    std::vector<std::shared_ptr<Job>> dropped;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            dropped.push_back(job);
        } else if (request == rqFin) {
            return;   // Stop() ends the lanes
        } else {
            const Lane lane = laneOf(*job);
            if (lane == Lane::Read) {
                // The same read still out: its answer serves this one too.
                for (const auto& open : openReads_)
                    if (open->request == request && !open->delivered) {
                        for (Done& f : job->dones)
                            open->dones.push_back(std::move(f));
                        if (HasAnswer(request))
                            waitJob_ = open;
                        return;
                    }
                openReads_.push_back(job);
            }
            auto collect = [&](Queue& q, const std::function<bool(const Job&)>& match) {
                for (auto it = q.jobs.begin(); it != q.jobs.end();)
                    if (match(**it)) {
                        dropped.push_back(*it);
                        it = q.jobs.erase(it);
                    } else {
                        ++it;
                    }
            };
            if (lane == Lane::Ordinary && request == rqMoveAxis) {
                // A newer move of the same axis replaces one not sent yet
                // (the rate scroll bar sends one per step).
                const int axis = job->axis();
                if (axis >= 0)
                    job->stopsBefore = device_->stops[std::size_t(axis)];
                collect(ordinary_, [axis](const Job& j) { return j.request == rqMoveAxis && j.axis() == axis; });
            }
            if (lane == Lane::Urgent) {
                const int axis = job->axis();
                if (axis >= 0) {
                    // A release before its press went out: the press is dropped.
                    ++device_->stops[std::size_t(axis)];
                    collect(ordinary_, [axis](const Job& j) { return j.request == rqMoveAxis && j.axis() == axis; });
                } else if (request == rqAbortSlew) {
                    collect(ordinary_, [](const Job& j) { return isSlew(j.request); });
                } else if (request == rqDisconnect) {
                    // Nothing asked before it goes out any more, a
                    // connection neither: one under way gives up.
                    ++device_->stops[0];
                    ++device_->stops[1];
                    ++device_->disconnects;
                    collect(ordinary_, [](const Job& j) { return j.request != rqActiver; });
                    collect(reads_, [](const Job&) { return true; });
                }
            }
            if (isConnection(request))
                job->disconnectsBefore = device_->disconnects;
            (lane == Lane::Urgent ? urgent_ : lane == Lane::Ordinary ? ordinary_ : reads_).jobs.push_back(job);
            if (HasAnswer(request))
                waitJob_ = job;
            jobReady_.notify_all();
        }
        for (const auto& j : dropped)
            j->finished = true;
    }
    ++unanswered_;   // until deliver
    // Dropped requests end unserved, after the caller has returned.
    for (const auto& j : dropped)
        QMetaObject::invokeMethod(context_.get(), [this, j] { deliver(j); }, Qt::QueuedConnection);
    // A connection still waiting for its turn when its time is up ends
    // there, as failed.
    if (isConnection(request))
        QTimer::singleShot(kConnectTimeout_ms, context_.get(), [this, weak = std::weak_ptr<Job>(job)] {
            if (const auto j = weak.lock())
                expire(j);
        });
}

void AlpacaBridge::expire(const std::shared_ptr<Job>& job)
{
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find(ordinary_.jobs.begin(), ordinary_.jobs.end(), job);
        if (it == ordinary_.jobs.end())
            return;
        ordinary_.jobs.erase(it);
    }
    failed(*job, connectionTimeOut());
    {
        std::lock_guard lock(mutex_);
        releaseTold(*job);
        job->finished = true;
        answerReady_.notify_all();
    }
    QMetaObject::invokeMethod(context_.get(), [this, job] { deliver(job); }, Qt::QueuedConnection);
}

QString AlpacaBridge::connectionTimeOut()
{
    return platform::text(platform::PlatformText::MSG_Alpaca_Pas_De_Reponse).arg(kConnectTimeout_ms / 1000);
}

bool AlpacaBridge::WaitDataSet(int timeout_ms)
{
    std::shared_ptr<Job> job;
    {
        std::unique_lock lock(mutex_);
        job = waitJob_.lock();
        if (!job)
            return false;
        if (!answerReady_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeout_ms)),
                                   [&] { return job->finished; }))
            return false;
        waitJob_.reset();
    }
    deliver(job);
    return job->served;
}

void AlpacaBridge::deliver(const std::shared_ptr<Job>& job)
{
    if (job->delivered)
        return;
    job->delivered = true;
    --unanswered_;
    {
        std::lock_guard lock(mutex_);
        std::erase(openReads_, job);
    }
    // What a connection told goes before its answer, in the same step: a
    // refusal shown on screen cannot come between them (its window taking
    // the hand pad's press away before the attempt has ended).
    if (const auto sink = sources_.status)
        for (const Status& status : std::exchange(job->told, {}))
            sink(status);
    TASCOM_CMD& d = AscomSharedData;
    if (HasAnswer(job->request) && job->finished && (job->served || !job->error.isEmpty()))
        d.Connected = job->connectedAfter ? 1 : 0;
    if (job->served) {
        switch (job->request) {
        case rqChoose:
        case rqConnect:
            d.AxisRates[0] = d.AxisRates[1] = job->rates;
            d.AxisRates[2].clear();
            d.MaxAxisRate = job->maxAxisRate;
            break;
        case rqGetDeclination: d.Declination = job->value; break;
        case rqGetRightAscension: d.RightAscension = job->value; break;
        case rqGetTargetDeclination: d.TargetDeclination = job->value; break;
        case rqGetTargetRightAscension: d.TargetRightAscension = job->value; break;
        case rqGetSlewing: d.Slewing = job->flag ? 1 : 0; break;
        case rqCanPulseGuide: d.CanPulseGuide = job->flag ? 1 : 0; break;
        case rqCanSlew: d.CanSlew = job->flag ? 1 : 0; break;
        case rqCanSlewAsync: d.CanSlewAsync = job->flag ? 1 : 0; break;
        case rqGetName: d.Name = job->name; break;
        default: break;
        }
    }
    const Outcome outcome{job->served, job->error, !job->ran || job->gaveUp};
    std::vector<Done> dones = std::move(job->dones);
    for (Done& f : dones)
        app::runGuarded(QStringLiteral("AscomBridge"), [&] { f(outcome); });
}

bool AlpacaBridge::Stop(int timeout_ms)
{
    std::unique_lock lock(mutex_);
    if (!stopping_) {
        stopping_ = true;
        // Nothing queued but the stops goes out any more; the dropped
        // requests end unserved.
        for (Queue* q : {&ordinary_, &reads_})
            for (const auto& j : q->jobs) {
                j->finished = true;
                QMetaObject::invokeMethod(context_.get(), [this, j] { deliver(j); }, Qt::QueuedConnection);
            }
        ordinary_.jobs.clear();
        reads_.jobs.clear();
        jobReady_.notify_all();
        answerReady_.notify_all();
    }
    if (!lanesEnded_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeout_ms)), [&] { return running_ == 0; }))
        return false;
    lock.unlock();
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
    // Every request ends, unserved when it did not go out: a requester
    // waiting for its answer is never left waiting.
    QCoreApplication::sendPostedEvents(context_.get());
    return true;
}

// ---------------------------------------------------------------- lanes

void AlpacaBridge::run(Lane lane)
{
    Queue& queue = lane == Lane::Urgent ? urgent_ : lane == Lane::Ordinary ? ordinary_ : reads_;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [&] {
                if (stopping_ && queue.jobs.empty())
                    return true;
                if (queue.jobs.empty())
                    return false;
                // A connection goes out once the stops before it are done.
                const int r = queue.jobs.front()->request;
                const bool connecting = r == rqConnect || r == rqChoose || r == rqActiver;
                return !connecting || (urgent_.jobs.empty() && urgent_.busy == 0);
            });
            if (queue.jobs.empty())
                break;
            job = queue.jobs.front();
            queue.jobs.pop_front();
            ++queue.busy;
            job->disconnectsAtStart = device_->disconnects;
        }
        app::runGuarded(QStringLiteral("AlpacaBridge"), [&] { serve(*job); });
        {
            std::lock_guard lock(mutex_);
            --queue.busy;
            releaseTold(*job);
            job->connectedAfter = device_->connected;
            job->ran = true;
            job->finished = true;
            answerReady_.notify_all();
            jobReady_.notify_all();   // a connection may wait for this lane
        }
        QMetaObject::invokeMethod(context_.get(), [this, job] { deliver(job); }, Qt::QueuedConnection);
    }
    if (lane == Lane::Urgent)
        stopAxes();   // "fin": nothing is left moving
    std::lock_guard lock(mutex_);
    --running_;
    lanesEnded_.notify_all();
}

Reply AlpacaBridge::call(bool put, const QString& member, const QList<QPair<QString, QString>>& fields, int timeout_ms)
{
    std::optional<DeviceAddress> address;
    {
        std::lock_guard lock(mutex_);
        address = device_->address;
    }
    if (!address)
        return Reply{false, {}, 0, platform::text(platform::PlatformText::MSG_Alpaca_Aucun_Choisi)};
    auto all = fields;
    all.append({QStringLiteral("ClientID"), QStringLiteral("1")});
    all.append({QStringLiteral("ClientTransactionID"), QString::number(++device_->transaction)});
    const QByteArray form = FormBody(all);
    QString path = QStringLiteral("/api/v1/telescope/%1/").arg(address->device) + member;
    if (!put)
        path += u'?' + QString::fromLatin1(form);
    Reply r = HttpCall(address->host, address->port, put ? "PUT" : "GET", path, put ? form : QByteArray(), timeout_ms, !put);
    if (!r.ok)
        r.error = member + QStringLiteral(" : ") + r.error;
    return r;
}

void AlpacaBridge::post(const Status& status, Job& job)
{
    // Posted under the lock: the interface thread gets the statuses of all
    // lanes in the order they were decided, so the last one shown is the
    // device's state now. A connection's statuses wait for its end and are
    // decided then (releaseTold), to be told with its answer.
    std::lock_guard lock(mutex_);
    if (isConnection(job.request)) {
        job.told.push_back(status);
        job.told.back().ofConnection = true;
        return;
    }
    if (status == device_->lastStatus)
        return;
    device_->lastStatus = status;
    if (auto sink = sources_.status)
        QMetaObject::invokeMethod(context_.get(), [sink, status] { sink(status); }, Qt::QueuedConnection);
}

void AlpacaBridge::releaseTold(Job& job)
{
    std::vector<Status> changes;
    for (const Status& status : job.told)
        if (status != device_->lastStatus) {
            device_->lastStatus = status;
            changes.push_back(status);
        }
    job.told = std::move(changes);
}

void AlpacaBridge::failed(Job& job, const QString& error)
{
    if (job.error.isEmpty())
        job.error = error;
    bool connected = false;
    {
        std::lock_guard lock(mutex_);
        connected = device_->connected;
    }
    post({false, error, connected}, job);
}

void AlpacaBridge::succeeded(Job& job)
{
    bool connected = false;
    {
        std::lock_guard lock(mutex_);
        // A call of a session that a disconnection has ended since it went
        // out (a slow slew) does not turn the panel green again.
        const bool session = job.request == rqConnect || job.request == rqChoose || job.request == rqActiver
                             || job.request == rqDisconnect;
        if (!session && job.disconnectsAtStart != device_->disconnects)
            return;
        connected = device_->connected;
    }
    post({true, {}, connected}, job);
}

bool AlpacaBridge::put(Job& job, const QString& member, const QList<QPair<QString, QString>>& fields, int timeout_ms)
{
    const Reply r = call(true, member, fields, timeout_ms);
    if (!r.ok)
        failed(job, r.error);
    return r.ok;
}

bool AlpacaBridge::stopAxis(int axis, QString* error)
{
    const QList<QPair<QString, QString>> fields{{QStringLiteral("Axis"), QString::number(axis)},
                                                 {QStringLiteral("Rate"), QStringLiteral("0")}};
    QString last;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Reply r = call(true, QStringLiteral("moveaxis"), fields, kCallTimeout_ms);
        if (r.ok) {
            std::lock_guard lock(mutex_);
            device_->moving[std::size_t(axis)] = false;
            return true;
        }
        last = r.error;
    }
    if (error)
        *error = last;
    return false;
}

void AlpacaBridge::stopAxes()
{
    std::array<bool, 2> moving{};
    {
        std::lock_guard lock(mutex_);
        moving = device_->moving;
    }
    for (int axis = 0; axis < 2; ++axis)
        if (moving[std::size_t(axis)])
            stopAxis(axis);
}

bool AlpacaBridge::createDriver(Job& job)
{
    if (job.address.trimmed().isEmpty())
        return true;
    stopAxes();
    const auto address = ParseDeviceAddress(job.address);
    {
        std::lock_guard lock(mutex_);
        Device& d = *device_;
        d.address = address;
        d.connected = false;
        d.capsKnown = false;
        d.canMoveAxis = {};
        d.canSlew = d.canSlewAsync = d.canSync = d.canPulseGuide = false;
        d.ranges = {};
        d.moving = {};
    }
    if (!address) {
        failed(job, platform::text(platform::PlatformText::MSG_Alpaca_Adresse).arg(job.address.left(100)));
        return false;
    }
    succeeded(job);
    return true;
}

bool AlpacaBridge::givenUp(Job& job)
{
    std::lock_guard lock(mutex_);
    job.gaveUp = device_->disconnects != job.disconnectsBefore;
    return job.gaveUp;
}

void AlpacaBridge::connect(Job& job)
{
    if (givenUp(job))
        return;
    const QDeadlineTimer& deadline = job.deadline;
    if (deadline.hasExpired())
        return failed(job, connectionTimeOut());
    if (job.address.trimmed().isEmpty() || !createDriver(job))
        return;
    if (!put(job, QStringLiteral("connected"), {{QStringLiteral("Connected"), QStringLiteral("true")}},
             remainingOf(deadline, kCallTimeout_ms)))
        return;
    // From here on the device may hold itself connected: an attempt that
    // ends otherwise tells it it is not.
    struct LeaveDisconnected {
        AlpacaBridge& bridge;
        Job& job;
        ~LeaveDisconnected()
        {
            if (!job.served)
                bridge.call(true, QStringLiteral("connected"), {{QStringLiteral("Connected"), QStringLiteral("false")}},
                            kCallTimeout_ms);
        }
    } leave{*this, job};
    if (givenUp(job))
        return;
    // The capabilities are read side by side: a slow device answers them
    // all in the time of one.
    const QString members[] = {QStringLiteral("connected"), QStringLiteral("canmoveaxis"), QStringLiteral("canmoveaxis"),
                               QStringLiteral("canmoveaxis"), QStringLiteral("canslew"), QStringLiteral("canslewasync"),
                               QStringLiteral("cansync"), QStringLiteral("canpulseguide")};
    const QList<QPair<QString, QString>> fields[] = {{}, axisField(0), axisField(1), axisField(2), {}, {}, {}, {}};
    std::vector<std::future<Reply>> asked;
    const int wait = remainingOf(deadline, kCallTimeout_ms);
    for (std::size_t i = 0; i < std::size(members); ++i)
        asked.push_back(std::async(std::launch::async, [this, &members, &fields, i, wait] {
            return call(false, members[i], fields[i], wait);
        }));
    std::array<bool, 8> flags{};
    QString error;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const Reply r = asked[i].get();
        const auto b = r.ok ? BoolOf(r.value) : std::nullopt;
        if (!b && error.isEmpty())
            error = r.ok ? members[i] + platform::text(platform::PlatformText::MSG_Alpaca_Valeur_Inattendue) : r.error;
        flags[i] = b.value_or(false);
    }
    if (!error.isEmpty())
        return failed(job, error);
    if (!flags[0]) {
        failed(job, platform::text(platform::PlatformText::MSG_Alpaca_Reste_Deconnecte));
        return;
    }
    std::vector<std::future<Reply>> rates;
    std::vector<int> movable;
    for (int axis = 0; axis < 3; ++axis)
        if (flags[std::size_t(1 + axis)]) {
            movable.push_back(axis);
            const int left = remainingOf(deadline, kCallTimeout_ms);
            rates.push_back(std::async(std::launch::async, [this, axis, left] {
                return call(false, QStringLiteral("axisrates"), axisField(axis), left);
            }));
        }
    double maxRate = 0;
    std::array<std::vector<RateRange>, 2> ranges;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        const Reply r = rates[i].get();
        const auto list = r.ok ? AxisRanges(r.value) : std::nullopt;
        if (!list && error.isEmpty())
            error = r.ok ? QStringLiteral("axisrates : valeur inattendue") : r.error;
        if (!list)
            continue;
        for (const RateRange& range : *list)
            maxRate = std::max(maxRate, range.maximum);
        if (movable[i] < 2)
            ranges[std::size_t(movable[i])] = *list;
    }
    if (!error.isEmpty())
        return failed(job, error);
    {
        std::lock_guard lock(mutex_);
        Device& d = *device_;
        if (d.disconnects != job.disconnectsBefore) {
            job.gaveUp = true;   // a disconnection came meanwhile
            return;
        }
        d.connected = true;
        d.capsKnown = true;
        d.canMoveAxis = {flags[1], flags[2]};
        d.canSlew = flags[4];
        d.canSlewAsync = flags[5];
        d.canSync = flags[6];
        d.canPulseGuide = flags[7];
        d.ranges = ranges;
    }
    job.rates = RatesWithin(job.rateEntries, maxRate);
    job.maxAxisRate = maxRate;
    job.served = true;
    succeeded(job);
}

void AlpacaBridge::disconnect(Job& job)
{
    bool connected = false;
    {
        std::lock_guard lock(mutex_);
        connected = device_->connected;
    }
    if (connected) {
        stopAxes();
        const Reply r = call(true, QStringLiteral("connected"), {{QStringLiteral("Connected"), QStringLiteral("false")}},
                             kCallTimeout_ms);
        {
            std::lock_guard lock(mutex_);
            device_->connected = false;
        }
        if (!r.ok)
            failed(job, r.error);
        else
            succeeded(job);
    }
    job.served = true;
}

void AlpacaBridge::move(Job& job)
{
    const int axis = job.axis();
    std::uint8_t a = 0;
    int sign = 0;
    AxisOfDirection(job.direction, a, sign);
    bool gate = false, can = false, known = false, named = false;
    std::vector<RateRange> ranges;
    std::uint64_t stops = 0;
    {
        std::lock_guard lock(mutex_);
        const Device& d = *device_;
        named = d.address.has_value();
        gate = d.connected && named;
        known = d.capsKnown;
        if (axis >= 0) {
            can = d.canMoveAxis[std::size_t(axis)];
            ranges = d.ranges[std::size_t(axis)];
            stops = d.stops[std::size_t(axis)];
        }
    }
    if (axis < 0)
        return;
    if (job.isStop()) {
        // Never gated: a link that failed during a move still gets its
        // stop; an axis the device cannot move gets none.
        if (known && !can) {
            job.served = true;
            return;
        }
        if (!named)
            return;
        QString error;
        if (stopAxis(axis, &error)) {
            job.served = true;
            succeeded(job);
        } else {
            failed(job, platform::text(platform::PlatformText::MSG_Alpaca_Axe_Non_Arrete).arg(axis).arg(error));
        }
        return;
    }
    if (!gate || !can || std::isnan(job.maximum[std::size_t(axis)]) || stops != job.stopsBefore)
        return;   // a release that came before the press went out: nothing moves
    const auto rate = AllowedRate(ranges, sign * job.maximum[std::size_t(axis)]);
    if (!rate) {
        failed(job, platform::text(platform::PlatformText::MSG_Alpaca_Axe_Sans_Vitesse)
                        .arg(axis)
                        .arg(job.maximum[std::size_t(axis)]));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        device_->moving[std::size_t(axis)] = true;   // a failure stops it too
    }
    const bool ok = put(job, QStringLiteral("moveaxis"),
                        {{QStringLiteral("Axis"), QString::number(axis)}, {QStringLiteral("Rate"), FormatNumber(*rate)}});
    bool released = false;
    {
        std::lock_guard lock(mutex_);
        released = device_->stops[std::size_t(axis)] != job.stopsBefore;
    }
    // A refused move stops what it may have started; a release that went
    // out while this move was still out is sent again after it.
    if (!ok || released)
        stopAxis(axis);
    if (ok) {
        job.served = true;
        succeeded(job);
    }
}

void AlpacaBridge::read(Job& job)
{
    static const std::map<int, const char*> members{
        {rqGetDeclination, "declination"},         {rqGetRightAscension, "rightascension"},
        {rqGetTargetDeclination, "targetdeclination"}, {rqGetTargetRightAscension, "targetrightascension"},
        {rqGetSlewing, "slewing"},                 {rqCanPulseGuide, "canpulseguide"},
        {rqCanSlew, "canslew"},                    {rqCanSlewAsync, "canslewasync"},
        {rqSetConnected, "connected"},             {rqGetName, "name"}};
    bool gate = false;
    {
        std::lock_guard lock(mutex_);
        gate = device_->connected;
        if (job.request == rqSetConnected || job.request == rqGetName)
            gate = device_->address.has_value();
    }
    if (!gate)
        return;
    const QString member = QString::fromLatin1(members.at(job.request));
    const Reply r = call(false, member, {}, kCallTimeout_ms);
    if (!r.ok)
        return failed(job, r.error);
    if (job.request == rqGetName) {
        job.name = r.value.toString().left(200);
        job.served = r.value.isString();
        return;
    }
    const bool number = job.request == rqGetDeclination || job.request == rqGetRightAscension
                        || job.request == rqGetTargetDeclination || job.request == rqGetTargetRightAscension;
    if (number) {
        const auto v = NumberOf(r.value);
        if (!v)
            return failed(job, member + platform::text(platform::PlatformText::MSG_Alpaca_Valeur_Inattendue));
        job.value = *v;
    } else {
        const auto b = BoolOf(r.value);
        if (!b)
            return failed(job, member + platform::text(platform::PlatformText::MSG_Alpaca_Valeur_Inattendue));
        job.flag = *b;
        if (job.request == rqSetConnected) {
            std::lock_guard lock(mutex_);
            device_->connected = *b;
        }
    }
    job.served = true;
    succeeded(job);
}

void AlpacaBridge::serve(Job& job)
{
    bool gate = false, named = false;
    Device snapshot;
    {
        std::lock_guard lock(mutex_);
        const Device& d = *device_;
        gate = d.connected;
        named = d.address.has_value();
        snapshot.capsKnown = d.capsKnown;
        snapshot.canSlew = d.canSlew;
        snapshot.canSlewAsync = d.canSlewAsync;
        snapshot.canSync = d.canSync;
        snapshot.canPulseGuide = d.canPulseGuide;
    }
    const auto coordinates = [&job] {
        return QList<QPair<QString, QString>>{{QStringLiteral("RightAscension"), FormatNumber(job.targetRa)},
                                              {QStringLiteral("Declination"), FormatNumber(job.targetDec)}};
    };
    switch (job.request) {
    case rqChoose:
    case rqConnect:
        connect(job);
        return;
    case rqActiver:
        job.served = createDriver(job);
        return;
    case rqDisconnect:
        disconnect(job);
        return;
    case rqAbortSlew:
        // Always attempted while a device is named: the device says when it
        // cannot.
        if (named && (!snapshot.capsKnown || snapshot.canSlew) && put(job, QStringLiteral("abortslew"))) {
            job.served = true;
            succeeded(job);
        }
        return;
    case rqPulseGuide:
        if (gate && snapshot.canPulseGuide
            && put(job, QStringLiteral("pulseguide"), {{QStringLiteral("Direction"), QString::number(job.direction)},
                                                       {QStringLiteral("Duration"), QString::number(job.pulseDuration)}})) {
            job.served = true;
            succeeded(job);
        }
        return;
    case rqSlewToCoordinates:
    case rqSlewToCoordinatesAsync: {
        if (!gate)
            return;
        const bool async = job.request == rqSlewToCoordinatesAsync && snapshot.canSlewAsync;
        if ((async || snapshot.canSlew)
            && put(job, async ? QStringLiteral("slewtocoordinatesasync") : QStringLiteral("slewtocoordinates"),
                   coordinates(), async ? kCallTimeout_ms : 600000)) {
            job.served = true;
            succeeded(job);
        }
        return;
    }
    case rqSlewToTarget:
    case rqSlewToTargetAsync: {
        if (!gate)
            return;
        const bool async = job.request == rqSlewToTargetAsync && snapshot.canSlewAsync;
        if ((async || snapshot.canSlew)
            && put(job, async ? QStringLiteral("slewtotargetasync") : QStringLiteral("slewtotarget"), {},
                   async ? kCallTimeout_ms : 600000)) {
            job.served = true;
            succeeded(job);
        }
        return;
    }
    case rqSyncToCoordinates:
        if (gate && snapshot.canSync && put(job, QStringLiteral("synctocoordinates"), coordinates())) {
            job.served = true;
            succeeded(job);
        }
        return;
    case rqMoveAxis:
    case rqStopAxis:
        move(job);
        return;
    case rqGetConnected:
        if (named) {
            const Reply r = call(true, QStringLiteral("connected"),
                                 {{QStringLiteral("Connected"), job.connected ? QStringLiteral("true") : QStringLiteral("false")}},
                                 kCallTimeout_ms);
            if (r.ok) {
                std::lock_guard lock(mutex_);
                device_->connected = job.connected;
            } else {
                failed(job, r.error);
            }
            job.served = r.ok;
        }
        return;
    case rqSetTargetDeclination:
    case rqSetTargetRightAscension: {
        const bool dec = job.request == rqSetTargetDeclination;
        job.served = gate
                     && put(job, dec ? QStringLiteral("targetdeclination") : QStringLiteral("targetrightascension"),
                            {{dec ? QStringLiteral("TargetDeclination") : QStringLiteral("TargetRightAscension"),
                              FormatNumber(dec ? job.targetDec : job.targetRa)}});
        return;
    }
    case rqSetRightAscensionRate:
    case rqSetDeclinationRate: {
        std::uint8_t axis = 0;
        int sign = 0;
        bool can = false;
        if (AxisOfDirection(job.direction, axis, sign)) {
            std::lock_guard lock(mutex_);
            can = device_->canMoveAxis[axis];
        }
        if (!gate || !can)
            return;
        const bool ra = job.request == rqSetRightAscensionRate;
        job.served = put(job, ra ? QStringLiteral("rightascensionrate") : QStringLiteral("declinationrate"),
                         {{ra ? QStringLiteral("RightAscensionRate") : QStringLiteral("DeclinationRate"),
                           FormatNumber(ra ? job.raRate : job.decRate)}});
        return;
    }
    default:
        if (isRead(job.request))
            read(job);
        return;   // requests nothing uses: served as nothing
    }
}

} // namespace Alpaca
