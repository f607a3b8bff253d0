// The reference for the idle benchmark: a bare Qt window of the player's size whose 100 ms timer
// sets its title, as the player's monitor sets the caption on every tick while a track is paused.
// Whatever this costs per minute is the floor of any Qt window that polls ten times a second.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(656, 96);
    window.setWindowTitle("Zuvelo");
    window.show();

    QTimer timer;
    // The status word is built anew on every tick, as the player does with its status reply.
    QObject::connect(&timer, &QTimer::timeout, &window,
                     [&window] { window.setWindowTitle(QStringLiteral("Zuvelo") + QString::fromLatin1("paused")); });
    timer.start(100);
    return app.exec();
}
