#pragma once
// Base of every window of the program. It gives a Qt main window the habits
// of the forms the rest of the code expects: FormCreate / FormActivate /
// FormCloseQuery / FormClose hooks, key preview (the form sees every key
// before its focused control), and Left/Top/Width/Height.
//
// Windows are created by CreateForm(), which stores the global reference
// before FormCreate runs, so FormCreate may already use it.

#include <QMainWindow>

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // Runs FormCreate once; called by CreateForm right after construction.
    void DoCreate();

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int v) { move(v, y()); }
    void SetTop(int v) { move(x(), v); }
    void SetWidth(int v) { resize(v, height()); }
    void SetHeight(int v) { resize(width(), v); }

    // With key preview on, FormKeyDown/FormKeyUp see each key first; a
    // handler that sets the key to 0 consumes it.
    bool KeyPreview = false;

    virtual void FormCreate() {}
    virtual void FormActivate() {}
    virtual void FormCloseQuery(bool& canClose) {}
    virtual void FormClose(TCloseAction& action) {}
    virtual void FormKeyDown(int& key, Qt::KeyboardModifiers shift) {}
    virtual void FormKeyUp(int& key, Qt::KeyboardModifiers shift) {}

    // Shown through the program's one show path (Systeme::ShowFormOnScreen)
    // whatever shows it.
    void setVisible(bool visible) override;

signals:
    // Emitted when a close was accepted (after FormClose).
    void formClosed();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool created_ = false;
};

// Creates a window, stores it in its global reference, then runs FormCreate.
template <class T>
T* CreateForm(T*& reference)
{
    reference = new T();
    reference->DoCreate();
    return reference;
}
