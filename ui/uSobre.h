#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TfrmSobre;
}

// The About box: the program's picture, name and version, shown modally from
// the main window's help menu.
class TfrmSobre final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSobre(QWidget* parent = nullptr);
    ~TfrmSobre() override;

    // "Versão " followed by the program's version.
    static QString VersionText();

private:
    std::unique_ptr<Ui::TfrmSobre> ui;
};
