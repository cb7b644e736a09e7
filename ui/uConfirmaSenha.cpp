#include "ui/uConfirmaSenha.h"

TfrmConfirmaSenha::TfrmConfirmaSenha(TDM& dm, const QString& newPassword, QWidget* parent)
    : TfrmSenhaSeguranca(dm, parent)
    , m_newPassword(newPassword)
{
    setObjectName(QStringLiteral("TfrmConfirmaSenha"));
    SetTexts(QStringLiteral("Confirmação"), QStringLiteral("Confirme a nova senha"));
}

QString TfrmConfirmaSenha::ExpectedPassword() const
{
    return m_newPassword;
}

void TfrmConfirmaSenha::FormShow()
{
    ClearPassword();
}

bool PromptPasswordConfirmation(TDM& dm, const QString& newPassword)
{
    TfrmConfirmaSenha confirmation(dm, newPassword);
    return confirmation.exec() == QDialog::Accepted;
}
