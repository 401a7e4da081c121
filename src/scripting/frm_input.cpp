#include "scripting/frm_input.h"

#include "app/controls/float_text.h"
#include "app/helpers/str_helpers.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/widget_message_service.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <cmath>

TFRM_Input* FRM_Input = nullptr;
TFRM_Input::Answerer TFRM_Input::answerer_;

namespace Input {
QString InputAnswer;
}

namespace {

constexpr int kWidth = 386;
constexpr int kHeight = 154;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kFirstRowTop = 52;
constexpr int kRowStep = 25;
constexpr int kChoicesPerRow = 5;
constexpr int kCancelTop = 118;

// A real typed by the user: "." as decimal point whatever the locale, no
// group separators, blanks around ignored, finite only.
bool readReal(const QString& text, double& value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

} // namespace

TFRM_Input::TFRM_Input(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    SPED_Valeur->setRange(INT_MIN, INT_MAX);
    setFixedSize(kWidth, kHeight);
    app::bindButtonClick(BTN_Ok, this, &TFRM_Input::BTN_OkClick);
    app::bindButtonClick(BTN_Annuler, this, &TFRM_Input::BTN_AnnulerClick);
}

TFRM_Input::~TFRM_Input()
{
    Input::InputAnswer.clear();
    if (loop_)
        loop_->quit();
}

void TFRM_Input::SetAnswerer(Answerer answerer)
{
    answerer_ = std::move(answerer);
}

void TFRM_Input::prepare(const QString& message, Entry entry)
{
    freeChoiceButtons();
    entry_ = entry;
    LBL_InputMessage->setText(message);
    EDT_Valeur->setVisible(entry == Entry::Real || entry == Entry::Text);
    SPED_Valeur->setVisible(entry == Entry::Integer);
    BTN_Ok->setVisible(entry != Entry::Choice);
    setFixedSize(kWidth, kHeight);
    BTN_Annuler->move(BTN_Annuler->x(), kCancelTop);
}

void TFRM_Input::PrepareInteger(const QString& message, qint32 value)
{
    prepare(message, Entry::Integer);
    SPED_Valeur->setValue(value);
    SPED_Valeur->selectAll();
    SPED_Valeur->setFocus();
}

void TFRM_Input::PrepareReal(const QString& message, double value)
{
    prepare(message, Entry::Real);
    realValue_ = value;
    EDT_Valeur->setText(app::FormatG(value));
    EDT_Valeur->selectAll();
    EDT_Valeur->setFocus();
}

void TFRM_Input::PrepareString(const QString& message, const QString& value)
{
    prepare(message, Entry::Text);
    EDT_Valeur->setText(value);
    EDT_Valeur->selectAll();
    EDT_Valeur->setFocus();
}

void TFRM_Input::PrepareChoice(const QString& message, const QString& choices, const QString& value)
{
    prepare(message, Entry::Choice);
    const int n = StrHelpers::CountFields(choices, QLatin1Char('/'));
    if (n <= 1) {
        BTN_Annuler->setFocus();
        return;
    }

    // Rows of five, each spread over the client width; the window grows by
    // one row height for every row beyond the second.
    const int rows = (n + kChoicesPerRow - 1) / kChoicesPerRow;
    const int extra = std::max(0, rows - 2) * kRowStep;
    setFixedSize(kWidth, kHeight + extra);
    BTN_Annuler->move(BTN_Annuler->x(), kCancelTop + extra);
    const int clientWidth = width();

    QPushButton* defaultButton = nullptr;
    for (int i = 0; i < n; ++i) {
        const int row = i / kChoicesPerRow;
        const int columns = std::min(kChoicesPerRow, n - row * kChoicesPerRow);
        const int columnWidth = clientWidth / columns;
        auto* button = new QPushButton(centralWidget());
        button->setObjectName(QStringLiteral("BTN_Choice%1").arg(i + 1));
        button->setText(StrHelpers::ExtractField(choices, QLatin1Char('/'), i + 1));
        button->setGeometry((i % kChoicesPerRow) * columnWidth + (columnWidth / 2 - 37), kFirstRowTop + row * kRowStep,
                            kButtonWidth, kButtonHeight);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(true); // Enter presses the focused choice
        app::bindButtonClick(button, [this, button] { ChoiceButtons_Handler(button); }, this);
        button->show();
        choiceButtons_.append(button);
        if (!defaultButton && button->text() == value)
            defaultButton = button;
    }

    // Tab order: the current value's button first, then the choices in
    // order, then Cancel.
    QList<QPushButton*> order;
    if (defaultButton)
        order.append(defaultButton);
    for (QPushButton* b : std::as_const(choiceButtons_)) {
        if (b != defaultButton)
            order.append(b);
    }
    order.append(BTN_Annuler);
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    order.first()->setFocus();
}

TModalResult TFRM_Input::ShowModal()
{
    if (modal_)
        return TModalResult::mrCancel;
    modal_ = true;
    modalResult_ = TModalResult::mrNone;

    // A question stops the script until it is answered: in front of every
    // window, the script window (kept on top) included.
    app::KeepInFrontOfEveryWindow(*this);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    setWindowModality(Qt::ApplicationModal);
    show();

    QPointer<TFRM_Input> self(this);
    if (answerer_) {
        answerer_(*this);
    } else if (modalResult_ == TModalResult::mrNone && isVisible()) {
        app::TakeKeyboard(*this);
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!self)
            return TModalResult::mrCancel;
        loop_ = nullptr;
    }
    if (!self)
        return TModalResult::mrCancel;

