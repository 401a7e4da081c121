#pragma once
// The input dialog of the script commands: asks for an integer, a real, a
// text, or one choice among buttons. Created once at start-up and reused;
// each call decides which controls show. Its texts are never translated.
//
// The dialog runs modally in a local event loop. Tests install an answerer
// instead: it is called with the prepared, shown dialog in place of the loop
// and answers it as a user would (clicks, typing, closing by the title bar);
// a dialog the answerer leaves open counts as cancelled.

#include "app/form.h"
#include "ui_frm_input.h"

#include <QList>
#include <QString>
#include <functional>

class QEventLoop;
class QPushButton;

enum class TModalResult { mrNone, mrOk, mrCancel };

class TFRM_Input : public TForm, public Ui::TFRM_Input {
    Q_OBJECT
public:
    explicit TFRM_Input(QWidget* parent = nullptr);
    ~TFRM_Input() override;

    using Answerer = std::function<void(TFRM_Input&)>;
    // An empty answerer restores the modal loop.
    static void SetAnswerer(Answerer answerer);

    // Prepare the controls for one question; the value is the default shown.
    void PrepareInteger(const QString& message, qint32 value);
    void PrepareReal(const QString& message, double value);
    void PrepareString(const QString& message, const QString& value);
    // Choices separated by "/" ("/" inside double quotes does not separate),
    // one button each, in rows of five: every row spread over the width. A
    // single choice (or none) gives no button, only cancel. The button whose
    // caption equals value comes first in tab order and has the focus.
    void PrepareChoice(const QString& message, const QString& choices, const QString& value);

    // Shows the dialog centred on the screen, in front of every window with
    // the keyboard, and waits for OK or Cancel; Enter in the entry is OK,
    // Escape and closing it by the title bar are Cancel. Choice buttons are freed after.
    TModalResult ShowModal();
    bool IsShowingModal() const { return modal_; }

    // The entry once confirmed.
    qint32 IntegerValue() const { return SPED_Valeur->value(); }
    double RealValue() const { return realValue_; }
    QString TextValue() const { return EDT_Valeur->text(); }

    // The choice buttons of the current question, in choice order.
    const QList<QPushButton*>& ChoiceButtons() const { return choiceButtons_; }

    // A choice button's click: its caption becomes InputAnswer, then the
    // dialog closes with OK.
    void ChoiceButtons_Handler(QPushButton* sender);
    // OK: a real entry must read as a finite number ("." as decimal point);
    // otherwise a message says so and the dialog stays open on the entry.
    void BTN_OkClick();
    void BTN_AnnulerClick();

    void FormClose(TCloseAction& action) override;

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Entry { Integer, Real, Text, Choice };
    void prepare(const QString& message, Entry entry);
    void endModal(TModalResult result);
    void freeChoiceButtons();

    static Answerer answerer_;
    Entry entry_ = Entry::Text;
    double realValue_ = 0;
    QList<QPushButton*> choiceButtons_;
    TModalResult modalResult_ = TModalResult::mrNone;
    QEventLoop* loop_ = nullptr;
    bool modal_ = false;
};

extern TFRM_Input* FRM_Input;

namespace Input {

// The caption of the choice button last pressed.
extern QString InputAnswer;

// Each asks with FRM_Input, the current value as default, and returns true
// when the user confirmed, replacing the value; on false (cancelled, or the
// dialog is already asking another question) the value is untouched.
bool InputInteger(const QString& message, qint32& value);
bool InputReal(const QString& message, double& value);
bool InputString(const QString& message, QString& value);
bool InputChoice(const QString& message, const QString& choices, QString& value);

} // namespace Input
