#include "app/settings/key_engine.h"

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/image_view.h"
#include "app/settings.h"
#include "app/settings/key_codec.h"
#include "app/ui/window_first_place.h"
#include "app/ui/window_front.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QHash>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace Settings {
namespace {

// ---- Variables

struct Variable {
    const char* name;
    enum class Type { Int32, Real, Text, Flag, Getter } type;
    std::int32_t* i32 = nullptr;
    double* f64 = nullptr;
    QString* text = nullptr;
    bool* flag = nullptr;
    int (*get)() = nullptr;
};

int sourceImageWidth()
{
    return FRM_Alv && FRM_Alv->Image1 ? FRM_Alv->Image1->Picture().width() : 0;
}

int sourceImageHeight()
{
    return FRM_Alv && FRM_Alv->Image1 ? FRM_Alv->Image1->Picture().height() : 0;
}

const std::vector<Variable>& variables()
{
    using T = Variable::Type;
    static const std::vector<Variable> vars = {
        {"LastVideoWidth", T::Int32, &LastVideoWidth},
        {"LastVideoHeight", T::Int32, &LastVideoHeight},
        {"LastSampling", T::Real, nullptr, &LastSampling},
        {"VestaPortIndex", T::Int32, &VestaPortIndex},
        {"VestaSerialPortIndex", T::Int32, &VestaSerialPortIndex},
        {"GuidePortParity", T::Int32, &GuidePortParity},
        {"FocusPortParity", T::Int32, &FocusPortParity},
        {"SavedZoneSize", T::Int32, &SavedZoneSize},
        {"LastOpenDir", T::Text, nullptr, nullptr, &LastOpenDir},
        {"PermanentDisplay", T::Flag, nullptr, nullptr, nullptr, &PermanentDisplay},
        {"CameraSlots[1].driverIndex", T::Int32, &CameraSlots[1].driverIndex},
        {"CameraSlots[2].driverIndex", T::Int32, &CameraSlots[2].driverIndex},
        {"GotoCurrentRA", T::Real, nullptr, &Sky::GotoCurrentRA},
        {"GotoCurrentDec", T::Real, nullptr, &Sky::GotoCurrentDec},
        {"GotoDestinationRA", T::Real, nullptr, &Sky::GotoDestinationRA},
        {"GotoDestinationDec", T::Real, nullptr, &Sky::GotoDestinationDec},
        {"GotoOriginRA", T::Real, nullptr, &Sky::GotoOriginRA},
        {"GotoOriginDec", T::Real, nullptr, &Sky::GotoOriginDec},
        {"ChartCentreRA", T::Real, nullptr, &Sky::ChartCentreRA},
        {"ChartCentreDec", T::Real, nullptr, &Sky::ChartCentreDec},
        {"ChartFieldWidth", T::Real, nullptr, &Sky::ChartFieldWidth},
        {"SourceImageWidth", T::Getter, nullptr, nullptr, nullptr, nullptr, &sourceImageWidth},
        {"SourceImageHeight", T::Getter, nullptr, nullptr, nullptr, nullptr, &sourceImageHeight},
    };
    return vars;
}

const Variable* findVariable(const char* name)
{
    if (!name)
        return nullptr;
    for (const Variable& v : variables()) {
        if (qstrcmp(v.name, name) == 0)
            return &v;
    }
    return nullptr;
}

// ---- Holders

struct Holder {
    QObject* object = nullptr;
    QByteArray property;   // "XCoordinate", "Top" ...
    const Variable* var = nullptr;
    QWidget* window = nullptr;
    explicit operator bool() const { return object || var; }
};

Holder resolve(const char* window, const char* control)
{
    Holder h;
    if (!window) {
        h.var = findVariable(control);
        return h;
    }
    h.window = FindWindow(QString::fromLatin1(window));
    if (!h.window)
        return h;
    if (!control) {
        h.object = h.window;
        return h;
    }
    QString name = QString::fromLatin1(control);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) {
        h.property = name.mid(dot + 1).toLatin1();
        name.truncate(dot);
    }
    h.object = h.window->findChild<QObject*>(name, Qt::FindChildrenRecursively);
    return h;
}

