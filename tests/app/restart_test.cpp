// What the settings file stores comes back in the windows after a restart:
// every control that a key of the settings table holds is changed, the
// program is closed and started again, and the controls are compared (not
// only the file).

#include "program_windows_fixture.h"

#include "app/controls/num_inp.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/systeme.h"
#include "platform/ini_document.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QRadioButton>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cmath>

namespace {

using Settings::KeyKind;
using Settings::KeySpec;

// Stored controls that are not back after a restart yet. The list only
// shrinks.
const QSet<QString>& NotYetRestored()
{
    static const QSet<QString> names = {
#include "restart_pending.inc"
    };
    return names;
}

QWidget* holder(const KeySpec& k)
{
    if (!k.window || !k.control || k.kind == KeyKind::Geometry)
        return nullptr;
    if (k.access != Settings::ReadWrite || (k.flags & (Settings::ProfileKey | Settings::SchemeKey)))
        return nullptr;
    if (k.writeWindow || k.writeControl)
        return nullptr;
    if (k.kind == KeyKind::Choice)
        return Settings::FindWindow(QString::fromLatin1(k.window));
    QWidget* w = Settings::FindWindow(QString::fromLatin1(k.window));
    return w ? w->findChild<QWidget*>(QString::fromLatin1(k.control)) : nullptr;
}

// The checked option of a choice.
QString chosen(QWidget* window, const KeySpec& k)
{
    for (const Settings::ChoiceOption& o : k.choice->options)
        if (auto* b = window->findChild<QAbstractButton*>(QString::fromLatin1(o.control)); b && b->isChecked())
            return QString::fromLatin1(o.control);
    return {};
}

QString shown(QWidget* c, const KeySpec& k)
{
    if (k.kind == KeyKind::Choice)
        return chosen(c, k);
    if (k.kind == KeyKind::ComboText || k.kind == KeyKind::ComboTextIndex)
        if (auto* b = qobject_cast<QComboBox*>(c))
            return b->currentText();
    if (auto* n = qobject_cast<TCustomNumInp*>(c))
        return QString::number(double(n->Value()), 'g', 12);
    if (auto* b = qobject_cast<QAbstractButton*>(c))
        return b->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* e = qobject_cast<QLineEdit*>(c))
        return e->text();
    if (auto* s = qobject_cast<QSpinBox*>(c))
        return QString::number(s->value());
    if (auto* s = qobject_cast<QAbstractSlider*>(c))
        return QString::number(s->value());
    if (auto* b = qobject_cast<QComboBox*>(c))
        return QString::number(b->currentIndex()) + QLatin1Char(':') + b->currentText();
    return {};
}

// A value other than the one in place, inside the control's range.
void change(QWidget* c, const KeySpec& k)
{
    if (k.kind == KeyKind::Choice) {
        const QString now = chosen(c, k);
        for (const Settings::ChoiceOption& o : k.choice->options) {
            auto* b = c->findChild<QAbstractButton*>(QString::fromLatin1(o.control));
            if (b && b->isEnabled() && QString::fromLatin1(o.control) != now) {
                b->setChecked(true);
                return;
            }
        }
        return;
    }
    if (auto* n = qobject_cast<TCustomNumInp*>(c)) {
        const long double lo = std::max<long double>(n->Min(), -1000);
        const long double hi = std::min<long double>(n->Max(), 1000);
        long double v = std::floor((lo + hi) / 2) + 1;
        if (v == n->Value() || v > hi)
            v = lo;
        n->SetValue(v);
    } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
        if (b->isCheckable())
            b->setChecked(!b->isChecked());
    } else if (auto* e = qobject_cast<QLineEdit*>(c)) {
        if (k.kind != KeyKind::Folder)
            e->setText(e->text() + QStringLiteral("7"));
    } else if (auto* s = qobject_cast<QSpinBox*>(c)) {
        s->setValue(s->value() < s->maximum() ? s->value() + 1 : s->minimum());
    } else if (auto* s = qobject_cast<QAbstractSlider*>(c)) {
        s->setValue(s->value() < s->maximum() ? s->value() + 1 : s->minimum());
    } else if (auto* b = qobject_cast<QComboBox*>(c)) {
        if (b->count() > 1)
            b->setCurrentIndex((b->currentIndex() + 1) % b->count());
    }
}

} // namespace

