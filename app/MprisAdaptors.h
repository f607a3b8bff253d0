#pragma once

#include "MprisView.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMetaProperty>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace zuvelo {

class MprisService;

// The two interfaces of the desktop's media player protocol on the service's object, as Qt DBus
// exports them: the properties and methods below, with the protocol's names and types. Each only
// passes on to the service. User-interface thread only.

// org.mpris.MediaPlayer2: the application.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit MprisRootAdaptor(MprisService* service);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Zuvelo"); }
    QString desktopEntry() const { return QStringLiteral("zuvelo"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    MprisService* m_service;
};

// org.mpris.MediaPlayer2.Player: the transport and what is playing.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ hasTrack)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ hasTrack)
    Q_PROPERTY(bool CanPause READ hasTrack)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MprisPlayerAdaptor(MprisService* service);

    QString playbackStatus() const;
    // "Playing", "Paused" or "Stopped".
    static QString statusText(MprisView::Status status);
    // Zuvelo always wraps around from the last track to the first; that cannot be changed.
    QString loopStatus() const { return QStringLiteral("Playlist"); }
    void setLoopStatus(const QString&) {}
    double rate() const { return 1.0; }
    void setRate(double) {}
    bool shuffle() const;
    void setShuffle(bool on);
    QVariantMap metadata() const;
    double volume() const { return 1.0; }
    void setVolume(double) {}
    qlonglong position() const;
    bool hasTrack() const;
    bool canGoPrevious() const;
    bool canSeek() const { return false; }
    bool canControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    MprisService* m_service;
};

// org.freedesktop.DBus.Properties on the service's object, in place of Qt's own, which converts a
// value of any type to the property's (the string "no" to a true Shuffle): a value of another type
// than the property's is refused with InvalidArgs. Reads the other adaptors' properties as Qt does.
class MprisPropertiesAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // Qt describes this standard interface on every object already: not a second time.
    Q_CLASSINFO("D-Bus Introspection", " ")

public:
    explicit MprisPropertiesAdaptor(QObject* object);

public slots:
    // Each receives the call's message last, to answer it with an error.
    QDBusVariant Get(const QString& interface, const QString& name, const QDBusMessage& call);
    QVariantMap GetAll(const QString& interface, const QDBusMessage& call);
    void Set(const QString& interface, const QString& name, const QDBusVariant& value, const QDBusMessage& call);

private:
    // The adaptor of interface (any, when empty) and its property called name; none, with an
    // error reply sent, when there is no such property.
    std::pair<QObject*, QMetaProperty> find(const QString& interface, const QString& name, const QDBusMessage& call);
    // The D-Bus interface of child, if it is one of the other adaptors.
    const char* interfaceOf(const QObject* child) const;
};

} // namespace zuvelo
