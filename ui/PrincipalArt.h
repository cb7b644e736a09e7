#pragma once

#include <QPixmap>


// The pictures of the main window's toolbar and of the period dialog's
// buttons, drawn in code so that they need no files beside the executable.
namespace PrincipalArt {

enum class TToolImage {
    PrintPreview, // a printer with a magnifying glass
    DeleteAccess, // a sheet crossed out in red
    PhoneTariff,  // a desk telephone
    Options,      // a gear wheel
    DateTime,     // a clock face
    Security,     // a padlock
    Users,        // two people
};

// A toolbar picture, 32 × 32 unless asked otherwise.
QPixmap ToolImage(TToolImage image, int size = 32);

// The pictures of the period dialog's "&Filtrar" (a funnel) and "&Cancelar"
// (a red cross) buttons.
QPixmap FilterPicture(int size = 24);
QPixmap CancelPicture(int size = 24);

} // namespace PrincipalArt
