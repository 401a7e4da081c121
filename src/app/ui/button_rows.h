#pragma once
// A layout that sets its items side by side in rows, in their order, and
// starts a new row where the next one would pass the right edge, so that a
// row of buttons narrower than itself stays whole on a small screen. A
// spacer between two items parts groups of buttons; one at the start of a
// row takes no room. Its height follows its width.

#include <QLayout>
#include <QList>

namespace app {

class ButtonRows final : public QLayout {
public:
    explicit ButtonRows(QWidget* parent = nullptr);
    ~ButtonRows() override;

    // Moves every item of `layout`, in its order, into new rows on the
    // widget that holds it.
    static ButtonRows* Replace(QLayout* layout);

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (only measures without `place`); returns
    // the height they take.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> items_;
};

} // namespace app