// Geometry keys name a property of the window itself.
Holder resolveFor(const KeySpec& k, bool forWrite)
{
    if (k.kind == KeyKind::Geometry) {
        Holder h;
        h.window = FindWindow(QString::fromLatin1(k.window));
        h.object = h.window;
        h.property = k.control;
        return h;
    }
    if (forWrite && k.writeControl)
        return resolve(k.writeWindow, k.writeControl);
    return resolve(k.window, k.control);
}

bool hasProperty(QObject* o, const QByteArray& name)
{
    return o && !name.isEmpty() && o->property(name.constData()).isValid();
}

// Checks or clears a button. An exclusive radio button is cleared too (the
// toolkit refuses to clear the checked button of an exclusive group).
void setButtonChecked(QAbstractButton* b, bool on)
{
    if (b->isChecked() == on)
        return;
    if (on) {
        b->setChecked(true);
        return;
    }
    QButtonGroup* group = b->group();
    const bool groupExclusive = group && group->exclusive();
    const bool autoExclusive = b->autoExclusive();
    if (groupExclusive)
        group->setExclusive(false);
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(autoExclusive);
    if (groupExclusive)
        group->setExclusive(true);
}

QString numberText(long double v) { return QLocale::c().toString(static_cast<double>(v), 'g', 12); }