TEST_F(ProgramWindows, WhatTheSettingsStoreComesBackInTheWindowsAfterARestart)
{
    // A screen on which the windows left open fit whole where they were.
    Systeme::SetScreenSizeProvider([] { return QSize(1600, 1000); });
    activate();
    QMap<QString, QString> before;
    for (const KeySpec& k : Settings::KeyTable()) {
        if (QWidget* c = holder(k))
            change(c, k);
    }
    for (const KeySpec& k : Settings::KeyTable()) {
        if (QWidget* c = holder(k))
            before[QString::fromLatin1(k.section) + QLatin1Char('/') + QString::fromLatin1(k.name)] = shown(c, k);
    }
    ASSERT_GT(before.size(), 100);
    // The windows the user left open, where they were; the chart among them.
    const QStringList open = {QStringLiteral("FRM_Tool_Images"), QStringLiteral("FRM_Tool_Mesures"),
                              QStringLiteral("FRM_Tool_Suivi"),  QStringLiteral("FRM_Detect_Mvt"),
                              QStringLiteral("FRM_Raquette"),    QStringLiteral("FRM_Sky"),
                              QStringLiteral("FRM_ObjectAction")};
    QMap<QString, QPoint> places;
    for (const QString& name : open) {
        QWidget* w = Settings::FindWindow(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        places[name] = QPoint(30 + 41 * int(places.size()), 40 + 29 * int(places.size()));
        Systeme::PlaceWindow(w, places[name]);
        w->show();
    }
    EXPECT_TRUE(FRM_Alv->close());

    Startup::DestroyWindows();
    Startup::CreateWindows();
    activate();
    QStringList lost;
    QStringList back;
    QMap<QString, QString> after;
    for (const KeySpec& k : Settings::KeyTable()) {
        if (QWidget* c = holder(k))
            after[QString::fromLatin1(k.section) + QLatin1Char('/') + QString::fromLatin1(k.name)] = shown(c, k);
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const QString now = after.value(it.key());
        if (now != it.value() && !NotYetRestored().contains(it.key()))
            lost << QStringLiteral("    QStringLiteral(\"") + it.key() + QStringLiteral("\"),  // ") + it.value() + QStringLiteral(" -> ") + now;
        if (now == it.value() && NotYetRestored().contains(it.key()))
            back << it.key();
    }
    for (auto it = places.cbegin(); it != places.cend(); ++it) {
        QWidget* w = Settings::FindWindow(it.key());
        ASSERT_NE(w, nullptr) << it.key().toStdString();
        EXPECT_TRUE(w->isVisible()) << it.key().toStdString();
        EXPECT_EQ(w->pos(), it.value()) << it.key().toStdString();
    }
    // The goto dialog came back a plain window, under the chart, which
    // stays on top.
    const QWidget* dialog = Settings::FindWindow(QStringLiteral("FRM_ObjectAction"));
    ASSERT_NE(dialog->windowHandle(), nullptr);
    EXPECT_EQ(dialog->windowHandle()->transientParent(), nullptr);
    EXPECT_TRUE(Systeme::KeptOnTop(Settings::FindWindow(QStringLiteral("FRM_Sky"))));
    EXPECT_TRUE(lost.isEmpty()) << "not back after a restart:\n" << lost.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(back.isEmpty()) << "back now, drop from the list: " << back.join(QStringLiteral(", ")).toStdString();
}

// A window shown only where the program put it, or never shown, takes its
// first place again at the next start, after any number of restarts; one
// the user moved comes back where they left it. A place the program gives a
// shown window is not the user's; a move the window manager makes, not
// asked by the program, is.
TEST_F(ProgramWindows, OnlyAPlaceTheUserChoseIsKeptForTheNextStart)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    activate();
    auto window = [](const char* name) { return Settings::FindWindow(QString::fromLatin1(name)); };
    auto showFramed = [](QWidget* w) {
        Systeme::ShowFormOnScreen(w);
        QTRY_VERIFY(!Systeme::BeingPlaced(w));
    };
    showFramed(window("FRM_Tool_Images"));
    showFramed(window("FRM_Tool_Affichage"));
    Systeme::PlaceWindow(window("FRM_Tool_Affichage"), QPoint(300, 200));
    QWidget* moved = window("FRM_Tool_Mesures");
    showFramed(moved);
    // As the window manager moves a window the user drags.
    moved->windowHandle()->setPosition(QPoint(500, 300));
    QTRY_VERIFY(Systeme::HasUserPlace(moved));
    const QPoint left = moved->pos();
    for (const char* name : {"FRM_Tool_Images", "FRM_Tool_Affichage", "FRM_Tool_Mesures"}) {
        EXPECT_EQ(Systeme::HasUserPlace(window(name)), window(name) == moved) << name;
        window(name)->hide();
    }
    for (int start = 2; start <= 3; ++start) {
        EXPECT_TRUE(FRM_Alv->close());
        Startup::DestroyWindows();
        Startup::CreateWindows();
        activate();
        for (const char* name : {"FRM_Tool_Images", "FRM_Tool_Affichage", "FRM_Pref", "FRM_Tool_Suivi"})
            EXPECT_TRUE(Systeme::WaitsForFirstPlace(window(name))) << name << ", start " << start;
        EXPECT_FALSE(Systeme::WaitsForFirstPlace(window("FRM_Tool_Mesures"))) << "start " << start;
        EXPECT_EQ(window("FRM_Tool_Mesures")->pos(), left) << "start " << start;
    }
}

