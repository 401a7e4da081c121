#include "telescope/frm_sky.h"

#include "app/controls/color_panel.h"
#include "app/controls/num_inp.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "scripting/frm_planificateur.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_recherche.h"
#include "telescope/prg_suivi.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"
#include "translation/translated_texts.h"
#include "tools/frm_tool_mesures.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <cmath>
#include <numbers>

TFRM_Sky* FRM_Sky = nullptr;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRadToArcsec = 648000.0 / kPi;
constexpr double kTwoArcmin = 2 * kPi / 10800;
constexpr int kStarEntriesEnd = 50;
constexpr int kEntriesEnd = 100;

QString latin(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

bool checked(QWidget* window, const QString& name, bool fallback)
{
    auto* b = app::findControl<QAbstractButton>(window, name);
    return b ? b->isChecked() : fallback;
}

double number(QWidget* window, const QString& name, double fallback)
{
    if (auto* n = app::findControl<TCustomNumInp>(window, name))
        return double(n->Value());
    if (auto* s = app::findControl<QSpinBox>(window, name))
        return s->value();
    return fallback;
}

int colour(QWidget* window, const QString& name, int fallback)
{
    auto* p = app::findControl<TColorPanel>(window, name);
    return p ? p->Color() : fallback;
}

// Reads the planner's field rows (1 to RowCount - 2; row 0 holds the titles)
// whose field centre is given.
std::vector<Sky::PlannerField> plannerFields()
{
    std::vector<Sky::PlannerField> fields;
    auto* grid = app::findControl<QTableWidget>(FRM_Planificateur, QStringLiteral("STG_Actions"));
    if (!grid)
        return fields;
    auto cell = [&](int row, int column) -> QString {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text().trimmed() : QString();
    };
    for (int row = 1; row <= grid->rowCount() - 2; ++row) {
        if (cell(row, 21).isEmpty() || cell(row, 22).isEmpty())
            continue;
        Sky::PlannerField f;
        bool ok = true;
        auto value = [&](int column) {
            bool good = false;
            const double v = cell(row, column).toDouble(&good);
            ok = ok && good && std::isfinite(v);
            return v;
        };
        f.centreRa = value(21);
        f.centreDec = value(22);
        for (int i = 0; i < 8; ++i)
            f.corners[std::size_t(i)] = value(13 + i);
        f.name = cell(row, 2);
        if (ok)   // a cell that is no number leaves the row out
            fields.push_back(f);
    }
    return fields;
}

} // namespace

