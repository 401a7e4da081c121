#pragma once
// The progress window: one bar (0 to 100) in a small tool window whose title
// names the task. Shown and hidden by SetProgress only.

#include "app/form.h"
#include "ui_frm_progress.h"

class TFRM_Progress : public TForm, public Ui::TFRM_Progress {
    Q_OBJECT
public:
    explicit TFRM_Progress(QWidget* parent = nullptr);

    // Title := caption, bar := position. Then the window hides when the
    // position reaches maximum - 1 (so 99 of 100 hides it), otherwise it is
    // shown, not modally, when the position is above 0 and it is hidden: a
    // position of 0 moves the bar without showing anything. The bar keeps its
    // range of 0 to 100; callers pass a percentage with maximum 100.
    void SetProgress(const QString& caption, int position, int maximum);
};

extern TFRM_Progress* FRM_Progress;