// A choice among radio buttons comes back only when the file stores every
// button the user can pick: a stored group with one button left out loses
// that choice (the layout's default comes back instead).
TEST_F(ProgramWindows, EveryRadioButtonOfAStoredChoiceIsStored)
{
    activate();
    QSet<QAbstractButton*> stored;
    for (const KeySpec& k : Settings::KeyTable()) {
        if (!k.window || !k.readable() || k.kind == KeyKind::Geometry)
            continue;
        QWidget* w = Settings::FindWindow(QString::fromLatin1(k.window));
        if (!w)
            continue;
        if (k.kind == KeyKind::Choice) {
            for (const Settings::ChoiceOption& o : k.choice->options)
                if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(o.control)))
                    stored.insert(b);
        } else if (k.kind == KeyKind::Bool && k.control) {
            if (auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(k.control)))
                stored.insert(b);
        }
    }
    // The drift method follows the drift the user defines in the session
    // (its speeds are not stored): a start comes back to the stored method.
    const QSet<QString> sessionOnly = {QStringLiteral("FRM_Tool_Suivi.RDB_Derive")};
    QStringList missing;
    for (QAbstractButton* b : std::as_const(stored)) {
        if (!qobject_cast<QRadioButton*>(b))
            continue;
        QList<QAbstractButton*> group;
        if (b->group())
            group = b->group()->buttons();
        else if (b->autoExclusive() && b->parentWidget())
            for (QRadioButton* r : b->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
                if (r->autoExclusive())
                    group << r;
        for (QAbstractButton* other : std::as_const(group))
            if (!stored.contains(other) && other->isEnabled())
                missing << other->window()->objectName() + QLatin1Char('.') + other->objectName();
    for (const QString& name : sessionOnly)
        missing.removeAll(name);
    }
    missing.removeDuplicates();
    missing.sort();
    EXPECT_TRUE(missing.isEmpty()) << "picked, then lost at the next start: " << missing.join(QStringLiteral(", ")).toStdString();
}

namespace {

// The settings of the program in `dir` left as `left` says ("GOTO/key=value"),
// as a user leaves them; the program started there and closed through its
// close path, as its close box closes it; then what it saved of the hand
// pad: catalogue, number, six coordinates, and the goto destination.
std::string restartWith(const QString& dir, const QStringList& left)
{
    const QString file = dir + QStringLiteral("/NightjarPro.ini");
    platform::IniDocument doc;
    if (!left.isEmpty()) {
        EXPECT_TRUE(doc.load(file));
        for (const QString& e : left)
            doc.writeString(e.section(u'/', 0, 0), e.section(u'/', 1).section(u'=', 0, 0), e.section(u'=', 1));
        EXPECT_TRUE(doc.save());
    }
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("NIGHTJARPRO_CLOSE_AFTER_START"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(NJ_EXECUTABLE), {});
    if (!p.waitForFinished(60000))
        p.kill();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_TRUE(doc.load(file));
    QStringList pad;
    for (const char* key : {"GOTO/Raquette_Catalogue", "GOTO/Raquette_Numero", "GOTO/Raquette_RaH", "GOTO/Raquette_RaM",
                            "GOTO/Raquette_RaS", "GOTO/Raquette_DecD", "GOTO/Raquette_DecM", "GOTO/Raquette_DecS",
                            "Carte/Destination_Ra", "Carte/Destination_Dec"})
        pad << doc.readString(QString::fromLatin1(key).section(u'/', 0, 0), QString::fromLatin1(key).section(u'/', 1),
                              QStringLiteral("?"));
    return pad.join(u'|').toStdString();
}

} // namespace

// The hand pad keeps what the user left on it when the program is closed
// and started again, a catalogue with its number or typed coordinates,
// whatever destination the goto dialog stores beside it; a fresh folder
// starts on "Messier".
TEST(ProgramRestart, TheHandPadKeepsItsCatalogueAndNumberOrItsTypedCoordinates)
{
    QTemporaryDir programDir;
    const QString dir = programDir.path();
    EXPECT_EQ(restartWith(dir, {}), "1||0|0|0|0|0|0|0|0");
    // Messier 31, and the destination 5h35m18s -5°23' in the goto dialog.
    EXPECT_EQ(restartWith(dir, {"GOTO/Raquette_Numero=31", "Carte/Destination_Ra=301770000",
                                "Carte/Destination_Dec=-19380000"}),
              "1|31|0|0|0|0|0|0|301770000|-19380000");
    EXPECT_EQ(restartWith(dir, {"GOTO/Raquette_Catalogue=8", "GOTO/Raquette_RaH=12", "GOTO/Raquette_RaM=34",
                                "GOTO/Raquette_RaS=56500", "GOTO/Raquette_DecD=-20"}),
              "8|31|12|34|56500|-20|0|0|301770000|-19380000");
}
