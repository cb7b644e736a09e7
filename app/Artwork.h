#pragma once

#include <QIcon>
#include <QPixmap>
#include <QVector>

// The program's pictures, drawn in code so that they scale cleanly and need no
// files beside the executable.
namespace Artwork {

// ImgLstTrayIcon2: ten 16 × 16 frames of the tray icon. Frame 0 is the idle
// icon; a connection steps through all ten.
QVector<QIcon> TrayFrames();
QPixmap TrayFrame(int index, int size = 16);

// ImgLstPop: the six 16 × 16 images of the tray menu
// (0 schedule, 1 tariffs, 2 open, 3 help, 4 simulate, 5 shut down).
QVector<QIcon> MenuImages();

// The 360 × 230 splash picture.
QPixmap SplashPicture();

// The program's own picture (used in windows and on the report).
QPixmap ProgramPicture(int size);

// A small information picture and the close picture of the hint window,
// normal and highlighted.
QPixmap InformationPicture(int size = 16);
QPixmap ClosePicture(bool highlighted, int size = 14);

} // namespace Artwork