namespace Sky {

ChartSettings CurrentChartSettings()
{
    ChartSettings st;
    QWidget* pref = FRM_Pref;
    auto range = [&](const QString& faint, const QString& bright, MagnitudeRange def) {
        return MagnitudeRange{number(pref, faint, def.faint), number(pref, bright, def.bright)};
    };
    st.stars = checked(pref, QStringLiteral("CKB_Carte_Etoiles"), true);
    st.starRange = range(QStringLiteral("TNI_Carte_MagMin_Etoile"), QStringLiteral("TNI_Carte_MagMax_Etoile"), st.starRange);
    st.starLabels = checked(pref, QStringLiteral("CKB_Carte_Etoiles_Leg"), false);
    st.starLabelRange = range(QStringLiteral("TNI_Carte_MagMin_Etoile_Leg"), QStringLiteral("TNI_Carte_MagMax_Etoile_Leg"),
                              st.starLabelRange);
    st.constellations = checked(pref, QStringLiteral("CKB_Carte_Constell"), true);
    st.constellationColour = colour(pref, QStringLiteral("PNL_Carte_Couleur_Constell"), st.constellationColour);
    st.grid = checked(pref, QStringLiteral("CKB_Carte_Grille"), true);
    st.gridRaStep = number(pref, QStringLiteral("TNI_Ecart_Ra"), st.gridRaStep);
    st.gridDecStep = number(pref, QStringLiteral("TNI_Ecart_Dec"), st.gridDecStep);
    st.gridColour = colour(pref, QStringLiteral("PNL_Carte_Couleur_Grille"), st.gridColour);
    static const char* const kinds[] = {"Gx", "Pl", "C_N", "Nb", "OC", "Galcl", "Gb", "Autres"};
    for (std::size_t i = 0; i < 8; ++i) {
        const QString k = QString::fromLatin1(kinds[i]);
        KindSettings& ks = st.kinds[i];
        ks.show = checked(pref, QStringLiteral("CKB_Carte_") + k, true);
        ks.range = range(QStringLiteral("TNI_Carte_MagMin_") + k, QStringLiteral("TNI_Carte_MagMax_") + k, {16, -30});
        ks.colour = colour(pref, QStringLiteral("PNL_Carte_Couleur_") + k, 0xFFFFFF);
        ks.label = checked(pref, QStringLiteral("CKB_Carte_") + (k == QLatin1String("Galcl") ? QStringLiteral("GalCl") : k)
                                     + QStringLiteral("_Leg"),
                           false);
        ks.labelRange = range(QStringLiteral("TNI_Carte_MagMin_") + k + QStringLiteral("_Leg"),
                              QStringLiteral("TNI_Carte_MagMax_") + k + QStringLiteral("_Leg"), {10, -30});
    }
    st.galaxyE = checked(pref, QStringLiteral("CKB_Gx_E"), true);
    st.galaxyS = checked(pref, QStringLiteral("CKB_Gx_S"), true);
    st.galaxySB = checked(pref, QStringLiteral("CKB_Gx_SB"), true);
    st.galaxyIr = checked(pref, QStringLiteral("CKB_Gx_Ir"), true);
    for (int i = 0; i < 6; ++i)
        st.planetaryClasses[std::size_t(i)] = checked(pref, QStringLiteral("CKB_Pn_%1").arg(i + 1), true);
    if (FRM_Sky) {
        st.starFont = FRM_Sky->LBL_Font_Stars->font();
        st.objectFont = FRM_Sky->LBL_Font_Objects->font();
    }
    st.starFont.setStyleStrategy(QFont::NoAntialias);
    st.objectFont.setStyleStrategy(QFont::NoAntialias);
    if (auto* g = app::findControl<QGroupBox>(FRM_ObjectAction, QStringLiteral("GRB_Origine")))
        st.originCaption = g->title();
    if (auto* g = app::findControl<QGroupBox>(FRM_ObjectAction, QStringLiteral("GRB_Destination")))
        st.destinationCaption = g->title();
    st.planner = plannerFields();
    CameraGrid& cg = st.cameraGrid;
    cg.nx = int(number(FRM_Planificateur, QStringLiteral("SPED_Nb_Cliches_X"), 0));
    cg.ny = int(number(FRM_Planificateur, QStringLiteral("SPED_NB_Cliches_Y"), 0));
    cg.overlapX = number(FRM_Planificateur, QStringLiteral("SPED_Recouvrement_X"), 0);
    cg.overlapY = number(FRM_Planificateur, QStringLiteral("SPED_Recouvrement_Y"), 0);
    cg.widthPx = number(FRM_Tool_Mesures, QStringLiteral("TNI_NbPix_X"), 0);
    cg.heightPx = number(FRM_Tool_Mesures, QStringLiteral("TNI_NbPix_Y"), 0);
    cg.sampling = number(FRM_Tool_Mesures, QStringLiteral("TNI_Echantillonnage"), 0);
    cg.orientation = number(FRM_Tool_Mesures, QStringLiteral("TNI_Orient"), 0);
    return st;
}

void RedrawChart()
{
    if (!FRM_Sky)
        return;
    FRM_Sky->SetPanelText(4, TranslatedTexts.MSG_AD + QStringLiteral(":")
                                 + CalcHelpers::RAToStr(ChartCentreRA * kRadToArcsec));
    FRM_Sky->SetPanelText(5, TranslatedTexts.MSG_Dec + QStringLiteral(":")
                                 + CalcHelpers::DecToStr(ChartCentreDec * kRadToArcsec));
    // A hidden chart is drawn when it is shown; the planner's fields are
    // laid out all the same (they do not depend on the chart's size).
    if (!FRM_Sky->isVisible()) {
        ComputeMosaicFields(CurrentChartSettings().cameraGrid);
        return;
    }
    if (!CataloguesLoaded)
        LoadCatalogues();
    TSkyImage* view = FRM_Sky->IMG_Sky;
    QImage& image = view->Picture();
    const QSize size = view->size().expandedTo(QSize(1, 1));
    if (image.size() != size)
        image = QImage(size, QImage::Format_RGB32);
    RenderChart(image, CurrentChartSettings());
    view->update();
}

} // namespace Sky

