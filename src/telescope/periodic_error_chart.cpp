#include "telescope/periodic_error_chart.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

TPeriodicErrorChart::TPeriodicErrorChart(QWidget* parent) : QChartView(parent)
{
    auto* chart = new QChart();
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(QStringLiteral("Evolution de l'erreur periodique"));
    series_ = new QLineSeries(chart);
    series_->setObjectName(QStringLiteral("Series1"));
    series_->setName(QStringLiteral("Series1"));
    series_->setColor(Qt::red);
    chart->addSeries(series_);
    axisX_ = new QValueAxis(chart);
    axisY_ = new QValueAxis(chart);
    axisX_->setTitleText(QStringLiteral("Temps (Secondes)"));
    axisY_->setTitleText(QStringLiteral("Ecart (Secondes d'arc)"));
    axisX_->setRange(0, 1);
    axisY_->setRange(-1, 1);
    chart->addAxis(axisX_, Qt::AlignBottom);
    chart->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);
    runs_.reserve(kShownRuns + 1);
    shown_.reserve(qsizetype(2 * kShownRuns));
    batch_.setSingleShot(true);
    batch_.setInterval(100);
    connect(&batch_, &QTimer::timeout, this, &TPeriodicErrorChart::Flush);
}

void TPeriodicErrorChart::AddPoint(double seconds, double arcsec)
{
    const QPointF p(seconds, arcsec);
    if (points_.empty()) {
        minX_ = maxX_ = seconds;
        minY_ = maxY_ = arcsec;
    } else {
        minX_ = std::min(minX_, seconds);
        maxX_ = std::max(maxX_, seconds);
        minY_ = std::min(minY_, arcsec);
        maxY_ = std::max(maxY_, arcsec);
    }
    points_.push_back(p);
    addToRuns(p);
    if (!batch_.isActive())
        batch_.start();
}

void TPeriodicErrorChart::addToRuns(const QPointF& p)
{
    if (runs_.empty() || runs_.back().count >= runLength_) {
        runs_.push_back(Run{p, p, 1});
        if (runs_.size() > kShownRuns)
            mergeRuns();
        return;
    }
    Run& r = runs_.back();
    if (p.y() < r.low.y())
        r.low = p;
    if (p.y() > r.high.y())
        r.high = p;
    ++r.count;
}

// Two neighbouring runs become one: half as many, twice as long.
void TPeriodicErrorChart::mergeRuns()
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < runs_.size(); i += 2) {
        Run r = runs_[i];
        if (i + 1 < runs_.size()) {
            const Run& n = runs_[i + 1];
            if (n.low.y() < r.low.y())
                r.low = n.low;
            if (n.high.y() > r.high.y())
                r.high = n.high;
            r.count += n.count;
        }
        runs_[out++] = r;
    }
    runs_.resize(out);
    runLength_ *= 2;
}

void TPeriodicErrorChart::Clear()
{
    batch_.stop();
    points_.clear();
    points_.shrink_to_fit();
    runs_.clear();
    runLength_ = 1;
    shown_.clear();
    series_->clear();
    axisX_->setRange(0, 1);
    axisY_->setRange(-1, 1);
}

void TPeriodicErrorChart::Flush()
{
    batch_.stop();
    shown_.clear();
    for (const Run& r : runs_) {
        if (r.count == 1 || r.low == r.high) {
            shown_.append(r.low);
        } else if (r.low.x() <= r.high.x()) {
            shown_.append(r.low);
            shown_.append(r.high);
        } else {
            shown_.append(r.high);
            shown_.append(r.low);
        }
    }
    // The axes first: a range that changes redraws the series once more.
    fitAxes();
    series_->replace(shown_);
}

// The axes hold every point with some room ahead, so that most batches
// leave them as they are.
void TPeriodicErrorChart::fitAxes()
{
    if (points_.empty())
        return;
    const auto roomy = [](double low, double high, double& from, double& to) {
        const double step = std::max((high - low) / 10, 1.0);
        from = std::floor(low / step) * step;
        to = std::ceil(high / step + 0.5) * step;
    };
    double x0, x1, y0, y1;
    roomy(std::min(minX_, 0.0), maxX_, x0, x1);
    roomy(minY_, maxY_, y0, y1);
    y0 = std::min(y0, -1.0);
    // Kept while the points fit well inside: no redraw for the axes alone.
    // Round figures on the axes.
    if (minX_ < axisX_->min() || maxX_ > axisX_->max() || x1 < axisX_->max() - (axisX_->max() - axisX_->min()) / 2) {
        axisX_->setRange(x0, x1);
        axisX_->applyNiceNumbers();
    }
    if (minY_ < axisY_->min() || maxY_ > axisY_->max() || (y1 - y0) < (axisY_->max() - axisY_->min()) / 3) {
        axisY_->setRange(y0, y1);
        axisY_->applyNiceNumbers();
    }
}

QString TPeriodicErrorChart::titleText() const
{
    return chart()->title();
}

void TPeriodicErrorChart::setTitleText(const QString& text)
{
    chart()->setTitle(text);
}

QString TPeriodicErrorChart::leftAxisTitle() const
{
    return axisY_->titleText();
}

void TPeriodicErrorChart::setLeftAxisTitle(const QString& text)
{
    axisY_->setTitleText(text);
}

QString TPeriodicErrorChart::bottomAxisTitle() const
{
    return axisX_->titleText();
}

void TPeriodicErrorChart::setBottomAxisTitle(const QString& text)
{
    axisX_->setTitleText(text);
}
