#include "ui/uSenhaSeguranca.h"

#include "ui_uSenhaSeguranca.h"

#include "app/Artwork.h"
#include "app/uUtil.h"
#include "core/Errors.h"
#include "data/uDM.h"
#include "ui/Look.h"

#include <QKeyEvent>
#include <QShowEvent>
#include <QValidator>

namespace {

// Passwords are kept in upper case: every letter typed (or pasted) turns
// into its capital as it enters the box. One character maps to one, so the
// length limit and the cursor stay where they were.
class UpperCaseValidator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        for (QChar& c : input)
            c = c.toUpper();
        return Acceptable;
    }
};

bool IsEnterKey(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

TfrmSenhaSeguranca::TfrmSenhaSeguranca(TDM& dm, QWidget* parent)
    : QDialog(parent)
    , m_dm(dm)
    , ui(std::make_unique<Ui::TfrmSenhaSeguranca>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Pulsim"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    ui->imgSenha->setPixmap(Artwork::ProgramPicture(48));
    ui->edtSenha->setValidator(new UpperCaseValidator(ui->edtSenha));
    ui->edtSenha->installEventFilter(this);

    Look::ApplyDialogBackground(this);
    Look::HighlightFocus(ui->edtSenha);
    Look::ApplyDetailColor(this, CurrentDetailColor(dm));

    connect(ui->edtSenha, &QLineEdit::textChanged, this, Guarded([this] { EditChange(); }));
    connect(ui->btnOK, &QPushButton::clicked, this, Guarded([this] { accept(); }));
    connect(ui->btnCancelar, &QPushButton::clicked, this, Guarded([this] { reject(); }));

    CentreOnScreen();
}

TfrmSenhaSeguranca::~TfrmSenhaSeguranca() = default;

void TfrmSenhaSeguranca::SetTexts(const QString& caption, const QString& label)
{
    setWindowTitle(caption);
    ui->lblSenha->setText(label);
    CentreOnScreen();
}

void TfrmSenhaSeguranca::CentreOnScreen()
{
    adjustSize();
    Look::CentreOnScreen(this);
}

QString TfrmSenhaSeguranca::ExpectedPassword() const
{
    return UnscramblePassword(m_dm.Setting(m_dm.cdsConfigSenhaSeguranca).AsString(), PasswordKey);
}

void TfrmSenhaSeguranca::EditChange()
{
    ui->btnOK->setEnabled(ui->edtSenha->text() == ExpectedPassword());
}

void TfrmSenhaSeguranca::ClearPassword()
{
    ui->edtSenha->clear();
    // Clearing an empty box changes nothing, yet "&OK" must still tell
    // whether the empty text is the one expected.
    EditChange();
}

void TfrmSenhaSeguranca::FormShow()
{
    ClearPassword();
    ui->edtSenha->setFocus();
    raise();
    activateWindow();
}

void TfrmSenhaSeguranca::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(); });
}

bool TfrmSenhaSeguranca::eventFilter(QObject* watched, QEvent* event)
{
    // Enter confirms only what "&OK" would confirm; otherwise the box keeps it.
    if (watched == ui->edtSenha && event->type() == QEvent::KeyPress &&
        IsEnterKey(static_cast<QKeyEvent*>(event)) && ui->btnOK->isEnabled()) {
        ui->btnOK->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSenhaSeguranca::keyPressEvent(QKeyEvent* event)
{
    // An Enter the box did not use must not reach the dialog's default-button
    // handling, which would press whichever button last held the focus
    // ("&Cancelar", say) while the password is still being typed.
    if (IsEnterKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool PromptSecurityPassword(TDM& dm)
{
    TfrmSenhaSeguranca prompt(dm);
    return prompt.exec() == QDialog::Accepted;
}
