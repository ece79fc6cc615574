#pragma once

#include "volumeidentity.h"

#include <QElapsedTimer>
#include <QString>

#include <optional>

// Keeps a test on the card it was started on. The card's root must still lead to the volume
// it led to at Start, and every test file must lie on that volume. A card pulled out,
// unmounted (lazily too, which leaves the empty mount folder of the system disk under the
// same path) or swapped for another fails the check, so nothing is written off the card and
// nothing off the card is deleted. Used on the engine thread only.
class CardGuard
{
public:
    // What `root` leads to now; nothing when that cannot be told.
    static std::optional<platform::VolumeIdentity> identify(const QString &root);

    // Watches `root`, which led to `expected` at Start; without one nothing holds.
    void arm(const QString &root, const std::optional<platform::VolumeIdentity> &expected);

    // Asks the system now. Once false, false for good: a card that went away and came back
    // may hold anything.
    bool holds();
    // holds(), asking the system at most every kPollMs and answering from the last look in
    // between: for the engine's watch loops.
    bool poll();
    // holds(), and `path` lies on the card (a missing path does not).
    bool isOnCard(const QString &path);
    // What the root led to at Start, which every test file's folder must lead to.
    const platform::VolumeIdentity &expected() const { return m_expected; }

    static constexpr qint64 kPollMs = 500;

private:
    QString m_root;
    platform::VolumeIdentity m_expected;
    bool m_lost = true;
    QElapsedTimer m_lastLook;
};
