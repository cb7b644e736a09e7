#pragma once

#include "ui/uSenhaSeguranca.h"

// The confirmation of a new security password: the prompt's window, where
// "&OK" is enabled exactly while the box holds the new password again.
class TfrmConfirmaSenha final : public TfrmSenhaSeguranca {
    Q_OBJECT

public:
    TfrmConfirmaSenha(TDM& dm, const QString& newPassword, QWidget* parent = nullptr);

protected:
    QString ExpectedPassword() const override;
    // Only an empty box: the confirmation comes from a window the user is
    // working in, so it neither takes the foreground nor moves the focus.
    void FormShow() override;

private:
    const QString m_newPassword;
};
