// The main window at its own size (800 x 600) and on a large screen: every
// caption of the tool-bar column's pages and page headers reads whole, the
// status bar shows its buttons and texts whole, every tool-bar button shows a
// caption or a picture, and the image area takes what is left and scrolls.
// The expert tool bars: rows of pictures across the window's top, each
// picture its own, hints from the language file, every button in reach and
// answering clicks, by day and in night mode. The buttons of a state
// (stacking, the filter, guiding...) show it, lit while it is on, or the
// user's glyph files where the icons folder holds them.

#include "program_windows_fixture.h"

#include "app/controls/page_control.h"
#include "app/controls/word_wrap_button.h"
#include "app/frm_btnpref.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/settings.h"
#include "support/user_input.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "translation/language_file.h"
#include "translation/translation_table.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionTab>
#include <QToolButton>
#include <QWheelEvent>

#include <functional>
#include <map>
#include <set>

namespace {

constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
}

QRect inArea(const QWidget* w)
{
    return QRect(w->mapTo(FRM_Alv->centralWidget(), QPoint(0, 0)), w->size());
}

// Whether no container between the control and the window cuts it.
bool shownWhole(const QWidget* w)
{
    const QRect r(w->mapTo(FRM_Alv, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (!QRect(p->mapTo(FRM_Alv, QPoint(0, 0)), p->size()).contains(r))
            return false;
    return true;
}

// The captioned controls under `root` that the user sees, each with what is
// wrong with it: a caption wider or taller than the room it is drawn in, or
// a control cut by the window's edge.
QStringList captionFaults(QWidget* root)
{
    QStringList faults;
    const auto fault = [&](const QWidget* w, const QString& text, const QString& why) {
        faults << w->objectName() + QStringLiteral(" \"") + text + QStringLiteral("\": ") + why;
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(FRM_Alv))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        QString text;
        if (auto* wrap = qobject_cast<TWordWrapButton*>(w); wrap && wrap->icon().isNull()) {
            text = wrap->text();
            const QRect room = wrap->CaptionRect();
            if (!room.contains(fm.boundingRect(room, kTextFlags, text)))
                fault(w, text, QStringLiteral("does not fit %1 x %2").arg(room.width()).arg(room.height()));
        } else if (auto* b = qobject_cast<QToolButton*>(w);
                   b && b->toolButtonStyle() != Qt::ToolButtonIconOnly && b->icon().isNull()) {
            text = b->text();
            const int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
            const QRect room = b->rect().adjusted(frame, frame, -frame, -frame);
            if (fm.horizontalAdvance(text) > room.width() || fm.height() > room.height())
                fault(w, text, QStringLiteral("does not fit %1 x %2").arg(room.width()).arg(room.height()));
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            if (fm.horizontalAdvance(text) > l->contentsRect().width() || fm.height() > l->contentsRect().height())
                fault(w, text, QStringLiteral("wider or taller than the label"));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
            if (fm.horizontalAdvance(text) + 2 * fm.horizontalAdvance(u' ') > g->width())
                fault(w, text, QStringLiteral("wider than the box"));
        }
        if (!text.isEmpty() && !shownWhole(w))
            fault(w, text, QStringLiteral("cut by the edge of its page or of the window"));
    }
    return faults;
}

// The page headers: each on the bar, wide enough for its caption, none
// behind scroll arrows.
QStringList headerFaults(TPageControl* pages)
{
    QStringList faults;
    TTabRowsBar* bar = pages->RowsBar();
    if (!pages->rect().contains(bar->geometry()))
        faults << QStringLiteral("the headers go past the page control");
    for (QToolButton* arrow : bar->findChildren<QToolButton*>())
        if (arrow->isVisibleTo(bar))
            faults << QStringLiteral("a scroll arrow shows");
    for (int i = 0; i < pages->count(); ++i) {
        QStyleOptionTab opt;
        opt.initFrom(bar);
        opt.shape = bar->shape();
        opt.text = pages->tabText(i);
        opt.rect = bar->RowTabRect(i);
        const QRect room = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &opt, bar);
        if (opt.rect.isEmpty() || !bar->rect().contains(opt.rect))
            faults << opt.text + QStringLiteral(": header not on the bar");
        else if (bar->fontMetrics().horizontalAdvance(opt.text) > room.width())
            faults << opt.text + QStringLiteral(": caption wider than its header");
    }
    return faults;
}

