#pragma once
// The periodic-error graph: error in seconds of arc against elapsed
// seconds, drawn in red by its one line series "Series1". Every point is
// kept; the series shows them as they are up to a few thousand and, beyond,
// as the lowest and highest point of each run of consecutive points, so
// neither adding a point nor drawing the graph grows with the night. Points
// reach the series in batches, at most ten times a second.

#include <QChartView>
#include <QPointF>
#include <QTimer>
#include <vector>

class QLineSeries;
class QValueAxis;

class TPeriodicErrorChart : public QChartView {
    Q_OBJECT
    // The texts the translation writes.
    Q_PROPERTY(QString titleText READ titleText WRITE setTitleText)
    Q_PROPERTY(QString leftAxisTitle READ leftAxisTitle WRITE setLeftAxisTitle)
    Q_PROPERTY(QString bottomAxisTitle READ bottomAxisTitle WRITE setBottomAxisTitle)
public:
    // Points shown one for one up to this count.
    static constexpr std::size_t kShownRuns = 2048;

    explicit TPeriodicErrorChart(QWidget* parent = nullptr);

    QLineSeries* Series1() const { return series_; }

    // Records a point; the series shows it at the next batch.
    void AddPoint(double seconds, double arcsec);
    // Empties the graph.
    void Clear();
    // Hands the points recorded since the last batch to the series now.
    void Flush();

    // Every point recorded since the last Clear.
    const std::vector<QPointF>& Points() const { return points_; }

    QString titleText() const;
    void setTitleText(const QString& text);
    QString leftAxisTitle() const;
    void setLeftAxisTitle(const QString& text);
    QString bottomAxisTitle() const;
    void setBottomAxisTitle(const QString& text);

private:
    // The lowest and highest point of `count` consecutive points.
    struct Run {
        QPointF low, high;
        std::size_t count = 0;
    };
    void addToRuns(const QPointF& p);
    void mergeRuns();
    void fitAxes();

    QLineSeries* series_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    std::vector<QPointF> points_;
    std::vector<Run> runs_;
    std::size_t runLength_ = 1;   // points per run, a power of 2
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
    QList<QPointF> shown_;
    QTimer batch_;
};
