#include "MprisAdaptors.h"

#include "MprisService.h"

namespace zuvelo {

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service)
{
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    // The file types the folder scan takes: wav, wma, mp3, mp2, mid and midi.
    return {QStringLiteral("audio/wav"),  QStringLiteral("audio/x-wav"), QStringLiteral("audio/x-ms-wma"),
            QStringLiteral("audio/mpeg"), QStringLiteral("audio/midi"),  QStringLiteral("audio/x-midi")};
}

void MprisRootAdaptor::Raise()
{
    m_service->raise();
}
void MprisRootAdaptor::Quit()
{
    m_service->quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return statusText(m_service->view().status);
}

QString MprisPlayerAdaptor::statusText(MprisView::Status status)
{
    switch (status) {
    case MprisView::Status::Playing: return QStringLiteral("Playing");
    case MprisView::Status::Paused: return QStringLiteral("Paused");
    case MprisView::Status::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

bool MprisPlayerAdaptor::shuffle() const
{
    return m_service->view().shuffle;
}
void MprisPlayerAdaptor::setShuffle(bool on)
{
    m_service->setShuffle(on);
}
QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service->metadata();
}
qlonglong MprisPlayerAdaptor::position() const
{
    return m_service->positionMicroseconds();
}
bool MprisPlayerAdaptor::hasTrack() const
{
    return m_service->view().hasTrack;
}

void MprisPlayerAdaptor::Next()
{
    m_service->next();
}
void MprisPlayerAdaptor::Previous()
{
    m_service->previous();
}
void MprisPlayerAdaptor::Pause()
{
    m_service->pause();
}
void MprisPlayerAdaptor::PlayPause()
{
    m_service->playPause();
}
// Stopping is pausing: the monitor would start the next track after a real stop.
void MprisPlayerAdaptor::Stop()
{
    m_service->pause();
}
void MprisPlayerAdaptor::Play()
{
    m_service->play();
}
// Accepted and ignored: the player has no seeking and opens nothing by name.
void MprisPlayerAdaptor::Seek(qlonglong)
{
}
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong)
{
}
void MprisPlayerAdaptor::OpenUri(const QString&)
{
}

} // namespace zuvelo