// The status bar: as tall as its buttons and texts, each of them whole,
// right of the image tabs and above the tool-bar column.
QStringList statusFaults()
{
    QStringList faults;
    QWidget* status = FRM_Alv->TLB_Status;
    if (status->height() < status->sizeHint().height())
        faults << QStringLiteral("status bar %1 px tall, needs %2").arg(status->height()).arg(status->sizeHint().height());
    for (QWidget* w : status->findChildren<QWidget*>())
        if (w->isVisibleTo(status) && !status->rect().contains(w->geometry()))
            faults << w->objectName() + QStringLiteral(" cut by the status bar's edge");
    const QRect bar = inArea(status);
    if (!FRM_Alv->centralWidget()->rect().contains(bar))
        faults << QStringLiteral("status bar cut by the window's edge");
    if (bar.intersects(inArea(FRM_Alv->PGC_Main->tabBar())))
        faults << QStringLiteral("status bar over the image tabs");
    for (QWidget* panel : {FRM_Alv->PNL_Toolbar_Beginner, FRM_Alv->PNL_Toolbar_Expert})
        if (panel->isVisibleTo(FRM_Alv) && bar.intersects(inArea(panel)))
            faults << QStringLiteral("status bar over the tool-bar column");
    return faults + captionFaults(status);
}

// Every page of the beginner tool bar in turn, its headers and the status bar.
QStringList beginnerFaults()
{
    QStringList faults;
    TPageControl* pages = FRM_Alv->PGC_Control;
    const int current = pages->currentIndex();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        settle();
        for (const QString& f : captionFaults(pages->widget(i)))
            faults << pages->tabText(i) + QStringLiteral(": ") + f;
    }
    pages->setCurrentIndex(current);
    return faults + headerFaults(pages) + statusFaults();
}

std::string listed(const QStringList& faults)
{
    return faults.join(QLatin1Char('\n')).toStdString();
}

// The expert tool bars' buttons, in their order.
QList<QToolButton*> expertButtons()
{
    QList<QToolButton*> buttons;
    for (QWidget* bar : {FRM_Alv->ToolBar1, FRM_Alv->ToolBar2})
        buttons += bar->findChildren<QToolButton*>();
    return buttons;
}

bool isFunctionButton(const QToolButton* b)
{
    return b->property("Tag").toInt() > 0;
}