TFRM_Sky::TFRM_Sky(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    KeyPreview = true;
    setWindowFlag(Qt::WindowStaysOnTopHint);
    static const int widths[6] = {50, 110, 110, 110, 110, 50};
    for (int i = 0; i < 6; ++i) {
        panels_[std::size_t(i)] = new QLabel(STB_Ciel);
        panels_[std::size_t(i)]->setMinimumWidth(widths[i]);
        STB_Ciel->addWidget(panels_[std::size_t(i)]);
    }
    panels_[0]->setText(QStringLiteral("Souris :"));
    panels_[3]->setText(QStringLiteral("Centre de l'ecran :"));

    POPUP_Sky = new QMenu(this);
    POPUP_Sky->setObjectName(QStringLiteral("POPUP_Sky"));
    POPUP_SKY_ObjetMenu = new QMenu(QStringLiteral("Objet"), POPUP_Sky);
    // Its title is the caption of the item POPUP_SKY_Objet, translated there.
    POPUP_SKY_Objet = POPUP_Sky->addMenu(POPUP_SKY_ObjetMenu);
    POPUP_SKY_Objet->setObjectName(QStringLiteral("POPUP_SKY_Objet"));
    MNU_ZoomUp = POPUP_Sky->addAction(QStringLiteral("Zoom +"), this, [this] { MNU_ZoomUpClick(); });
    MNU_ZoomUp->setObjectName(QStringLiteral("MNU_ZoomUp"));
    MNU_ZoomDown = POPUP_Sky->addAction(QStringLiteral("Zoom -"), this, [this] { MNU_ZoomDownClick(); });
    MNU_ZoomDown->setObjectName(QStringLiteral("MNU_ZoomDown"));

    // Ctrl+F opens the search menu.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] { MNU_Sky->setActiveAction(MNU_Rechercher->menuAction()); });
    auto bind = [this](QAction* a, void (TFRM_Sky::*handler)()) {
        connect(a, &QAction::triggered, this, [this, handler] {
            app::runGuarded(QStringLiteral("FRM_Sky"), [&] { (this->*handler)(); });
        });
    };
    bind(MNU_Affichage, &TFRM_Sky::MNU_AffichageClick);
    bind(MNU_Rechercher_Etoile_SAO, &TFRM_Sky::MNU_Rechercher_Etoile_SAOClick);
    bind(MNU_Rechercher_Ciel_Profond, &TFRM_Sky::MNU_Rechercher_Ciel_ProfondClick);
    bind(MNU_Rechercher_Etoile_Pop, &TFRM_Sky::MNU_Rechercher_Etoile_PopClick);
    bind(MNU_Rechercher_Constellation, &TFRM_Sky::MNU_Rechercher_ConstellationClick);

    IMG_Sky->onMouseMove = [this](int x, int y) { IMG_SkyMouseMove(x, y); };
    IMG_Sky->onMouseUp = [this](Qt::MouseButton button, int x, int y, QPoint global) {
        IMG_SkyMouseUp(button, x, y);
        if (button != Qt::LeftButton)
            POPUP_Sky->popup(global);
    };
    IMG_Sky->onWheel = [this](int delta) { WheelDelta(delta); };

    Settings::RegisterHandler(QStringLiteral("Sky.RedrawChart"), [] { Sky::RedrawChart(); });
    Prg_Suivi::Hooks.RedrawChart = [] { Sky::RedrawChart(); };
}

void TFRM_Sky::FormCreate()
{
    Sky::CataloguesLoaded = false;
    ChartObjectList.clear();
    Sky::GotoOriginRA = Sky::GotoOriginDec = Sky::kUnset;
    Sky::GotoDestinationRA = Sky::GotoDestinationDec = Sky::kUnset;
}

void TFRM_Sky::showEvent(QShowEvent* event)
{
    TForm::showEvent(event);
    app::runGuarded(QStringLiteral("FRM_Sky.FormShow"), [] { Sky::RedrawChart(); });
}

void TFRM_Sky::resizeEvent(QResizeEvent* event)
{
    TForm::resizeEvent(event);
    if (isVisible())
        app::runGuarded(QStringLiteral("FRM_Sky.FormResize"), [] { Sky::RedrawChart(); });
}

