#pragma once
// The per-frame read-outs of the pipeline (frame count, levels, thresholds
// and their scroll bars, phase timings) change on every frame while frames
// stream in. Rewriting a line edit makes the toolkit lay its text out anew,
// and moving a scroll bar sends an accessibility update; both allocate and
// take time on every frame, faster than anyone can read. So:
//
// - While the per-frame routine runs (a Stream is alive), a read-out only
//   records its newest value; a timer writes the texts every 100 ms while
//   any is pending. The newest value is always the one shown, at most
//   100 ms late, and the last one of a run is shown within 100 ms after the
//   last frame. An addition that stops has its texts written at once.
// - Numeric inputs store their value at once in every case (the routine and
//   every reader of Value() see the current figure); only their text waits.
//   A scroll bar's newest position is what position() gives; the routine
//   reads the thresholds through it. A bar that the user (or other code)
//   moves meanwhile keeps that position: the waiting one is dropped.
// - Outside the per-frame routine (a re-render after a setting changed, a
//   script) the texts are written at once, and so is anything pending for
//   the same control.
//
// Once every read-out has been seen, recording a value allocates nothing.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <vector>

class QAbstractSlider;
class QLineEdit;
class QWidget;
class TCustomNumInp;

namespace pipeline {

class ReadoutRefresh : public QObject {
public:
    static constexpr int kInterval_ms = 100;

    // The one refresh of the program (created on first use, owned by the
    // application object).
    static ReadoutRefresh& instance();

    // A plain read-out showing a whole number.
    void setNumber(QLineEdit* edit, std::int64_t value);
    // A numeric input: its value is set at once (as SetValue does, range
    // check included); its text follows the rule above.
    void setValue(TCustomNumInp* input, long double value);
    // A scroll bar moved by code (kept within its range, as setValue does).
    void setPosition(QAbstractSlider* bar, int value);
    // The newest position of a scroll bar: the one waiting to be shown, or
    // its own.
    int position(const QAbstractSlider* bar) const;

    // Writes every pending text now.
    void flush();
    // True while some text waits for the timer.
    bool pending() const;
    bool timerActive() const { return timer_.isActive(); }

    // Coalesces the read-outs while alive (nests).
    class Stream {
    public:
        Stream() { ++instance().streams_; }
        ~Stream() { --instance().streams_; }
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
    };

private:
    explicit ReadoutRefresh(QObject* parent);

    enum class Kind { Text, Numeric, Slider };
    struct Entry {
        QPointer<QWidget> widget;
        Kind kind = Kind::Text;
        std::int64_t number = 0;   // the text's number or the position
        int shown = 0;             // a scroll bar's own position when this one came
        bool pending = false;
    };
    Entry& entry(QWidget* widget, Kind kind);
    const Entry* find(const QWidget* widget) const;
    static bool movedMeanwhile(const Entry& e);
    void write(Entry& e);
    void arm();

    std::vector<Entry> entries_;
    QTimer timer_;
    int streams_ = 0;
};

} // namespace pipeline