    if (modalResult_ == TModalResult::mrNone)
        modalResult_ = TModalResult::mrCancel;
    const TModalResult result = modalResult_;
    hide();
    setWindowModality(Qt::NonModal);
    freeChoiceButtons();
    modal_ = false;
    return result;
}

void TFRM_Input::endModal(TModalResult result)
{
    if (modalResult_ == TModalResult::mrNone)
        modalResult_ = result;
    if (loop_)
        loop_->quit();
}

void TFRM_Input::ChoiceButtons_Handler(QPushButton* sender)
{
    Input::InputAnswer = sender->text();
    endModal(TModalResult::mrOk);
}

void TFRM_Input::BTN_OkClick()
{
    if (entry_ == Entry::Real) {
        if (!readReal(EDT_Valeur->text(), realValue_)) {
            platform::messages().show({TranslatedTexts.MSG_Valeur_Non_Numerique.arg(EDT_Valeur->text()),
                                       platform::MsgKind::Error, platform::MsgButtons::Ok,
                                       QStringLiteral("FRM_Input.EDT_Valeur"), {}});
            EDT_Valeur->selectAll();
            EDT_Valeur->setFocus();
            return;
        }
    } else if (entry_ == Entry::Integer) {
        SPED_Valeur->interpretText();
    }
    endModal(TModalResult::mrOk);
}

void TFRM_Input::BTN_AnnulerClick()
{
    endModal(TModalResult::mrCancel);
}

void TFRM_Input::FormClose(TCloseAction& /*action*/)
{
    // Closed by the title bar: the question is cancelled.
    endModal(TModalResult::mrCancel);
}

void TFRM_Input::keyPressEvent(QKeyEvent* event)
{
    // Reached by the keys the focused control leaves: Enter on a button
    // presses that button ("Annuler" cancels), Enter in an entry confirms
    // it; Escape cancels.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button && button->isVisibleTo(this) && button->isEnabled())
            button->click();
        else if (BTN_Ok->isVisible())
            app::runGuarded(QStringLiteral("FRM_Input.BTN_OkClick"), [this] { BTN_OkClick(); });
        return;
    case Qt::Key_Escape:
        BTN_AnnulerClick();
        return;
    default:
        TForm::keyPressEvent(event);
    }
}

void TFRM_Input::hideEvent(QHideEvent* event)
{
    TForm::hideEvent(event);
    // Hidden by code while asking (not minimised): nothing is left to answer.
    if (!event->spontaneous() && modal_)
        endModal(TModalResult::mrCancel);
}

void TFRM_Input::freeChoiceButtons()
{
    for (QPushButton* b : std::as_const(choiceButtons_))
        delete b;
    choiceButtons_.clear();
}

namespace Input {

namespace {

bool ask(const std::function<void(TFRM_Input&)>& prepare)
{
    if (!FRM_Input || FRM_Input->IsShowingModal())
        return false;
    prepare(*FRM_Input);
    return FRM_Input->ShowModal() == TModalResult::mrOk;
}

} // namespace

bool InputInteger(const QString& message, qint32& value)
{
    if (!ask([&](TFRM_Input& f) { f.PrepareInteger(message, value); }))
        return false;
    value = FRM_Input->IntegerValue();
    return true;
}

bool InputReal(const QString& message, double& value)
{
    if (!ask([&](TFRM_Input& f) { f.PrepareReal(message, value); }))
        return false;
    value = FRM_Input->RealValue();
    return true;
}

bool InputString(const QString& message, QString& value)
{
    if (!ask([&](TFRM_Input& f) { f.PrepareString(message, value); }))
        return false;
    value = FRM_Input->TextValue();
    return true;
}

bool InputChoice(const QString& message, const QString& choices, QString& value)
{
    if (!ask([&](TFRM_Input& f) { f.PrepareChoice(message, choices, value); }))
        return false;
    value = InputAnswer;
    return true;
}

} // namespace Input
