#include "scripting/find_dialog.h"

#include "app/systeme.h"
#include "app/ui/event_boundary.h"
#include "translation/translated_texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FND_Recherche"));
    setModal(false);
    LBL_Rechercher = new QLabel(this);
    LBL_Rechercher->setObjectName(QStringLiteral("LBL_Rechercher"));
    EDT_Texte = new QLineEdit(this);
    EDT_Texte->setObjectName(QStringLiteral("EDT_Texte"));
    BTN_Suivant = new QPushButton(this);
    BTN_Suivant->setObjectName(QStringLiteral("BTN_Suivant"));
    BTN_Suivant->setDefault(true);
    BTN_Fermer = new QPushButton(this);
    BTN_Fermer->setObjectName(QStringLiteral("BTN_Fermer"));

    auto* row = new QHBoxLayout;
    row->addWidget(LBL_Rechercher);
    row->addWidget(EDT_Texte, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BTN_Suivant);
    buttons->addWidget(BTN_Fermer);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(BTN_Suivant, &QPushButton::clicked, this, [this] {
        if (OnFind)
            app::runGuarded(QStringLiteral("FND_Recherche"), OnFind);
    });
    connect(BTN_Fermer, &QPushButton::clicked, this, &QDialog::hide);
    takeTexts();
}

void TFindDialog::takeTexts()
{
    setWindowTitle(TranslatedTexts.MSG_Recherche_Titre);
    LBL_Rechercher->setText(TranslatedTexts.MSG_Recherche_Texte);
    BTN_Suivant->setText(TranslatedTexts.MSG_Recherche_Suivant);
    BTN_Fermer->setText(TranslatedTexts.MSG_Recherche_Fermer);
}

QString TFindDialog::FindText() const { return EDT_Texte->text(); }

void TFindDialog::SetFindText(const QString& text) { EDT_Texte->setText(text); }

void TFindDialog::setVisible(bool visible)
{
    if (visible)
        takeTexts();
    if (!Systeme::ShowThroughPath(this, visible))
        QDialog::setVisible(visible);
}
