#include "capture/frm_pilote.h"

#include "app/systeme.h"
#include "translation/language.h"
#include "translation/translated_texts.h"

TFRM_Pilote::TFRM_Pilote(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setFixedSize(408, 86);
    Translation::ApplyFontCharsetTo(this);
    setWindowTitle(TranslatedTexts.FRM_Pilote_Caption);
    BTN_Ok->setText(TranslatedTexts.MSG_OK);
    BTN_Annuler->setText(TranslatedTexts.MSG_Annuler);
    connect(BTN_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TFRM_Pilote::setVisible(bool visible)
{
    if (!Systeme::ShowThroughPath(this, visible))
        QDialog::setVisible(visible);
}