int colourOf(QWidget* w)
{
    const QColor c = w->palette().color(w->backgroundRole());
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

enum class Outcome { Applied, Refused, NoHolder };

struct Applied {
    Outcome outcome = Outcome::Applied;
    QString why;      // for a refused numeric value
    QString outcome_note;   // what the program does instead, when not the usual
};

Applied refused(QString why = {}) { return {Outcome::Refused, std::move(why), {}}; }

Applied outOfRange(long double v, long double min, long double max)
{
    return refused(TranslatedTexts.MSG_Reglages_Pas_Entre.arg(numberText(v), numberText(min), numberText(max)));
}

Applied notInList(const QString& text) { return refused(TranslatedTexts.MSG_Reglages_Pas_Dans_Liste.arg(text)); }

Applied indexBeyondList(int index, int count)
{
    return refused(TranslatedTexts.MSG_Reglages_Element_Absent.arg(index).arg(count));
}

QString refusalNote(const KeySpec& k, const QString& section, const QString& why,
                    const QString& outcome = TranslatedTexts.MSG_Reglages_Valeur_Gardee)
{
    return TranslatedTexts.MSG_Reglages_Refus.arg(QString::fromLatin1(k.control), section, k.keyName(), why, outcome);
}
const Applied kNoHolder{Outcome::NoHolder, {}, {}};

// A stored value at a bound may differ from the bound (held as a double in
// the layout) in the last bits: it is the bound.
long double ontoBounds(const TCustomNumInp* n, long double v)
{
    auto near = [](long double a, long double b) { return std::fabs(a - b) <= 1e-12L * std::fmax(1.0L, std::fabs(b)); };
    if (n->Validate() && v < n->Min() && near(v, n->Min()))
        return n->Min();
    if (n->Validate() && v > n->Max() && near(v, n->Max()))
        return n->Max();
    return v;
}

// Whether a numeric input takes the value, as its range check would say.
Applied inputRange(const TCustomNumInp* n, long double v)
{
    v = ontoBounds(n, v);
    if (n->Validate() && (v < n->Min() || v > n->Max()))
        return outOfRange(v, n->Min(), n->Max());
    return {};
}

Applied setNumInp(TCustomNumInp* n, long double v)
{
    Applied result = inputRange(n, v);
    if (result.outcome == Outcome::Applied)
        n->SetValue(ontoBounds(n, v));
    return result;
}

// The value nearest to v that both a scroll bar and its input hold.
long double nearestHeld(const QAbstractSlider* bar, const TCustomNumInp* n, long double v)
{
    long double lo = bar->minimum(), hi = bar->maximum();
    if (n->Validate()) {
        lo = std::max(lo, std::ceil(n->Min()));
        hi = std::min(hi, std::floor(n->Max()));
    }
    return lo <= hi ? std::clamp(v, lo, hi) : v;
}

QString folderPath(const QString& stored)
{
    const QString local = platform::fromStoredPath(stored);
    return QDir::isAbsolutePath(local) ? local : platform::joinPath(platform::programDir(), local);
}

// ---- Values of the stored text

std::optional<std::int32_t> int32Of(const QString& text)
{
    const auto v = ParseStoredInteger(text);
    if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

// ---- Keys that could not be applied keep their stored text.

struct Unapplied {
    QString stored;
    std::optional<QString> holderText;  // the holder's value right after the load
};

QHash<QString, Unapplied>& unapplied()
{
    static QHash<QString, Unapplied> map;
    return map;
}

QString unappliedId(const QString& section, const KeySpec& k)
{
    return platform::foldIniName(section) + u'\n' + platform::foldIniName(k.keyName());
}

} // namespace

QWidget* FindWindow(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

bool HasVariable(const QString& name) { return findVariable(name.toLatin1().constData()) != nullptr; }

void ForgetUnappliedKeys() { unapplied().clear(); }

KeyEngine::KeyEngine(platform::IniDocument& doc, QString section) : doc_(doc), section_(std::move(section)) {}

QString KeyEngine::section(const KeySpec& key) const
{
    return section_.isEmpty() ? key.sectionName() : section_;
}

std::optional<QString> KeyEngine::defaultText(const KeySpec& key)
{
    if (!key.def)
        return std::nullopt;
    if (key.kind == KeyKind::Folder)
        return NormaliseFolder(platform::joinPath(platform::programDir(), QString::fromLatin1(key.def)));
    return QString::fromLatin1(key.def);
}

QString KeyEngine::storedText(const KeySpec& key) const
{
    return doc_.readString(section(key), key.readKeyName(), defaultText(key).value_or(QString()));
}

std::optional<QString> KeyEngine::currentText(const KeySpec& k) const
{
    if (k.has(OnlyWithSourceImage) && sourceImageWidth() <= 0)
        return std::nullopt;
    const Holder h = resolveFor(k, true);
    if (!h)
        return std::nullopt;
    if (k.has(OnlyWhenWindowEnabled) && h.window && !h.window->isEnabled())
        return std::nullopt;

    if (const Variable* v = h.var) {
        switch (v->type) {
        case Variable::Type::Int32: return QString::number(*v->i32);
        case Variable::Type::Getter: return QString::number(v->get());
        case Variable::Type::Text: return *v->text;
        case Variable::Type::Flag: return *v->flag ? QStringLiteral("1") : QStringLiteral("0");
        case Variable::Type::Real:
            if (k.kind == KeyKind::Scaled)
                return QString::number(ScaledToStored(*v->f64, k.scale, k.rounding));
            return QString::number(static_cast<std::int32_t>(*v->f64));
        }
        return std::nullopt;
    }

    QObject* o = h.object;
    switch (k.kind) {
    case KeyKind::Bool:
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            return b->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        return std::nullopt;
    case KeyKind::Integer:
        if (auto* s = qobject_cast<QSpinBox*>(o))
            return QString::number(s->value());
        if (auto* s = qobject_cast<QAbstractSlider*>(o))
            return QString::number(s->value());
        if (auto* t = qobject_cast<QTimer*>(o))
            return QString::number(t->interval());
        if (auto* n = qobject_cast<TCustomNumInp*>(o))
            return QString::number(ScaledToStored(n->Value(), 1, Rounding::Round));
        return std::nullopt;
    case KeyKind::Scaled:
        if (auto* n = qobject_cast<TCustomNumInp*>(o))
            return QString::number(ScaledToStored(n->Value(), k.scale, k.rounding));
        return std::nullopt;
    case KeyKind::Text:
    case KeyKind::Folder:
    case KeyKind::ComboText:
    case KeyKind::ComboTextIndex:
        if (auto* e = qobject_cast<QLineEdit*>(o))
            return e->text();
        if (auto* c = qobject_cast<QComboBox*>(o))
            return c->currentText();
        return std::nullopt;
    case KeyKind::ComboIndex:
        if (auto* c = qobject_cast<QComboBox*>(o))
            return QString::number(c->currentIndex());
        return std::nullopt;
    case KeyKind::Choice: {
        bool any = false;
        for (const ChoiceOption& opt : k.choice->options) {
            auto* b = h.window->findChild<QAbstractButton*>(QString::fromLatin1(opt.control));
            if (!b)
                continue;
            any = true;
            if (b->isChecked())
                return QString::number(opt.value);
        }
        if (any && k.choice->noneWritesLast)
            return QString::number(k.choice->options.back().value);
        return std::nullopt;
    }
    case KeyKind::Position:
        if (hasProperty(o, h.property))
            return QString::number(o->property(h.property.constData()).toInt());
        return std::nullopt;
    case KeyKind::Colour:
        if (hasProperty(o, "Color"))
            return QString::number(o->property("Color").toInt());
        if (auto* w = qobject_cast<QWidget*>(o))
            return QString::number(colourOf(w));
        return std::nullopt;
    case KeyKind::Geometry: {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w)
            return std::nullopt;
        if (h.property == "Top")
            return QString::number(w->y());
        if (h.property == "Left")
            return QString::number(w->x());
        if (h.property == "Width")
            return QString::number(w->width());
        if (h.property == "Height")
            return QString::number(w->height());
        if (h.property == "visible")
            return w->isVisible() ? QStringLiteral("1") : QStringLiteral("0");
        if (h.property == "WindowState")
            return QString::number(w->isMinimized() ? 1 : w->isMaximized() ? 2 : 0);
        if (h.property == "Stacking") {
            const QStringList names = Systeme::StackingNames();
            return names.isEmpty() ? std::nullopt : std::optional<QString>(names.join(u','));
        }
        if (h.property == "FirstPlace") {
            if (Systeme::StoredAsUsersPlace(w))
                return std::nullopt;
            return QStringLiteral("%1,%2").arg(w->x()).arg(w->y());
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

bool KeyEngine::load(const KeySpec& k)
{
    const QString sec = section(k);
    const QString id = unappliedId(sec, k);
    const bool present = doc_.valueExists(sec, k.readKeyName());
    const QString raw = present ? doc_.readString(sec, k.readKeyName(), QString()) : QString();
    const std::optional<QString> def = defaultText(k);

    // The value to apply: the stored one when usable, else the default.
    QString text = present ? raw : def.value_or(QString());
    const bool numeric = k.kind != KeyKind::Text && k.kind != KeyKind::Folder && k.kind != KeyKind::ComboText
                         && k.kind != KeyKind::ComboTextIndex;
    bool unusable = false;
    if (numeric && present) {
        const auto v = k.kind == KeyKind::Scaled ? ParseStoredInteger(raw) : std::optional<std::int64_t>(int32Of(raw));
        // The sentinel counts as a missing key; text in a number key, or a
        // number beyond what the key holds, gives the default while the
        // file keeps the text.
        unusable = !v;
        if (!v || (k.has(Sentinel) && *v == 999999))
            text = def.value_or(QString());
    }
    if (!present && !def)
        return true;   // the holder keeps its value
    Holder h = resolveFor(k, false);
    Applied result = kNoHolder;
    QObject* o = h.object;
    if (numeric && text.isEmpty()) {
        if (!unusable || !h)
            return true;
        result = {};   // no default: the holder keeps its value
    } else if (const Variable* v = h.var) {
        result = {};
        switch (v->type) {
        case Variable::Type::Int32: *v->i32 = int32Of(text).value_or(0); break;
        case Variable::Type::Text: *v->text = text; break;
        case Variable::Type::Flag: *v->flag = int32Of(text).value_or(0) != 0; break;
        case Variable::Type::Real:
            *v->f64 = static_cast<double>(StoredToScaled(ParseStoredInteger(text).value_or(0), k.scale));
            break;
        case Variable::Type::Getter: result = kNoHolder; break;
        }
    } else if (o) {
        switch (k.kind) {
        case KeyKind::Bool:
            if (auto* b = qobject_cast<QAbstractButton*>(o)) {
                setButtonChecked(b, int32Of(text).value_or(0) != 0);
                result = {};
            }
            break;
        case KeyKind::Integer: {
            const std::int32_t v = int32Of(text).value_or(0);
            // A value outside a spin edit's or bar's range is not clamped
            // away: the control keeps its value and the file the stored one.
            if (auto* s = qobject_cast<QSpinBox*>(o)) {
                result = v >= s->minimum() && v <= s->maximum() ? Applied{} : outOfRange(v, s->minimum(), s->maximum());
                if (result.outcome == Outcome::Applied)
                    s->setValue(v);
            } else if (auto* s = qobject_cast<QAbstractSlider*>(o)) {
                result = v >= s->minimum() && v <= s->maximum() ? Applied{} : outOfRange(v, s->minimum(), s->maximum());
                if (result.outcome == Outcome::Applied)
                    s->setValue(v);
            } else if (auto* t = qobject_cast<QTimer*>(o)) {
                if (v > 0) {
                    t->setInterval(v);
                    result = {};
                } else {
                    result = refused(TranslatedTexts.MSG_Reglages_Pas_Duree.arg(v));
                }
            } else if (auto* n = qobject_cast<TCustomNumInp*>(o)) {
                result = setNumInp(n, v);
            }
            break;
        }
        case KeyKind::Scaled: {
            long double value = StoredToScaled(ParseStoredInteger(text).value_or(0), k.scale);
            if (k.loadFloor > 0 && value < k.loadFloor)
                value = StoredToScaled(std::llround(k.loadFloor * k.scale), k.scale);
            if (auto* n = qobject_cast<TCustomNumInp*>(o)) {
                if (k.has(ThroughScrollBar)) {
                    // The level goes to the scroll bar of the same number first;
                    // the input then shows the bar's position. The input that
                    // saved it reaches further than its bar: a level beyond
                    // the bar takes the nearest position the bar (and the
                    // input) holds, as the bar itself would give it. Only a
                    // level the input refuses is one no control holds.
                    const QString bar = QStringLiteral("SCB_") + QString::fromLatin1(k.control).mid(4);
                    if (auto* s = h.window->findChild<QAbstractSlider*>(bar)) {
                        result = inputRange(n, value);
                        if (result.outcome != Outcome::Applied)
                            break;
                        value = nearestHeld(s, n, value);
                        s->setValue(static_cast<int>(value));
                        value = s->value();
                    }
                }
                result = setNumInp(n, value);
            }
            break;
        }
        case KeyKind::Text:
        case KeyKind::Folder: {
            const QString t = k.kind == KeyKind::Folder ? NormaliseFolder(text) : text;
            if (auto* e = qobject_cast<QLineEdit*>(o)) {
                // An edit cuts texts beyond its length: such a text is kept
                // in the file, not cut there too.
                e->setText(t);
                result = e->text() == t ? Applied{}
                                        : refused(TranslatedTexts.MSG_Reglages_Texte_Long.arg(e->maxLength()));
            } else if (auto* c = qobject_cast<QComboBox*>(o)) {
                c->setCurrentText(t);
                result = {};
            }
            break;
        }
        case KeyKind::ComboText:
            if (auto* c = qobject_cast<QComboBox*>(o)) {
                const int i = c->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
                if (i >= 0) {
                    c->setCurrentIndex(i);
                    result = {};
                } else if (c->isEditable()) {
                    c->setCurrentIndex(-1);
                    c->setEditText(text);
                    result = {};
                    // A profile name with no section: that name stays the
                    // current one and its values are the defaults. (No name
                    // at all is what erasing the last profile of a list
                    // leaves: nothing to tell.)
                    if (k.has(ProfileName) && present && raw != def && !text.isEmpty())
                        notes_ << refusalNote(k, sec, TranslatedTexts.MSG_Reglages_Pas_Dans_Liste.arg(text),
                                              TranslatedTexts.MSG_Reglages_Profil_Defaut);
                } else {
                    result = notInList(text);
                }
            }
            break;
        case KeyKind::ComboTextIndex:
            if (auto* c = qobject_cast<QComboBox*>(o)) {
                const int i = c->findText(text, Qt::MatchFixedString);
                if (i >= 0 || text.isEmpty()) {
                    c->setCurrentIndex(i);
                    result = {};
                } else if (k.has(ProfileName)) {
                    // No entry is chosen, so the profile loaded is the one of
                    // the empty name (every default), never another entry.
                    c->setCurrentIndex(-1);
                    if (c->isEditable())
                        c->setEditText(QString());
                    result = notInList(text);
                    result.outcome_note = TranslatedTexts.MSG_Reglages_Aucun_Profil;
                } else {
                    result = notInList(text);
                }
            }
            break;
        case KeyKind::ComboIndex:
            if (auto* c = qobject_cast<QComboBox*>(o)) {
                const std::int32_t i = int32Of(text).value_or(-1);
                if (i >= -1 && i < c->count()) {
                    c->setCurrentIndex(i);
                    result = {};
                } else {
                    result = indexBeyondList(i, c->count());
                }
            }
            break;
        case KeyKind::Choice: {
            const int value = int32Of(text).value_or(0);
            const ChoiceOption* chosen = nullptr;
            for (const ChoiceOption& opt : k.choice->options) {
                if (opt.value == value)
                    chosen = &opt;
            }
            if (!chosen && k.choice->otherReadsLast)
                chosen = &k.choice->options.back();
            result = {};
            if (chosen) {
                if (auto* b = h.window->findChild<QAbstractButton*>(QString::fromLatin1(chosen->control))) {
                    setButtonChecked(b, true);
                    if (k.choice->runClick)
                        RunHandler(QString::fromLatin1(k.window) + u'.' + QString::fromLatin1(chosen->control)
                                   + QStringLiteral("Click"));
                } else {
                    result = kNoHolder;
                }
            }
            break;
        }
        case KeyKind::Position:
            if (hasProperty(o, h.property)) {
                // A coordinate pad refuses a point outside its range.
                const std::int32_t v = int32Of(text).value_or(0);
                o->setProperty(h.property.constData(), v);
                result = o->property(h.property.constData()).toInt() == v ? Applied{} : refused();
            }
            break;
        case KeyKind::Colour: {
            const std::int32_t c = int32Of(text).value_or(0);
            if (hasProperty(o, "Color")) {
                o->setProperty("Color", c);
                result = {};
            } else if (auto* w = qobject_cast<QWidget*>(o)) {
                if (c < 0) {
                    result = refused(TranslatedTexts.MSG_Reglages_Pas_Couleur.arg(c));
                } else {
                    QPalette p = w->palette();
                    p.setColor(w->backgroundRole(), QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
                    w->setPalette(p);
                    w->setAutoFillBackground(true);
                    result = {};
                }
            }
            break;
        }
        case KeyKind::Geometry:
            break;   // read by the window-layout readers
        }
    }

    if (k.kind == KeyKind::Folder) {
        // The folder named by the edit box (or by the value when there is no
        // edit box) is created with its parents.
        auto* e = qobject_cast<QLineEdit*>(o);
        const QString folder = e ? e->text() : NormaliseFolder(text);
        if (!folder.isEmpty())
            QDir().mkpath(folderPath(folder));
    }

    if (k.alsoVariable) {
        if (const Variable* v = findVariable(k.alsoVariable)) {
            auto* b = qobject_cast<QAbstractButton*>(o);
            const std::int32_t value = b && result.outcome == Outcome::Applied ? (b->isChecked() ? 1 : 0)
                                                                               : int32Of(text).value_or(0);
            if (v->type == Variable::Type::Int32)
                *v->i32 = value;
            else if (v->type == Variable::Type::Flag)
                *v->flag = value != 0;
        }
    }

    if (k.handler && result.outcome != Outcome::NoHolder) {
        auto* b = qobject_cast<QAbstractButton*>(o);
        if (!k.has(HandlerIfChecked) || (b && b->isChecked()))
            RunHandler(QString::fromLatin1(k.handler));
    }

    if (unusable && result.outcome != Outcome::NoHolder) {
        unapplied().insert(id, Unapplied{raw, currentText(k)});
        notes_ << refusalNote(k, sec, TranslatedTexts.MSG_Reglages_Pas_Entier.arg(raw),
                              def ? TranslatedTexts.MSG_Reglages_Defaut_Prise : TranslatedTexts.MSG_Reglages_Valeur_Gardee);
        return false;
    }
    switch (result.outcome) {
    case Outcome::Applied:
        // The stored text is written back as it is (spelling, leading zeros,
        // digits the holder rounds away) until the holder changes.
        if (present)
            unapplied().insert(id, Unapplied{raw, currentText(k)});
        else
            unapplied().remove(id);
        return true;
    case Outcome::Refused:
        // Kept for the next save: the stored text, or the default of a
        // missing key, so that the file stays complete.
        unapplied().insert(id, Unapplied{present ? raw : text, currentText(k)});
        // The shipped default is no fault of the user's: only other values
        // are listed.
        if (!result.why.isEmpty() && present && raw != def)
            notes_ << (result.outcome_note.isEmpty() ? refusalNote(k, sec, result.why)
                                                     : refusalNote(k, sec, result.why, result.outcome_note));
        return false;
    case Outcome::NoHolder:
        return false;
    }
    return false;
}

void KeyEngine::loadStep(int step, int sub)
{
    for (const KeySpec& k : KeyTable()) {
        if (k.step == step && k.sub == sub && k.readable() && !k.has(ProfileKey) && !k.has(SchemeKey))
            load(k);
    }
}

void KeyEngine::keepStored(const KeySpec& k)
{
    const QString sec = section(k);
    if (!doc_.valueExists(sec, k.readKeyName()))
        return;
    unapplied().insert(unappliedId(sec, k), {doc_.readString(sec, k.readKeyName(), QString()), currentText(k)});
}

void KeyEngine::save(const KeySpec& k)
{
    if (!k.writable())
        return;
    const QString sec = section(k);
    const std::optional<QString> current = currentText(k);
    if (!current && k.has(OnlyWhileHeld)) {
        doc_.deleteKey(sec, k.keyName());
        return;
    }
    if (!current) {
        // No holder (or none to write): the stored text stays; a missing key
        // gets its default so that the file stays complete.
        if (!doc_.valueExists(sec, k.keyName())) {
            if (const auto def = defaultText(k))
                doc_.writeString(sec, k.keyName(), *def);
        }
        return;
    }
    const QString id = unappliedId(sec, k);
    const auto it = unapplied().constFind(id);
    if (it != unapplied().constEnd() && it->holderText == current) {
        doc_.writeString(sec, k.keyName(), it->stored);
        return;
    }
    unapplied().remove(id);
    doc_.writeString(sec, k.keyName(), *current);
}

} // namespace Settings