QImage pictureOf(const QToolButton* b, QIcon::Mode mode = QIcon::Normal)
{
    return b->icon().pixmap(16, 16, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The hint the language file gives a button of the main window, its French
// default when the file has none.
QString hintFor(const QToolButton* b, const Translation::LanguageFile& file)
{
    for (const Translation::TranslationEntry& e : Translation::TranslationTable())
        if (e.target == Translation::TextTarget::Hint && e.windowName() == QLatin1String("FRM_Alv")
            && e.componentName().compare(b->objectName(), Qt::CaseInsensitive) == 0)
            return file.read(e.key, e.defaultText());
    return QStringLiteral("(no key)");
}

// What is wrong with the expert tool bars as shown: a button with a
// caption (other than a function button's number), without a picture,
// drawn like another one, with another hint than the language file's, not
// whole in the window or over another control.
QStringList expertFaults(const QString& language)
{
    QStringList faults;
    const Translation::LanguageFile file(
        QStringLiteral(NJ_SOURCE_DIR "/resources/programdir/Lang_") + language + QStringLiteral(".ini"), language);
    std::map<QByteArray, QString> drawn;
    QWidget* area = FRM_Alv->centralWidget();
    QList<QWidget*> controls;
    for (QToolButton* b : expertButtons()) {
        const QString name = b->objectName();
        if (isFunctionButton(b)) {
            if (b->text() != b->property("Tag").toString())
                faults << name + QStringLiteral(": caption \"") + b->text() + QStringLiteral("\"");
            else if (b->fontMetrics().horizontalAdvance(b->text()) > b->width() - 4)
                faults << name + QStringLiteral(": its number is wider than the button");
        } else {
            if (!b->text().isEmpty())
                faults << name + QStringLiteral(": caption \"") + b->text() + QStringLiteral("\"");
            if (b->icon().isNull()) {
                faults << name + QStringLiteral(": no picture");
            } else {
                const QImage picture = pictureOf(b);
                const QByteArray bytes(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes());
                if (auto [it, fresh] = drawn.emplace(bytes, name); !fresh)
                    faults << name + QStringLiteral(": drawn like ") + it->second;
            }
            if (const QString hint = hintFor(b, file); b->toolTip() != hint || hint.isEmpty())
                faults << name + QStringLiteral(": hint \"") + b->toolTip() + QStringLiteral("\", the file's \"") + hint
                              + QStringLiteral("\"");
        }
        controls << b;
    }
    controls << FRM_Alv->CBX_ScriptCollection;
    for (QWidget* w : controls) {
        const QRect r = inArea(w);
        if (!w->isVisibleTo(FRM_Alv) || !area->rect().contains(r) || !shownWhole(w))
            faults << w->objectName() + QStringLiteral(": not whole in the window");
        for (QWidget* other : controls)
            if (other != w && r.intersects(inArea(other)))
                faults << w->objectName() + QStringLiteral(" over ") + other->objectName();
        if (r.intersects(inArea(FRM_Alv->TLB_Status)) || r.intersects(inArea(FRM_Alv->SBX_Images)))
            faults << w->objectName() + QStringLiteral(" over the status bar or the image area");
    }
    return faults;
}

// The share of a picture's pixels that `counts`.
double share(const QImage& picture, const std::function<bool(QRgb)>& counts)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            n += counts(picture.pixel(x, y));
    return double(n) / (picture.width() * picture.height());
}

// Whether a picture has colours outside the night scheme's reds.
bool outsideNightColours(const QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (const QColor c = QColor::fromRgba(picture.pixel(x, y)); c.alpha() && (c.green() || c.blue()))
                return true;
    return false;
}

// The tops of the rows a tool bar's buttons stand on.
std::set<int> rowsOf(QWidget* bar)
{
    std::set<int> rows;
    for (QWidget* w : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(bar))
            rows.insert(w->y());
    return rows;
}

} // namespace

class MainWindowLayout : public ProgramWindows {
protected:
    // Started in French with the shipped language files, shown at `size`.
    void startAt(QSize size)
    {
        dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
        dir.writeFile(Settings::kSettingsFileName, "[Prefs]\r\nLangue=1\r\n");
        activate();
        ASSERT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("Francais"));
        FRM_Alv->show();
        FRM_Alv->resize(size);
        settle();
    }

    void chooseLanguage(int index)
    {
        FRM_Pref->CBX_Langue->setCurrentIndex(index);
        FRM_Pref->CBX_LangueChange();
        settle();
    }
};

