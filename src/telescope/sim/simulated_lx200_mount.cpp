#include "telescope/sim/simulated_lx200_mount.h"

#include "platform/clock.h"

namespace Telescope {

SimulatedLx200Mount::SimulatedLx200Mount(double guideRate) : model_(guideRate) {}

SimulatedLx200Mount::~SimulatedLx200Mount() { stop(); }

void SimulatedLx200Mount::start()
{
    if (running_.exchange(true))
        return;
    thread_ = std::thread([this] { run(); });
}

void SimulatedLx200Mount::stop()
{
    if (!running_.exchange(false))
        return;
    if (thread_.joinable())
        thread_.join();
}

void SimulatedLx200Mount::run()
{
    while (running_) {
        pty_.waitReadable(50);
        pump();
    }
}

void SimulatedLx200Mount::pump()
{
    std::lock_guard lock(mutex_);
    model_.advance(platform::clock().monotonicMs());
    const QByteArray data = pty_.readAvailable();
    if (data.isEmpty())
        return;
    received_ += data;
    pending_ += data;
    QByteArray replies;
    for (const QByteArray& command : TakeCommands(pending_)) {
        commands_ << command;
        replies += model_.answer(command);
    }
    if (!replies.isEmpty())
        pty_.write(replies);
}

QList<QByteArray> SimulatedLx200Mount::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

QByteArray SimulatedLx200Mount::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

void SimulatedLx200Mount::clearRecords()
{
    std::lock_guard lock(mutex_);
    commands_.clear();
    received_.clear();
}

double SimulatedLx200Mount::ra() const
{
    std::lock_guard lock(mutex_);
    return model_.ra();
}

double SimulatedLx200Mount::dec() const
{
    std::lock_guard lock(mutex_);
    return model_.dec();
}

void SimulatedLx200Mount::setPosition(double ra, double dec)
{
    std::lock_guard lock(mutex_);
    model_.setPosition(ra, dec);
}

bool SimulatedLx200Mount::slewing() const
{
    std::lock_guard lock(mutex_);
    return model_.slewing();
}

void SimulatedLx200Mount::setSlewRate(double arcsecPerSecond)
{
    std::lock_guard lock(mutex_);
    model_.setSlewRate(arcsecPerSecond);
}

void SimulatedLx200Mount::useDeepSkyCatalogue(std::vector<Sky::DeepSkyRecord> objects)
{
    std::lock_guard lock(mutex_);
    model_.useDeepSkyCatalogue(std::move(objects));
}

} // namespace Telescope
