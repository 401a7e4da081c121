#pragma once
// The script window's find dialog: a text and a "Suivant" button, searching
// downward only (no match-case or whole-word options). Modeless: it stays
// open while the user moves through the editor. Its texts follow the
// language chosen when it is shown.

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    // Shown through the program's one show path, whatever shows it.
    void setVisible(bool visible) override;
    explicit TFindDialog(QWidget* parent = nullptr);
    QString FindText() const;
    void SetFindText(const QString& text);
    // Runs on the Find button (and Enter in the text).
    std::function<void()> OnFind;

    QLabel* LBL_Rechercher = nullptr;
    QLineEdit* EDT_Texte = nullptr;
    QPushButton* BTN_Suivant = nullptr;
    QPushButton* BTN_Fermer = nullptr;

private:
    void takeTexts();
};