TEST_F(MainWindowLayout, AtItsOwnSizeEveryCaptionOfTheToolBarsAndTheStatusBarReadsWhole)
{
    startAt(QSize(800, 600));
    ASSERT_EQ(FRM_Alv->size(), QSize(800, 600));
    QStringList faults = beginnerFaults();
    EXPECT_TRUE(faults.isEmpty()) << "in French:\n" << listed(faults);

    // Captions of another length after a language switch lay the column out
    // again.
    chooseLanguage(0);
    ASSERT_NE(FRM_Alv->PGC_Control->tabText(0), QStringLiteral("Lecture Fichiers"));
    faults = beginnerFaults();
    EXPECT_TRUE(faults.isEmpty()) << "in English:\n" << listed(faults);
    chooseLanguage(1);

    // A longer operation name widens the status bar.
    FRM_Alv->PNL_Action->setText(QStringLiteral("Err.Periodique"));
    settle();
    faults = statusFaults();
    EXPECT_TRUE(faults.isEmpty()) << "with an operation armed:\n" << listed(faults);

    // The expert tool bars, in the same column.
    FRM_Pref->RDB_WM_Expert->setChecked(true);
    FRM_Pref->RDB_WM_ExpertClick();
    settle();
    ASSERT_TRUE(FRM_Alv->PNL_Toolbar_Expert->isVisible());
    faults = captionFaults(FRM_Alv->PNL_Toolbar_Expert) + statusFaults();
    EXPECT_TRUE(faults.isEmpty()) << "expert tool bars:\n" << listed(faults);
    chooseLanguage(0);
    faults = captionFaults(FRM_Alv->PNL_Toolbar_Expert) + statusFaults();
    EXPECT_TRUE(faults.isEmpty()) << "expert tool bars in English:\n" << listed(faults);

    // No tool-bar button is blank: each has a caption or a picture.
    for (QWidget* bar : {FRM_Alv->PNL_Toolbar_Beginner, FRM_Alv->PNL_Toolbar_Expert, FRM_Alv->TLB_Status})
        for (QToolButton* b : bar->findChildren<QToolButton*>())
            if (!qobject_cast<TTabRowsBar*>(b->parentWidget())) {
                EXPECT_TRUE(!b->text().isEmpty() || !b->icon().isNull()) << b->objectName().toStdString();
            }
}

TEST_F(MainWindowLayout, PageHeadersInRowsAnswerClicksOnEveryRow)
{
    startAt(QSize(800, 600));
    TTabRowsBar* bar = FRM_Alv->PGC_Control->RowsBar();
    ASSERT_GT(bar->RowCount(), 1);
    EXPECT_EQ(bar->height(), bar->RowsHeight(bar->width()));
    const int last = FRM_Alv->PGC_Control->count() - 1;
    for (int page : {last, 1, 0}) {
        const QPointF at = bar->RowTabRect(page).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        EXPECT_EQ(FRM_Alv->PGC_Control->currentIndex(), page);
    }
    // Headers keep their page order, row after row.
    for (int i = 1; i <= last; ++i) {
        const QRect a = bar->RowTabRect(i - 1);
        const QRect b = bar->RowTabRect(i);
        EXPECT_TRUE(b.top() > a.top() || (b.top() == a.top() && b.left() > a.left())) << i;
    }
}

