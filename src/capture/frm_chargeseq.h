#pragma once
// The sequence chooser "Chargement de sequence": the first and the last file
// of a numbered picture sequence (same folder, same prefix, a decimal number
// before the extension). OK fills the play list with every file between
// them; the main window's sequence menu then opens it as a file source (the
// source in place is left alone until then).

#include "app/form.h"
#include "ui_frm_chargeseq.h"

enum class TSeqResult { mrNone, mrOk, mrCancel };

class TFRM_Chargeseq : public TForm, public Ui::TFRM_Chargeseq {
    Q_OBJECT
public:
    explicit TFRM_Chargeseq(QWidget* parent = nullptr);

    // Shows the chooser and waits for OK or Cancel (closing it is Cancel).
    TSeqResult ShowModal();
    TSeqResult ModalResult() const { return modalResult_; }
    // The files of the sequence chosen with OK (empty when the first number
    // is above the last).
    const QStringList& Sequence() const { return sequence_; }

    // "..." of the first file: the dialog starts in the last folder used;
    // a picture chosen becomes the first file and its folder the last used.
    void SPDB_Sequence_PremierClick();
    // "..." of the last file: taken only from the first file's folder.
    void SPDB_Sequence_DernierClick();
    // Builds the sequence from the two names; a message and the chooser
    // stays open when they do not make one.
    void BTN_OKClick();
    void BTN_AnnulerClick();

    void FormClose(TCloseAction& action) override;

protected:
    // Waiting for its answer, Escape is "Annuler", as in any dialog.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void endModal(TSeqResult result);
    TSeqResult modalResult_ = TSeqResult::mrNone;
    QStringList sequence_;
    class QEventLoop* loop_ = nullptr;
};

extern TFRM_Chargeseq* FRM_Chargeseq;