void TFRM_Sky::SetPanelText(int panel, const QString& text) { panels_[std::size_t(panel)]->setText(text); }

QString TFRM_Sky::PanelText(int panel) const { return panels_[std::size_t(panel)]->text(); }

void TFRM_Sky::FormKeyUp(int& key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Plus || key == Qt::Key_Equal) {
        if (Sky::ChartFieldWidth >= kTwoArcmin) {
            Sky::ChartFieldWidth *= 0.75;
            Sky::RedrawChart();
        }
    } else if (key == Qt::Key_Minus || key == Qt::Key_6) {
        if (Sky::ChartFieldWidth <= 2 * kPi / 3) {
            Sky::ChartFieldWidth = std::min(2 * kPi / 3, Sky::ChartFieldWidth * 1.5);
            Sky::RedrawChart();
        }
    }
}

void TFRM_Sky::WheelDelta(int delta)
{
    wheelRest_ += delta;
    while (wheelRest_ >= 120 || wheelRest_ <= -120) {
        int key = wheelRest_ > 0 ? int(Qt::Key_Plus) : int(Qt::Key_Minus);
        wheelRest_ += wheelRest_ > 0 ? -120 : 120;
        FormKeyUp(key, Qt::NoModifier);
    }
}

void TFRM_Sky::MNU_ZoomUpClick()
{
    int key = Qt::Key_Plus;
    FormKeyUp(key, Qt::NoModifier);
}

void TFRM_Sky::MNU_ZoomDownClick()
{
    int key = Qt::Key_Minus;
    FormKeyUp(key, Qt::NoModifier);
}

void TFRM_Sky::MNU_AffichageClick()
{
    if (!FRM_Pref)
        return;
    FRM_Pref->PGC_Preferences->setCurrentWidget(FRM_Pref->TBS_Carte);
    Systeme::ShowFormOnScreen(FRM_Pref);
}

void TFRM_Sky::openPicker(const QString& caption, int mode)
{
    if (FRM_Recherche)
        FRM_Recherche->Open(caption, mode);
}

void TFRM_Sky::MNU_Rechercher_Etoile_SAOClick() { openPicker(TranslatedTexts.MSG_Recherche_SAO, 21); }
void TFRM_Sky::MNU_Rechercher_Ciel_ProfondClick() { openPicker(TranslatedTexts.MSG_Recherche_CielProfond, 1); }
void TFRM_Sky::MNU_Rechercher_Etoile_PopClick() { openPicker(TranslatedTexts.MSG_Recherche_Etoile_Pop, 23); }
void TFRM_Sky::MNU_Rechercher_ConstellationClick() { openPicker(TranslatedTexts.MSG_Recherche_Constellation, 3); }

void TFRM_Sky::IMG_SkyMouseMove(int x, int y)
{
    const Sky::SkyPoint at = Sky::PixelToSky(Sky::LastScale, x, y);
    SetPanelText(1, TranslatedTexts.MSG_AD + QStringLiteral(":") + CalcHelpers::RAToStr(at.ra * kRadToArcsec));
    SetPanelText(2, TranslatedTexts.MSG_Dec + QStringLiteral(":") + CalcHelpers::DecToStr(at.dec * kRadToArcsec));
}