TEST_F(MainWindowLayout, ImageAreaTakesWhatTheColumnLeavesAndScrollsButTheWheelSizesTheZone)
{
    startAt(QSize(800, 600));
    QWidget* area = FRM_Alv->centralWidget();
    const QRect images = FRM_Alv->SBX_Images->geometry();
    const QRect column = FRM_Alv->PNL_Toolbar_Beginner->geometry();
    EXPECT_EQ(images.topLeft(), QPoint(0, 0));
    EXPECT_LT(images.right(), column.left());
    EXPECT_LE(column.left() - images.right(), 4);
    EXPECT_GE(images.bottom(), area->height() - 4);
    EXPECT_GT(images.width(), area->width() / 2);

    // A picture larger than the area scrolls.
    FRM_Alv->Image1->resize(1280, 960);
    settle();
    EXPECT_GT(FRM_Alv->SBX_Images->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(FRM_Alv->SBX_Images->verticalScrollBar()->maximum(), 0);

    // The wheel over the image area still sizes the display zone.
    QScrollBar* zone = FRM_Tool_Affichage->SCB_Taille_ZAffich;
    zone->setValue((zone->minimum() + zone->maximum()) / 2);
    const int before = zone->value();
    QWidget* viewport = FRM_Alv->SBX_Images->viewport();
    QWheelEvent wheel(QPointF(20, 20), viewport->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(zone->value(), before + 10);
    EXPECT_EQ(FRM_Alv->SBX_Images->verticalScrollBar()->value(), 0);
}

TEST_F(MainWindowLayout, OnALargeScreenEveryCaptionTakesOneLine)
{
    startAt(QSize(1920, 1040));
    const QStringList faults = beginnerFaults();
    EXPECT_TRUE(faults.isEmpty()) << listed(faults);
    TPageControl* pages = FRM_Alv->PGC_Control;
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        settle();
        for (TWordWrapButton* b : pages->widget(i)->findChildren<TWordWrapButton*>())
            if (b->isVisibleTo(FRM_Alv)) {
                EXPECT_EQ(b->height(), b->QToolButton::sizeHint().height()) << b->objectName().toStdString();
            }
    }
    EXPECT_GT(FRM_Alv->SBX_Images->width(), 1920 / 2);
}

TEST_F(MainWindowLayout, TheExpertToolBarsShowRowsOfPicturesWithTheLanguageFilesHintsAndEveryButtonInReach)
{
    startAt(QSize(800, 600));
    // Préférences > Général > Expert.
    testsupport::click(FRM_Pref->RDB_WM_Expert);
    FRM_Pref->hide();
    settle();
    ASSERT_TRUE(FRM_Alv->PNL_Toolbar_Expert->isVisible());
    ASSERT_FALSE(FRM_Alv->PNL_Toolbar_Beginner->isVisible());
    QStringList faults = expertFaults(QStringLiteral("Francais")) + statusFaults();
    EXPECT_TRUE(faults.isEmpty()) << "in French:\n" << listed(faults);
    // The camera buttons and the window buttons are all there, in rows
    // across the top; the image area takes the whole width below them.
    EXPECT_EQ(expertButtons().size(), 66);
    const QRect bars = inArea(FRM_Alv->PNL_Toolbar_Expert);
    const QRect images = inArea(FRM_Alv->SBX_Images);
    EXPECT_EQ(bars.top(), 0);
    EXPECT_GT(images.top(), bars.bottom());
    EXPECT_EQ(images.width(), FRM_Alv->centralWidget()->width());
    EXPECT_GE(images.height(), FRM_Alv->centralWidget()->height() * 3 / 4);
    EXPECT_LE(rowsOf(FRM_Alv->ToolBar1).size() + rowsOf(FRM_Alv->ToolBar2).size(), 3u);
    // The script editor's picture is the same in the button properties.
    EXPECT_TRUE(FRM_BTNPref->SPDB_Scripts->text().isEmpty());
    EXPECT_EQ(pictureOf(FRM_BTNPref->SPDB_Scripts), pictureOf(FRM_Alv->SPDB_Scripts));

    // The language switched at run time: the other file's hints, still no
    // captions.
    chooseLanguage(0);
    faults = expertFaults(QStringLiteral("English")) + statusFaults();
    EXPECT_TRUE(faults.isEmpty()) << "in English:\n" << listed(faults);

    // On a wider screen each tool bar takes one row.
    for (const QSize size : {QSize(1024, 740), QSize(1920, 1040)}) {
        FRM_Alv->resize(size);
        settle();
        EXPECT_EQ(rowsOf(FRM_Alv->ToolBar1).size(), 1u) << size.width();
        EXPECT_EQ(rowsOf(FRM_Alv->ToolBar2).size(), 1u) << size.width();
        faults = expertFaults(QStringLiteral("English"));
        EXPECT_TRUE(faults.isEmpty()) << size.width() << ":\n" << listed(faults);
    }
    FRM_Alv->resize(800, 600);
    settle();

    // Clicks on the pictures run their commands; the window buttons spring
    // back.
    testsupport::RecordingDialogService dialogs;
    FRM_Tool_Mesures->hide();
    QTest::mouseClick(FRM_Alv->SPDB_Distances, Qt::LeftButton);
    EXPECT_TRUE(FRM_Tool_Mesures->isVisible());
    EXPECT_EQ(FRM_Tool_Mesures->PGC_Mesures->currentWidget(), FRM_Tool_Mesures->TBS_Distances);
    EXPECT_FALSE(FRM_Alv->SPDB_Distances->isChecked());
    QTest::mouseClick(FRM_Alv->SPDB_Seuils, Qt::LeftButton);
    EXPECT_TRUE(FRM_Tool_Images->isVisible());
    EXPECT_EQ(FRM_Tool_Images->PGC_Images->currentWidget(), FRM_Tool_Images->TBS_Seuils);
    dialogs.saveAnswers = {std::nullopt};
    QTest::mouseClick(FRM_Alv->SPDB_Enregistrer, Qt::LeftButton);
    EXPECT_EQ(dialogs.requests.size(), 1u);

    // A button held down shows it, by day and at night.
    QToolButton* stream = FRM_Alv->SPDB_Cam1_Stream;
    stream->setEnabled(true);
    const auto downShows = [stream] {
        stream->setChecked(false);
        const QImage up = stream->grab().toImage();
        stream->setChecked(true);
        const QImage down = stream->grab().toImage();
        stream->setChecked(false);
        return up != down;
    };
    EXPECT_TRUE(downShows()) << "by day";

    // Night mode: the pictures in the scheme's red only, full red on the
    // enabled ones, and told apart as by day.
    QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
    ASSERT_TRUE(NightColors::NightModeOn());
    EXPECT_TRUE(downShows()) << "at night";
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    ASSERT_EQ(ink, QColor(255, 0, 0));
    for (QToolButton* b : expertButtons() + QList<QToolButton*>{FRM_Alv->SPDB_Nite, FRM_Alv->SPDB_Abort}) {
        if (b->icon().isNull())
            continue;
        const QImage picture = pictureOf(b);
        int full = 0;
        bool ownColour = false;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = QColor::fromRgba(picture.pixel(x, y));
                if (c.alpha() == 0)
                    continue;
                ownColour |= c.green() != 0 || c.blue() != 0;
                full += c == QColor(255, 0, 0);
            }
        EXPECT_FALSE(ownColour) << b->objectName().toStdString();
        EXPECT_GE(full, 6) << b->objectName().toStdString();
    }
    faults = expertFaults(QStringLiteral("English"));
    EXPECT_TRUE(faults.isEmpty()) << "at night:\n" << listed(faults);
    QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
    EXPECT_FALSE(NightColors::NightModeOn());
}

