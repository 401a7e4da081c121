#pragma once
// A page control whose tab headers take as many rows as its width needs, so
// that every page's caption shows whole and none hides behind scroll arrows.
// The pages, their captions, their order and the current page are the tab
// widget's own (tabText, setTabText, setCurrentIndex, setTabPosition); only
// the headers are laid out in rows, in page order, each row stretched to the
// full width. Tabs on the left or right side keep the usual single column.

#include <QList>
#include <QTabBar>
#include <QTabWidget>

class TTabRowsBar : public QTabBar {
    Q_OBJECT
public:
    explicit TTabRowsBar(QWidget* parent = nullptr);

    // Where the header of page `index` is shown, in the bar's coordinates;
    // empty for a hidden page.
    QRect RowTabRect(int index) const;
    // The number of rows at the bar's present width.
    int RowCount() const;
    // The height the rows take at `width`.
    int RowsHeight(int width) const;
    // The widest single header: the narrowest the bar may be.
    int WidestTab() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void tabLayoutChange() override;

private:
    bool inRows() const;
    // The width the tab widget gives the bar: all of its own.
    int availableWidth() const;
    // One rectangle per page at `width` (empty for hidden pages), and the
    // number of rows they take.
    QList<QRect> layoutRows(int width, int* rows = nullptr) const;
    int indexAtPoint(const QPoint& p) const;

    int hover_ = -1;
};

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    TTabRowsBar* RowsBar() const { return bar_; }

    // As wide as the widest page (and the widest header); as tall as the
    // pages and the header rows at the present width.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QSize withFrameAndHeader(QSize pages) const;

    TTabRowsBar* bar_;
};

// Puts the controls of every page of `pages` in a scroll area inside the
// page: the pages no longer hold their window at the size of the largest,
// and a page that needs more room than its window gives it scrolls. The
// pages stay the tab widget's own, with their names and captions.
void ScrollEveryPage(QTabWidget& pages);
