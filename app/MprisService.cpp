#include "MprisService.h"

#include "MprisAdaptors.h"
#include "PlayerApp.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <unistd.h>

namespace zuvelo {
namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kBusName = QStringLiteral("org.mpris.MediaPlayer2.zuvelo");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

QString fromBytes(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool sameTrack(const MprisView& a, const MprisView& b)
{
    return a.trackNumber == b.trackNumber && a.device == b.device && a.fileUri == b.fileUri && a.title == b.title &&
           a.album == b.album && a.lengthMicroseconds == b.lengthMicroseconds;
}

} // namespace

MprisService::MprisService(PlayerApp& player) : m_player(player)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    new MprisPropertiesAdaptor(this);
}

MprisService::~MprisService()
{
    if (m_following)
        m_player.setAfterTick({});
}

std::optional<std::string> MprisService::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        const QString reason = bus.lastError().message();
        return "no session bus" + (reason.isEmpty() ? std::string() : " (" + reason.simplified().toStdString() + ")");
    }
    m_view = readMprisView(m_player.context(), MprisView{});
    // The object first, so that a client that sees the name can call at once.
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return "the object path " + kObjectPath.toStdString() + " is taken on the session bus";
    // Copies in different folders run side by side: the first takes the plain name.
    if (!bus.registerService(kBusName) &&
        !bus.registerService(kBusName + QStringLiteral(".instance") + QString::number(::getpid()))) {
        bus.unregisterObject(kObjectPath);
        return "the session bus refused the name " + kBusName.toStdString() + " (" +
               bus.lastError().message().simplified().toStdString() + ")";
    }
    m_player.setAfterTick([this] { afterTick(); });
    m_following = true;
    return std::nullopt;
}

QVariantMap MprisService::metadata() const
{
    if (!m_view.hasTrack || m_view.trackNumber < 1)
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/zuvelo/track/") +
                                                                              QString::number(m_view.trackNumber)))},
        {QStringLiteral("xesam:url"), fromBytes(m_view.fileUri)},
        {QStringLiteral("xesam:title"), fromBytes(m_view.title)},
        {QStringLiteral("xesam:album"), fromBytes(m_view.album)},
    };
    if (m_view.lengthMicroseconds)
        map.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong(*m_view.lengthMicroseconds)));
    return map;
}

std::int64_t MprisService::positionMicroseconds()
{
    return readPositionMicroseconds(m_player.context());
}

void MprisService::next()
{
    m_player.events().command1Click();
}
void MprisService::previous()
{
    m_player.events().command3Click();
}
// Play and pause decide from the state at the moment of the call, so that keys pressed quickly
// in turn toggle: a tick's reading would still say "paused" right after a resume, and ">" while
// playing restarts the track in the ordered modes. Each does nothing where it has nothing to do.
void MprisService::pause()
{
    if (!m_player.context().ending && readPlayStatus(m_player.context()) != MprisView::Status::Paused)
        m_player.events().command4Click();
}
void MprisService::play()
{
    if (!m_player.context().ending && readPlayStatus(m_player.context()) != MprisView::Status::Playing)
        m_player.events().command5Click();
}

void MprisService::playPause()
{
    if (!m_player.context().ending && readPlayStatus(m_player.context()) == MprisView::Status::Playing)
        m_player.events().command4Click();
    else
        play();
}

void MprisService::setShuffle(bool on)
{
    // As if the user had picked the entry in the mode box: its change handler takes the mode.
    PlayerContext& ctx = m_player.context();
    if (ctx.ending)
        return;
    ctx.form.setCombo1Text(ctx.state.ModeName[on ? kModeRandom : kModeInOrder]);
}

void MprisService::raise()
{
    QWidget& window = m_player.window();
    window.showNormal();
    window.raise();
    window.activateWindow();
}

void MprisService::quit()
{
    m_player.window().close();
}

void MprisService::afterTick()
{
    if (m_player.context().ending)
        return;
    const MprisView before = m_view;
    m_view = readMprisView(m_player.context(), before);
    if (m_view == before)
        return;

    QVariantMap changed;
    if (m_view.status != before.status)
        changed.insert(QStringLiteral("PlaybackStatus"), MprisPlayerAdaptor::statusText(m_view.status));
    if (!sameTrack(m_view, before))
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (m_view.shuffle != before.shuffle)
        changed.insert(QStringLiteral("Shuffle"), m_view.shuffle);
    if (m_view.hasTrack != before.hasTrack) {
        for (const char* name : {"CanGoNext", "CanPlay", "CanPause"})
            changed.insert(QString::fromLatin1(name), m_view.hasTrack);
    }
    if (m_view.canGoPrevious() != before.canGoPrevious())
        changed.insert(QStringLiteral("CanGoPrevious"), m_view.canGoPrevious());
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace zuvelo
