#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class TDM;

namespace Ui {
class TfrmSenhaSeguranca;
}

// The security password prompt. "&OK" is enabled exactly while the box holds
// the stored password; a wrong one is never announced, the user simply cannot
// confirm. The new-password confirmation (TfrmConfirmaSenha) is the same
// window matching another text.
class TfrmSenhaSeguranca : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSenhaSeguranca(TDM& dm, QWidget* parent = nullptr);
    ~TfrmSenhaSeguranca() override;

protected:
    // The text the box must hold, asked afresh at every change of the box:
    // here the stored password, read from the settings each time.
    virtual QString ExpectedPassword() const;
    // The steps run each time the window is shown: an empty box that has the
    // focus, and the prompt in front of everything.
    virtual void FormShow();

    // Empties the box, "&OK" following.
    void ClearPassword();
    void SetTexts(const QString& caption, const QString& label);
    TDM& DM() const { return m_dm; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditChange();
    void CentreOnScreen();

    TDM& m_dm;
    std::unique_ptr<Ui::TfrmSenhaSeguranca> ui;
};

// The gate's prompt: shown modally, freed on return; true exactly on "&OK".
bool PromptSecurityPassword(TDM& dm);
// The confirmation of `newPassword`: true exactly when it was typed again and
// confirmed with "&OK".
bool PromptPasswordConfirmation(TDM& dm, const QString& newPassword);
