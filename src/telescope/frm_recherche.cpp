#include "telescope/frm_recherche.h"

#include "app/align_v_features.h"
#include "app/frm_message.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/object_lookup.h"
#include "telescope/sky/sky_chart.h"
#include "translation/translated_texts.h"

#include <QStringList>

TFRM_Recherche* FRM_Recherche = nullptr;

namespace {

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

} // namespace

TFRM_Recherche::TFRM_Recherche(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    setWindowFlag(Qt::Tool);
    app::bindButtonClick(BTN_Ok, this, &TFRM_Recherche::BTN_OkClick);
    app::bindButtonClick(BTN_Annuler, this, &TFRM_Recherche::BTN_AnnulerClick);
    // The hand pad's goto of a catalogue object looks it up here.
    auto hook = [](Recherche::Found (*find)(const QString&)) {
        return [find](const QString& name, double& ra, double& dec) {
            const Recherche::Found f = find(name);
            ra = f.ra;
            dec = f.dec;
        };
    };
    Align_V::Hooks.FindDeepSkyObject = hook(Recherche::FindDeepSkyObject);
    Align_V::Hooks.FindSaoStar = hook(Recherche::FindSaoStar);
}

void TFRM_Recherche::Open(const QString& caption, int mode)
{
    setWindowTitle(caption);
    Tag = mode;
    listBuilt_ = false;
    setWindowModality(Qt::ApplicationModal);
    // It waits for its answer: in front of every window, the sky chart it
    // is opened from and the windows kept on top included.
    app::KeepInFrontOfEveryWindow(*this);
    show();
    app::TakeKeyboard(*this);
}

void TFRM_Recherche::showEvent(QShowEvent* event)
{
    TForm::showEvent(event);
    app::runGuarded(QStringLiteral("FRM_Recherche.FormActivate"), [this] { FormActivate(); });
}

void TFRM_Recherche::FormActivate()
{
    if (listBuilt_)
        return;
    listBuilt_ = true;
    BuildList();
}

void TFRM_Recherche::BuildList()
{
    if (Tag != 21 && Tag != 1 && Tag != 11 && Tag != 12)
        return;
    if (!Sky::CataloguesLoaded)
        Sky::LoadCatalogues();
    QStringList items;
    if (Tag == 21) {
        items.reserve(Sky::StarCount());
        for (const Sky::StarRecord& s : Sky::StarCatalogue) {
            if (!s.filled)
                continue;
            QString item = QStringLiteral("SAO") + latin(s.saoText());
            if (s.hasName())
                item += QStringLiteral(" / ") + latin(s.nameText());
            items.append(item);
        }
    } else {
        items.reserve(Sky::DeepSkyCount());
        for (const Sky::DeepSkyRecord& d : Sky::DeepSkyCatalogue) {
            const QString name = QString::fromStdString(d.name), other = QString::fromStdString(d.otherName);
            if (Tag == 12) {
                if (other.startsWith(QLatin1Char('M')))
                    items.append(other + QStringLiteral("  / ") + name);
            } else {
                items.append(other.isEmpty() ? name : name + QStringLiteral(" / ") + other);
            }
        }
    }
    // The list is sorted once here rather than item by item.
    items.sort();
    CBX_Recherche->setUpdatesEnabled(false);
    CBX_Recherche->clear();
    CBX_Recherche->addItems(items);
    CBX_Recherche->setCurrentIndex(-1);
    CBX_Recherche->setUpdatesEnabled(true);
}

void TFRM_Recherche::FormKeyDown(int& key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        // On "Annuler" (reached with Tab) Enter presses it, as it does any
        // button that has the keyboard; anywhere else it is "Ok".
        if (BTN_Annuler->hasFocus())
            BTN_AnnulerClick();
        else
            BTN_OkClick();
    } else if (key == Qt::Key_Escape) {
        key = 0;
        BTN_AnnulerClick();
    }
}

void TFRM_Recherche::BTN_OkClick()
{
    const QString text = CBX_Recherche->currentText();
    bool notFound = false;
    if (!text.isEmpty()) {
        Recherche::Found found;
        if (Tag == 21 || Tag == 1 || Tag == 23) {
            found = Tag == 21   ? Recherche::FindSaoStar(text)
                    : Tag == 1 ? Recherche::FindDeepSkyObject(text)
                               : Recherche::FindStarByName(text);
            if (found.found()) {
                Sky::ChartCentreRA = found.ra;
                Sky::ChartCentreDec = found.dec;
                Sky::RedrawChart();
            } else {
                notFound = Tag != 23;
            }
        }
    }
    close();
    // Told once the picker is gone: shown while it still waits for its
    // answer, the message window would open behind it, and stay behind the
    // chart the keyboard goes back to.
    if (notFound)
        Msg::ShowMessageText(true, TranslatedTexts.MSG_Object_not_found);
}

void TFRM_Recherche::BTN_AnnulerClick() { close(); }