void TFRM_Sky::IMG_SkyMouseUp(Qt::MouseButton button, int x, int y)
{
    const Sky::ChartScale& scale = Sky::LastScale;
    Sky::SkyPoint at = Sky::PixelToSky(scale, x, y);
    at.ra -= 2 * kPi * std::trunc(at.ra / (2 * kPi));
    if (button == Qt::LeftButton) {
        Sky::ChartCentreRA = at.ra;
        Sky::ChartCentreDec = at.dec;
        Sky::RedrawChart();
        return;
    }
    ClickPixel = QPoint(x, y);
    ClickRA = at.ra;
    ClickDec = at.dec;
    const Sky::SkyPoint a = Sky::PixelToSky(scale, x - 10, y - 10);
    const Sky::SkyPoint b = Sky::PixelToSky(scale, x + 10, y + 10);
    const double raLow = std::min(a.ra, b.ra) * kRadToArcsec, raHigh = std::max(a.ra, b.ra) * kRadToArcsec;
    const double decLow = std::min(a.dec, b.dec) * kRadToArcsec, decHigh = std::max(a.dec, b.dec) * kRadToArcsec;
    const bool wraps = (raHigh - raLow) / kRadToArcsec > kPi / 8;
    auto inBox = [&](double ra, double dec) {
        if (dec < decLow || dec > decHigh)
            return false;
        if (wraps)
            return (ra >= 0 && ra <= raLow) || (ra >= raHigh && ra <= 1296000);
        return ra >= raLow && ra <= raHigh;
    };

    POPUP_SKY_ObjetMenu->clear();
    ChartObjectList.clear();
    auto separator = [](const char* caption) {
        TChartObjectEntry e;
        e.caption = QString::fromLatin1(caption);
        return e;
    };
    auto add = [&](TChartObjectEntry e, bool separator) {
        QAction* item = POPUP_SKY_ObjetMenu->addAction(e.caption);
        if (separator)
            item->setEnabled(false);
        else
            connect(item, &QAction::triggered, this, [this, item] {
                app::runGuarded(QStringLiteral("FRM_Sky.Sky_Items_Handler"), [&] { Sky_Items_Handler(item); });
            });
        ChartObjectList.push_back(std::move(e));
    };
    TChartObjectEntry cursor;
    cursor.caption = TranslatedTexts.POPUP_SKY_Cursor_Caption;
    cursor.ra = at.ra * kRadToArcsec;
    cursor.dec = at.dec * kRadToArcsec;
    add(cursor, false);
    add(separator("----------------------Etoiles-------------------------------"), true);
    for (const Sky::StarRecord& s : Sky::StarCatalogue) {
        if (ChartObjectCount() >= kStarEntriesEnd)
            break;
        if (!s.filled || !inBox(s.ra, s.dec))
            continue;
        TChartObjectEntry e;
        e.caption = QStringLiteral(" *  ");
        if (s.hasName())
            e.caption += latin(s.nameText()) + QStringLiteral(" / ");
        e.caption += QStringLiteral("SAO") + latin(s.saoText());
        if (s.magnitude < 99)
            e.caption += QStringLiteral(" (Mag.") + Sky::ShortNumber(s.magnitude) + QStringLiteral(")");
        e.type = QStringLiteral("** ");
        e.magnitude = s.magnitude;
        e.ra = s.ra;
        e.dec = s.dec;
        add(e, false);
    }
    add(separator("--------------------Ciel Profond----------------------------"), true);
    for (const Sky::DeepSkyRecord& d : Sky::DeepSkyCatalogue) {
        if (ChartObjectCount() >= kEntriesEnd)
            break;
        if (!inBox(d.ra, d.dec))
            continue;
        TChartObjectEntry e;
        e.caption = QString::fromStdString(d.type) + QStringLiteral(" ");
        if (!d.otherName.empty())
            e.caption += QString::fromStdString(d.otherName) + QStringLiteral(" / ");
        e.caption += QString::fromStdString(d.name);
        if (d.magnitude < 99)
            e.caption += QStringLiteral(" (Mag.") + Sky::ShortNumber(d.magnitude) + QStringLiteral(")");
        e.caption += QStringLiteral(" (") + Sky::ShortNumber(d.size1) + QStringLiteral("'");
        if (d.size2 != d.size1)
            e.caption += QStringLiteral("x") + Sky::ShortNumber(d.size2) + QStringLiteral("'");
        e.caption += QStringLiteral(") (") + QString::fromStdString(d.classText).trimmed() + QStringLiteral(")");
        e.type = QString::fromStdString(d.type);
        e.magnitude = d.magnitude;
        e.size1 = d.size1;
        e.size2 = d.size2;
        e.classText = QString::fromStdString(d.classText);
        e.ra = d.ra;
        e.dec = d.dec;
        add(e, false);
    }
}

void TFRM_Sky::Sky_Items_Handler(QAction* sender)
{
    const QString caption = sender->text();
    for (int i = 0; i < ChartObjectCount(); ++i) {
        const TChartObjectEntry& e = ChartObjectList[std::size_t(i)];
        if (e.caption != caption)
            continue;
        ChartObjectSelected = i + 1;
        if (FRM_ObjectAction)
            FRM_ObjectAction->ShowObject(e.caption, e.ra, e.dec);
        return;
    }
}
