#include "MprisAdaptors.h"

#include "MprisService.h"

#include <QDBusConnection>
#include <QMetaProperty>

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
bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_service->view().canGoPrevious();
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

namespace {

// Answers call with an error instead of the reply Qt would send when the slot returns.
void refuse(const QDBusMessage& call, QDBusError::ErrorType error, const QString& text)
{
    call.setDelayedReply(true);
    QDBusConnection::sessionBus().send(call.createErrorReply(error, text));
}

} // namespace

MprisPropertiesAdaptor::MprisPropertiesAdaptor(QObject* object) : QDBusAbstractAdaptor(object)
{
}

const char* MprisPropertiesAdaptor::interfaceOf(const QObject* child) const
{
    const QMetaObject* meta = child->metaObject();
    const int info = meta->indexOfClassInfo("D-Bus Interface");
    return child != this && qobject_cast<const QDBusAbstractAdaptor*>(child) != nullptr && info >= 0
               ? meta->classInfo(info).value()
               : nullptr;
}

std::pair<QObject*, QMetaProperty> MprisPropertiesAdaptor::find(const QString& interface, const QString& name,
                                                                 const QDBusMessage& call)
{
    for (QObject* child : parent()->children()) {
        const char* its = interfaceOf(child);
        const int index = child->metaObject()->indexOfProperty(name.toUtf8().constData());
        if (its != nullptr && (interface.isEmpty() || interface == QLatin1String(its)) && index >= 0)
            return {child, child->metaObject()->property(index)};
    }
    refuse(call, QDBusError::UnknownProperty, QStringLiteral("No property %1 in %2").arg(name, interface));
    return {nullptr, {}};
}

QDBusVariant MprisPropertiesAdaptor::Get(const QString& interface, const QString& name, const QDBusMessage& call)
{
    const auto [adaptor, property] = find(interface, name, call);
    return adaptor != nullptr ? QDBusVariant(property.read(adaptor)) : QDBusVariant();
}

QVariantMap MprisPropertiesAdaptor::GetAll(const QString& interface, const QDBusMessage& call)
{
    for (QObject* child : parent()->children()) {
        const char* its = interfaceOf(child);
        if (its == nullptr || interface != QLatin1String(its))
            continue;
        QVariantMap all;
        const QMetaObject* meta = child->metaObject();
        for (int i = QDBusAbstractAdaptor::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
            all.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(child));
        return all;
    }
    refuse(call, QDBusError::UnknownInterface, QStringLiteral("No interface %1").arg(interface));
    return {};
}

void MprisPropertiesAdaptor::Set(const QString& interface, const QString& name, const QDBusVariant& value,
                                 const QDBusMessage& call)
{
    const auto [adaptor, property] = find(interface, name, call);
    if (adaptor == nullptr)
        return;
    if (!property.isWritable())
        refuse(call, QDBusError::PropertyReadOnly, QStringLiteral("%1 is read-only").arg(name));
    else if (value.variant().metaType() != property.metaType())
        refuse(call, QDBusError::InvalidArgs, QStringLiteral("%1 takes a %2").arg(name, property.typeName()));
    else
        property.write(adaptor, value.variant());
}

} // namespace zuvelo