TEST_F(MainWindowLayout, TheStateButtonsOfTheExpertToolBarsShowTheirStateLitByDayAndAtNight)
{
    startAt(QSize(800, 600));
    testsupport::click(FRM_Pref->RDB_WM_Expert);
    FRM_Pref->hide();
    settle();
    ASSERT_TRUE(FRM_Alv->PNL_Toolbar_Expert->isVisible());
    // A newcomer's icons folder holds no glyph files.
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("Icons"))).entryList({QStringLiteral("*.bmp")}).isEmpty());
    TFRM_Tool_Images* t = FRM_Tool_Images;
    TFRM_Tool_Affichage* a = FRM_Tool_Affichage;
    // Focusing by contrast leaves guiding as it is.
    testsupport::click(a->RDB_Methode_DCT);

    // Each state switched with the user's click on its box (the dark: on
    // the threshold bar's arrows); a running camera would enable the boxes
    // of stacking and focusing.
    const auto box = [](QAbstractButton* b) {
        return [b](bool on) {
            b->setEnabled(true);
            if (b->isChecked() != on)
                testsupport::click(b);
            EXPECT_EQ(b->isChecked(), on) << b->objectName().toStdString();
        };
    };
    const auto darkThreshold = [t](bool on) {
        testsupport::clickScrollBar(t->SCB_Seuil_dark, on ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine);
        EXPECT_EQ(t->SCB_Seuil_dark->value() < 100, on);
    };
    const std::pair<QToolButton*, std::function<void(bool)>> states[] = {
        {FRM_Alv->SPDB_Integration, box(t->CKB_Integration)}, {FRM_Alv->SPDB_Select, box(t->CKB_Selection)},
        {FRM_Alv->SPDB_Dark, darkThreshold},                   {FRM_Alv->SPDB_Flat, box(t->CKB_Active_Flat)},
        {FRM_Alv->SPDB_Filtres, box(t->CKB_Filtre)},           {FRM_Alv->SPDB_Merlans, box(t->CKB_Merlan_Auto)},
        {FRM_Alv->SPDB_Autoguidage, box(FRM_Tool_Suivi->CKB_Suivi)}, {FRM_Alv->SPDB_Focus, box(a->CKB_MAP)},
    };
    // On, the picture is lit: a block the size of the button's picture;
    // off, the plain picture again, not mostly of the block's colour. At
    // night both in the scheme's reds.
    const auto faults = [&states] {
        QStringList faults;
        for (const auto& [button, set] : states) {
            const QString name = button->objectName();
            const QImage plain = pictureOf(button);
            set(true);
            const QImage lit = pictureOf(button);
            const QRgb block = lit.pixel(0, 8);
            if (lit == plain)
                faults << name + QStringLiteral(": the same on as off");
            else if (share(lit, [](QRgb c) { return qAlpha(c) > 0; }) < 0.9)
                faults << name + QStringLiteral(": not lit while on");
            else if (share(plain, [block](QRgb c) { return c == block; }) > 0.4)
                faults << name + QStringLiteral(": looks lit while off");
            if (NightColors::NightModeOn() && outsideNightColours(lit))
                faults << name + QStringLiteral(": lit in colours of its own at night");
            set(false);
            if (pictureOf(button) != plain)
                faults << name + QStringLiteral(": not its plain picture once off");
        }
        return faults;
    };
    QStringList found = faults();
    EXPECT_TRUE(found.isEmpty()) << "by day:\n" << listed(found);
    states[6].second(true);
    const QImage litByDay = pictureOf(FRM_Alv->SPDB_Autoguidage);
    states[6].second(false);
    // The beginner's twins keep their captions.
    EXPECT_TRUE(FRM_Alv->SPDB_Filtres_B->icon().isNull());
    EXPECT_TRUE(FRM_Alv->SPDB_Merlans_B->icon().isNull());
    QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
    ASSERT_TRUE(NightColors::NightModeOn());
    found = faults();
    EXPECT_TRUE(found.isEmpty()) << "at night:\n" << listed(found);
    // A state on when night mode ends shows lit in the day's colours again.
    states[6].second(true);
    QTest::mouseClick(FRM_Alv->SPDB_Nite, Qt::LeftButton);
    ASSERT_FALSE(NightColors::NightModeOn());
    EXPECT_TRUE(pictureOf(FRM_Alv->SPDB_Autoguidage) == litByDay);
    states[6].second(false);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();

    // The glyph files of the icons folder chosen in the Preferences win:
    // the "on" file while on, and with no "off" file the plain picture once
    // off. The filter's come from the program's "Icons" folder; its beginner
    // twin shows them too, and its caption again without them.
    QImage green(16, 16, QImage::Format_RGB32);
    green.fill(Qt::green);
    QDir().mkpath(dir.filePath(QStringLiteral("Glyphs")));
    QDir().mkpath(dir.filePath(QStringLiteral("Icons")));
    ASSERT_TRUE(green.save(dir.filePath(QStringLiteral("Glyphs/autoguidage_I.bmp")), "BMP"));
    ASSERT_TRUE(green.save(dir.filePath(QStringLiteral("Glyphs/Integration_I.bmp")), "BMP"));
    ASSERT_TRUE(green.save(dir.filePath(QStringLiteral("Icons/Sharpen_I.bmp")), "BMP"));
    FRM_Pref->show();
    testsupport::typeInto(FRM_Pref->EDT_Repertoire_Icones, dir.filePath(QStringLiteral("Glyphs")) + u'/');
    FRM_Pref->hide();
    for (int state : {0, 4, 6}) {
        QToolButton* button = states[state].first;
        const QImage plain = pictureOf(button);
        states[state].second(true);
        EXPECT_EQ(QColor(pictureOf(button).pixel(8, 8)), QColor(Qt::green)) << button->objectName().toStdString();
        if (button == FRM_Alv->SPDB_Filtres) {
            EXPECT_FALSE(FRM_Alv->SPDB_Filtres_B->icon().isNull());
        }
        states[state].second(false);
        EXPECT_TRUE(pictureOf(button) == plain) << button->objectName().toStdString();
    }
    EXPECT_TRUE(FRM_Alv->SPDB_Filtres_B->icon().isNull());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.texts().join(u'|').toStdString();
}
