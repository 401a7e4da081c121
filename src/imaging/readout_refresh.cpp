#include "imaging/readout_refresh.h"

#include "app/controls/num_inp.h"

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>

namespace pipeline {

ReadoutRefresh& ReadoutRefresh::instance()
{
    // Parented to the application so that its timer goes with the event
    // loop; made again should a new application come.
    static QPointer<ReadoutRefresh> one;
    if (!one)
        one = new ReadoutRefresh(QCoreApplication::instance());
    return *one;
}

ReadoutRefresh::ReadoutRefresh(QObject* parent) : QObject(parent)
{
    entries_.reserve(16);
    timer_.setInterval(kInterval_ms);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (pending())
            flush();
        else
            timer_.stop();   // nothing came in a whole period: idle
    });
}

ReadoutRefresh::Entry& ReadoutRefresh::entry(QWidget* widget, Kind kind)
{
    for (Entry& e : entries_)
        if (e.widget == widget)
            return e;
    // A new control: forget those that are gone (windows made again).
    std::erase_if(entries_, [](const Entry& e) { return e.widget.isNull(); });
    Entry& e = entries_.emplace_back();
    e.widget = widget;
    e.kind = kind;
    return e;
}

const ReadoutRefresh::Entry* ReadoutRefresh::find(const QWidget* widget) const
{
    for (const Entry& e : entries_)
        if (e.widget == widget)
            return &e;
    return nullptr;
}

void ReadoutRefresh::write(Entry& e)
{
    e.pending = false;
    if (!e.widget)
        return;
    switch (e.kind) {
    case Kind::Numeric:
        static_cast<TCustomNumInp*>(e.widget.data())->SetDisplayDeferred(false);
        break;
    case Kind::Slider:
        if (!movedMeanwhile(e))
            static_cast<QAbstractSlider*>(e.widget.data())->setValue(int(e.number));
        break;
    case Kind::Text: {
        auto* edit = static_cast<QLineEdit*>(e.widget.data());
        const QString text = QString::number(e.number);
        if (edit->text() != text)
            edit->setText(text);
        break;
    }
    }
}

void ReadoutRefresh::arm()
{
    // A running timer is left alone: starting one registers it anew, which
    // allocates; while frames keep coming it stays armed.
    if (!timer_.isActive())
        timer_.start();
}

void ReadoutRefresh::setNumber(QLineEdit* edit, std::int64_t value)
{
    if (!edit)
        return;
    Entry& e = entry(edit, Kind::Text);
    e.number = value;
    if (streams_ > 0) {
        e.pending = true;
        arm();
    } else {
        write(e);
    }
}

void ReadoutRefresh::setValue(TCustomNumInp* input, long double value)
{
    if (!input)
        return;
    Entry& e = entry(input, Kind::Numeric);
    input->SetDisplayDeferred(streams_ > 0);
    input->SetValue(value);
    e.pending = streams_ > 0;
    if (e.pending)
        arm();
}

bool ReadoutRefresh::movedMeanwhile(const Entry& e)
{
    return e.kind == Kind::Slider && e.widget && static_cast<QAbstractSlider*>(e.widget.data())->value() != e.shown;
}

void ReadoutRefresh::setPosition(QAbstractSlider* bar, int value)
{
    if (!bar)
        return;
    Entry& e = entry(bar, Kind::Slider);
    e.number = std::clamp(value, bar->minimum(), bar->maximum());
    e.shown = bar->value();
    if (streams_ > 0) {
        e.pending = true;
        arm();
    } else {
        write(e);
    }
}

int ReadoutRefresh::position(const QAbstractSlider* bar) const
{
    const Entry* e = find(bar);
    return e && e->pending && !movedMeanwhile(*e) ? int(e->number) : bar->value();
}

void ReadoutRefresh::flush()
{
    for (Entry& e : entries_)
        if (e.pending)
            write(e);
}

bool ReadoutRefresh::pending() const
{
    return std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.pending && e.widget; });
}

} // namespace pipeline
