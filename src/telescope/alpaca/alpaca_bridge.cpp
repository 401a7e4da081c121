#include "telescope/alpaca/alpaca_bridge.h"

#include <QCoreApplication>
#include "telescope/alpaca/alpaca_http.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace Alpaca {

using namespace AscomBridge;

bool HasAnswer(int request)
{
    switch (request) {
    case rqChoose: case rqActiver: case rqConnect: case rqDisconnect: case rqSetConnected: case rqGetConnected:
    case rqGetDeclination: case rqGetRightAscension: case rqGetSlewing: case rqSetTargetDeclination:
    case rqGetTargetDeclination: case rqSetTargetRightAscension: case rqGetTargetRightAscension:
    case rqCanPulseGuide: case rqCanSlew: case rqCanSlewAsync: case rqGetName:
        return true;
    default:
        return false;
    }
}

// A request with its inputs as they were when it was signalled.
struct AlpacaBridge::Job {
    int request = 0;
    std::uint64_t ticket = 0;
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
};

// What the worker answered; applied on the interface thread.
struct AlpacaBridge::Answer {
    int request = 0;
    bool served = false;
    bool connected = false;
    QString name;
    double value = 0;
    bool flag = false;
    std::vector<RateRef> rates;
    double maxAxisRate = 0;
};

// The worker's side: the driver address, its capabilities and its axes.
class AlpacaBridge::Worker {
public:
    Worker(AlpacaBridge& bridge) : bridge_(bridge) {}

    void run()
    {
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock lock(bridge_.mutex_);
                bridge_.jobReady_.wait(lock, [&] { return !bridge_.queue_.empty(); });
                job = bridge_.queue_.front();
                bridge_.queue_.pop_front();
            }
            if (job->request == rqFin) {
                stopAxes();
                break;
            }
            auto answer = std::make_shared<Answer>();
            answer->request = job->request;
            serve(*job, *answer);
            answer->connected = connected_;
            if (HasAnswer(job->request)) {
                std::lock_guard lock(bridge_.mutex_);
                bridge_.answers_[job->ticket] = answer;
                bridge_.answerReady_.notify_all();
            }
        }
    }

