#include "app/uSplash.h"

#include "app/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

bool SplashWanted(platform::IRegistry& registry)
{
    const std::string key = "\\Software\\Pulsim";
    if (!registry.OpenKey(platform::IRegistry::Root::LocalMachine, key, true))
        return false;
    return registry.ReadBool(platform::IRegistry::Root::LocalMachine, key, "ShowSplash", false);
}

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(Artwork::SplashPicture())
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(360, 230);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TfrmSplash::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, m_picture);
}
