#include "ui/uSobre.h"

#include "app/Artwork.h"
#include "core/Errors.h"
#include "ui/Look.h"
#include "ui_uSobre.h"

#include <QCoreApplication>
#include <QPushButton>

#ifndef PULSIM_VERSION
#define PULSIM_VERSION "1.0.0"
#endif

TfrmSobre::TfrmSobre(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TfrmSobre>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Look::ApplyDialogBackground(this);
    ui->imgPrograma->setPixmap(Artwork::ProgramPicture(64));
    ui->lblVersao->setText(VersionText());
    setFixedSize(sizeHint());
    connect(ui->btnOK, &QPushButton::clicked, this, Guarded([this] { accept(); }));
}

TfrmSobre::~TfrmSobre() = default;

QString TfrmSobre::VersionText()
{
    // The application's own version when it states one, the build's otherwise.
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral(PULSIM_VERSION);
    return QStringLiteral("Versão ") + version;
}
