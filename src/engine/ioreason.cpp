#include "ioreason.h"

#include "ioerror.h"

#include <QCoreApplication>

namespace {
QString tr(const char *key)
{
    return QCoreApplication::translate("FileWorker", key);
}
}  // namespace

QString withIoReason(const QString &message, int osError, const QString &path, bool reading)
{
    if (osError == 0)
        return (reading ? tr("ErrReasonFileShort") : tr("ErrReasonWriteShort")).arg(message);
    switch (platform::ioErrorKind(osError, path.toStdString())) {
    case platform::IoErrorKind::WriteProtected:
        return tr("ErrReasonWriteProtected").arg(message);
    case platform::IoErrorKind::NoSpace:
        return tr("ErrReasonNoSpace").arg(message);
    case platform::IoErrorKind::DeviceGone:
        return tr("ErrReasonDeviceGone").arg(message);
    case platform::IoErrorKind::AccessDenied:
        return tr("ErrReasonAccessDenied").arg(message);
    case platform::IoErrorKind::Other:
        break;
    }
    return tr("ErrReasonSystem")
        .arg(message, QString::fromStdString(platform::ioErrorText(osError)));
}