private:
    Reply call(bool put, const QString& member, const QList<QPair<QString, QString>>& fields,
               int timeout_ms = kCallTimeout_ms)
    {
        if (!address_)
            return Reply{false, {}, 0, QStringLiteral("aucun télescope Alpaca choisi")};
        auto all = fields;
        all.append({QStringLiteral("ClientID"), QStringLiteral("1")});
        all.append({QStringLiteral("ClientTransactionID"), QString::number(++transaction_)});
        const QByteArray form = FormBody(all);
        QString path = QStringLiteral("/api/v1/telescope/%1/").arg(address_->device) + member;
        if (!put)
            path += u'?' + QString::fromLatin1(form);
        Reply r = HttpCall(address_->host, address_->port, put ? "PUT" : "GET", path, put ? form : QByteArray(),
                           timeout_ms, !put);
        if (!r.ok)
            r.error = member + QStringLiteral(" : ") + r.error;
        return r;
    }

    // A failed call: the axes stop first, then the connection is given up.
    void fail(const QString& error)
    {
        if (moving_[0] || moving_[1])
            stopAxes();
        connected_ = false;
        post({false, error, false});
    }

    void succeed() { post({true, {}, connected_}); }

    void post(const Status& status)
    {
        if (status == lastStatus_)
            return;
        lastStatus_ = status;
        if (auto sink = bridge_.sources_.status; sink && QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), [sink, status] { sink(status); }, Qt::QueuedConnection);
    }

    bool stopAxis(int axis)
    {
        const QList<QPair<QString, QString>> fields{{QStringLiteral("Axis"), QString::number(axis)},
                                                     {QStringLiteral("Rate"), QStringLiteral("0")}};
        for (int attempt = 0; attempt < 2; ++attempt)
            if (call(true, QStringLiteral("moveaxis"), fields).ok) {
                moving_[std::size_t(axis)] = false;
                return true;
            }
        return false;
    }

    void stopAxes()
    {
        for (int axis = 0; axis < 2; ++axis)
            if (moving_[std::size_t(axis)])
                stopAxis(axis);
    }

    bool createDriver(const Job& job)
    {
        if (job.address.trimmed().isEmpty())
            return true;
        stopAxes();
        address_ = ParseDeviceAddress(job.address);
        connected_ = false;
        caps_ = {};
        if (!address_) {
            post({false, QStringLiteral("« %1 » n'est pas une adresse Alpaca hôte:port/N").arg(job.address.left(100)), false});
            return false;
        }
        post({true, {}, false});
        return true;
    }

    std::optional<bool> readBool(const QString& member, const QList<QPair<QString, QString>>& fields = {})
    {
        const Reply r = call(false, member, fields);
        const auto b = r.ok ? BoolOf(r.value) : std::nullopt;
        if (!b)
            fail(r.ok ? member + QStringLiteral(" : valeur inattendue") : r.error);
        return b;
    }

    std::optional<double> readNumber(const QString& member)
    {
        const Reply r = call(false, member, {});
        const auto v = r.ok ? NumberOf(r.value) : std::nullopt;
        if (!v)
            fail(r.ok ? member + QStringLiteral(" : valeur inattendue") : r.error);
        return v;
    }

    bool put(const QString& member, const QList<QPair<QString, QString>>& fields = {}, int timeout_ms = kCallTimeout_ms)
    {
        const Reply r = call(true, member, fields, timeout_ms);
        if (!r.ok)
            fail(r.error);
        return r.ok;
    }

    void connect(const Job& job, Answer& a)
    {
        if (job.address.trimmed().isEmpty() || !createDriver(job))
            return;
        if (!put(QStringLiteral("connected"), {{QStringLiteral("Connected"), QStringLiteral("true")}}, kConnectTimeout_ms))
            return;
        const auto c = readBool(QStringLiteral("connected"));
        if (!c)
            return;
        connected_ = *c;
        if (!connected_)
            return;
        // The fastest rate of the movable axes bounds the named rates.
        double maxRate = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const auto can = readBool(QStringLiteral("canmoveaxis"), {{QStringLiteral("Axis"), QString::number(axis)}});
            if (!can)
                return;
            if (axis < 2)
                caps_.canMoveAxis[std::size_t(axis)] = *can;
            if (!*can)
                continue;
            const Reply r = call(false, QStringLiteral("axisrates"), {{QStringLiteral("Axis"), QString::number(axis)}});
            const auto largest = r.ok ? LargestMaximum(r.value) : std::nullopt;
            if (!largest)
                return fail(r.ok ? QStringLiteral("axisrates : valeur inattendue") : r.error);
            maxRate = std::max(maxRate, *largest);
        }
        for (auto [member, flag] : {std::pair{"canslew", &caps_.canSlew}, {"canslewasync", &caps_.canSlewAsync},
                                    {"cansync", &caps_.canSync}, {"canpulseguide", &caps_.canPulseGuide}}) {
            const auto b = readBool(QString::fromLatin1(member));
            if (!b)
                return;
            *flag = *b;
        }
        a.rates = RatesWithin(job.rateEntries, maxRate);
        a.maxAxisRate = maxRate;
        a.served = true;
        succeed();
    }

    bool axisOf(const Job& job, std::uint8_t& axis, int& sign) { return AxisOfDirection(job.direction, axis, sign); }

    QList<QPair<QString, QString>> coordinates(const Job& job)
    {
        return {{QStringLiteral("RightAscension"), FormatNumber(job.targetRa)},
                {QStringLiteral("Declination"), FormatNumber(job.targetDec)}};
    }

    void serve(const Job& job, Answer& a)
    {
        const bool gate = connected_;
        switch (job.request) {
        case rqChoose:
        case rqConnect:
            connect(job, a);
            return;
        case rqActiver:
            a.served = createDriver(job);
            return;
        case rqDisconnect:
            if (connected_) {
                stopAxes();
                const Reply r = call(true, QStringLiteral("connected"), {{QStringLiteral("Connected"), QStringLiteral("false")}});
                connected_ = false;
                post({r.ok, r.error, false});
            }
            a.served = true;
            return;
        case rqAbortSlew:
            if (gate && caps_.canSlew && put(QStringLiteral("abortslew")))
                succeed();
            return;
        case rqPulseGuide:
            if (gate && caps_.canPulseGuide
                && put(QStringLiteral("pulseguide"), {{QStringLiteral("Direction"), QString::number(job.direction)},
                                                     {QStringLiteral("Duration"), QString::number(job.pulseDuration)}}))
                succeed();
            return;
        case rqSlewToCoordinates:
        case rqSlewToCoordinatesAsync: {
            if (!gate)
                return;
            const bool async = job.request == rqSlewToCoordinatesAsync && caps_.canSlewAsync;
            if ((async || caps_.canSlew)
                && put(async ? QStringLiteral("slewtocoordinatesasync") : QStringLiteral("slewtocoordinates"), coordinates(job)))
                succeed();
            return;
        }
        case rqSlewToTarget:
        case rqSlewToTargetAsync: {
            if (!gate)
                return;
            const bool async = job.request == rqSlewToTargetAsync && caps_.canSlewAsync;
            if ((async || caps_.canSlew) && put(async ? QStringLiteral("slewtotargetasync") : QStringLiteral("slewtotarget")))
                succeed();
            return;
        }
        case rqSyncToCoordinates:
            if (gate && caps_.canSync && put(QStringLiteral("synctocoordinates"), coordinates(job)))
                succeed();
            return;
        case rqMoveAxis: {
            std::uint8_t axis = 0;
            int sign = 0;
            if (!gate || !axisOf(job, axis, sign) || !caps_.canMoveAxis[axis] || std::isnan(job.maximum[axis]))
                return;
            const double rate = sign * job.maximum[axis];
            if (rate == 0) {
                if (stopAxis(axis))
                    succeed();
                return;
            }
            moving_[axis] = true;   // a failure stops it too
            if (put(QStringLiteral("moveaxis"), {{QStringLiteral("Axis"), QString::number(axis)},
                                                 {QStringLiteral("Rate"), FormatNumber(rate)}}))
                succeed();
            return;
        }
        case rqStopAxis: {
            // Never gated: a link that failed during a move still gets its stop.
            std::uint8_t axis = 0;
            int sign = 0;
            if (address_ && axisOf(job, axis, sign) && !stopAxis(axis))
                post({false, QStringLiteral("moveaxis : l'axe %1 n'a pas pu être arrêté").arg(axis), connected_});
            return;
        }
        case rqSetConnected:
            if (const auto c = address_ ? readBool(QStringLiteral("connected")) : std::nullopt) {
                connected_ = *c;
                a.served = true;
            }
            return;
        case rqGetConnected:
            if (address_) {
                const Reply r = call(true, QStringLiteral("connected"),
                                     {{QStringLiteral("Connected"), job.connected ? QStringLiteral("true") : QStringLiteral("false")}});
                if (r.ok)
                    connected_ = job.connected;
                a.served = r.ok;
            }
            return;
        case rqGetDeclination:
        case rqGetRightAscension:
        case rqGetTargetDeclination:
        case rqGetTargetRightAscension: {
            if (!gate)
                return;
            static const std::map<int, const char*> members{{rqGetDeclination, "declination"},
                                                            {rqGetRightAscension, "rightascension"},
                                                            {rqGetTargetDeclination, "targetdeclination"},
                                                            {rqGetTargetRightAscension, "targetrightascension"}};
            if (const auto v = readNumber(QString::fromLatin1(members.at(job.request)))) {
                a.value = *v;
                a.served = true;
            }
            return;
        }
        case rqSetTargetDeclination:
        case rqSetTargetRightAscension: {
            const bool dec = job.request == rqSetTargetDeclination;
            a.served = gate
                       && put(dec ? QStringLiteral("targetdeclination") : QStringLiteral("targetrightascension"),
                              {{dec ? QStringLiteral("TargetDeclination") : QStringLiteral("TargetRightAscension"),
                                FormatNumber(dec ? job.targetDec : job.targetRa)}});
            return;
        }
        case rqSetRightAscensionRate:
        case rqSetDeclinationRate: {
            std::uint8_t axis = 0;
            int sign = 0;
            if (!gate || !axisOf(job, axis, sign) || !caps_.canMoveAxis[axis])
                return;
            const bool ra = job.request == rqSetRightAscensionRate;
            put(ra ? QStringLiteral("rightascensionrate") : QStringLiteral("declinationrate"),
                {{ra ? QStringLiteral("RightAscensionRate") : QStringLiteral("DeclinationRate"),
                  FormatNumber(ra ? job.raRate : job.decRate)}});
            return;
        }
        case rqGetSlewing:
        case rqCanPulseGuide:
        case rqCanSlew:
        case rqCanSlewAsync: {
            if (!gate)
                return;
            static const std::map<int, const char*> members{{rqGetSlewing, "slewing"}, {rqCanPulseGuide, "canpulseguide"},
                                                            {rqCanSlew, "canslew"}, {rqCanSlewAsync, "canslewasync"}};
            if (const auto b = readBool(QString::fromLatin1(members.at(job.request)))) {
                a.flag = *b;
                a.served = true;
            }
            return;
        }
        case rqGetName: {
            const Reply r = address_ ? call(false, QStringLiteral("name"), {}) : Reply{};
            if (r.ok && r.value.isString()) {
                a.name = r.value.toString().left(200);
                a.served = true;
            }
            return;
        }
        default:
            return;   // requests nothing uses: served as nothing
        }
    }

    struct Capabilities {
        std::array<bool, 2> canMoveAxis{};
        bool canSlew = false;
        bool canSlewAsync = false;
        bool canSync = false;
        bool canPulseGuide = false;
    };

    AlpacaBridge& bridge_;
    std::optional<DeviceAddress> address_;
    bool connected_ = false;
    Capabilities caps_;
    std::array<bool, 2> moving_{};
    std::uint64_t transaction_ = 0;
    Status lastStatus_{true, {}, false};
};

