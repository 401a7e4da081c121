#include "tools/frm_matdec.h"

#include "app/ui/event_boundary.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>

TFRM_Matdec* FRM_Matdec = nullptr;

TFRM_Matdec::TFRM_Matdec(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    for (int n : {9, 7, 5, 3}) {
        QTableWidget* grid = Grid(n);
        grid->horizontalHeader()->hide();
        grid->verticalHeader()->hide();
        grid->horizontalHeader()->setMinimumSectionSize(10);
        grid->verticalHeader()->setMinimumSectionSize(10);
        grid->horizontalHeader()->setDefaultSectionSize(30);
        grid->verticalHeader()->setDefaultSectionSize(20);
        QFont small = grid->font();
        small.setPointSize(7);
        grid->setFont(small);
        grid->setTextElideMode(Qt::ElideNone);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setFixedSize(30 * n + 2 * grid->frameWidth(), 20 * n + 2 * grid->frameWidth());
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("0")));
        connect(grid, &QTableWidget::cellChanged, this, [n](int, int) {
            app::runGuarded(QStringLiteral("STG_Matrice_%1x%1").arg(n), [n] {
                if (FRM_Tool_Images)
                    FRM_Tool_Images->STG_MatriceKeyUp(n);
            });
        });
    }
}

void TFRM_Matdec::FormCreate()
{
    // The grid starts from the image tool's ring levels.
    if (FRM_Tool_Images) {
        Util_Images::KernelAutoRebuild = false;
        for (int k : {1, 3, 5, 7, 9})
            Util_Images::ApplyKernelLevel(k);
        Util_Images::KernelAutoRebuild = true;
        Util_Images::CopyKernelCentres();
    }
}

QTableWidget* TFRM_Matdec::Grid(int n) const
{
    switch (n) {
    case 3: return STG_Matrice_3x3;
    case 5: return STG_Matrice_5x5;
    case 7: return STG_Matrice_7x7;
    case 9: return STG_Matrice_9x9;
    default: return nullptr;
    }
}

QString TFRM_Matdec::Cell(int n, int c, int r) const
{
    const QTableWidget* grid = Grid(n);
    const QTableWidgetItem* item = grid ? grid->item(r, c) : nullptr;
    return item ? item->text() : QString();
}

void TFRM_Matdec::SetCell(int n, int c, int r, const QString& text)
{
    QTableWidget* grid = Grid(n);
    if (!grid || r < 0 || c < 0 || r >= n || c >= n)
        return;
    const QSignalBlocker quiet(grid);
    if (QTableWidgetItem* item = grid->item(r, c))
        item->setText(text);
    else
        grid->setItem(r, c, new QTableWidgetItem(text));
}

void TFRM_Matdec::FormClose(TCloseAction& action)
{
    action = TCloseAction::caHide;
    if (FRM_Tool_Images)
        FRM_Tool_Images->CKB_ShowMatrix->setChecked(false);
}
