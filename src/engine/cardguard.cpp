#include "cardguard.h"

std::optional<platform::VolumeIdentity> CardGuard::identify(const QString &root)
{
    platform::VolumeIdentity identity;
    if (root.isEmpty() || !platform::readVolumeIdentity(root.toStdString(), identity))
        return std::nullopt;
    return identity;
}

void CardGuard::arm(const QString &root, const std::optional<platform::VolumeIdentity> &expected)
{
    m_root = root;
    m_expected = expected.value_or(platform::VolumeIdentity());
    m_lost = !expected.has_value();
    m_lastLook.invalidate();
}

bool CardGuard::holds()
{
    if (m_lost)
        return false;
    m_lastLook.start();
    const std::optional<platform::VolumeIdentity> now = identify(m_root);
    m_lost = !now || *now != m_expected;
    return !m_lost;
}

bool CardGuard::poll()
{
    if (m_lost || (m_lastLook.isValid() && m_lastLook.elapsed() < kPollMs))
        return !m_lost;
    return holds();
}

bool CardGuard::isOnCard(const QString &path)
{
    std::uint64_t device = 0;
    return holds() && platform::volumeOfPath(path.toStdString(), device)
           && device == m_expected.device;
}