AlpacaBridge::AlpacaBridge(Sources sources) : sources_(std::move(sources))
{
    thread_.reset(QThread::create([this] { Worker(*this).run(); }));
    thread_->setObjectName(QStringLiteral("AlpacaBridge"));
    thread_->start();
}

AlpacaBridge::~AlpacaBridge()
{
    if (!Stop() && thread_) {
        // Left to end on its own: it must not outlive this object's state.
        thread_->wait();
    }
}

void AlpacaBridge::Signal(int request)
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
    if (sources_.address)
        job->address = sources_.address();
    if ((request == rqConnect || request == rqChoose) && sources_.rateEntries)
        job->rateEntries = sources_.rateEntries();
    std::lock_guard lock(mutex_);
    if (stopped_)
        return;
    job->ticket = nextTicket_++;
    if (HasAnswer(request))
        waitTicket_ = job->ticket;
    if (request == rqFin)
        stopped_ = true;
    queue_.push_back(job);
    jobReady_.notify_one();
}

bool AlpacaBridge::WaitDataSet(int timeout_ms)
{
    std::shared_ptr<Answer> answer;
    {
        std::unique_lock lock(mutex_);
        const std::uint64_t ticket = waitTicket_;
        if (ticket == 0)
            return false;
        if (!answerReady_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeout_ms)),
                                   [&] { return answers_.count(ticket) != 0; }))
            return false;
        answer = answers_[ticket];
        // Older answers nobody waited for are never read later.
        answers_.erase(answers_.begin(), answers_.upper_bound(ticket));
        waitTicket_ = 0;
    }
    TASCOM_CMD& d = AscomSharedData;
    d.Connected = answer->connected ? 1 : 0;
    if (!answer->served)
        return false;
    switch (answer->request) {
    case rqChoose:
    case rqConnect:
        d.AxisRates[0] = d.AxisRates[1] = answer->rates;
        d.AxisRates[2].clear();
        d.MaxAxisRate = answer->maxAxisRate;
        break;
    case rqGetDeclination: d.Declination = answer->value; break;
    case rqGetRightAscension: d.RightAscension = answer->value; break;
    case rqGetTargetDeclination: d.TargetDeclination = answer->value; break;
    case rqGetTargetRightAscension: d.TargetRightAscension = answer->value; break;
    case rqGetSlewing: d.Slewing = answer->flag ? 1 : 0; break;
    case rqCanPulseGuide: d.CanPulseGuide = answer->flag ? 1 : 0; break;
    case rqCanSlew: d.CanSlew = answer->flag ? 1 : 0; break;
    case rqCanSlewAsync: d.CanSlewAsync = answer->flag ? 1 : 0; break;
    case rqGetName: d.Name = answer->name; break;
    default: break;
    }
    return true;
}

bool AlpacaBridge::Stop(int timeout_ms)
{
    if (!thread_)
        return true;
    Signal(rqFin);
    if (!thread_->wait(QDeadlineTimer(timeout_ms)))
        return false;
    thread_.reset();
    return true;
}

} // namespace Alpaca
