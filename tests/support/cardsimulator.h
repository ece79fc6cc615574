#pragma once

#include "loopcard.h"

#include <QElapsedTimer>
#include <QVector>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// A loop card whose speed follows a profile while a test runs, so the test
// knows at every moment how fast the card truly is. A thread of its own
// rewrites the blkio limits; the card (and everything LoopCard made) is removed
// when the simulator goes, also when the test fails half-way.
class CardSimulator
{
public:
    enum class Profile {
        Steady,    // the steady speed throughout
        SlcCliff,  // writes run at fastFactor x steady for the first fastBytes, then
                   // steady
        Stalls,    // steady, with a drop to stallFraction x steady every stallPeriodMs
    };

    struct Settings {
        Profile profile = Profile::Steady;
        qint64 imageBytes = 512LL * 1048576;
        qint64 writeBps = 20LL * 1048576;  // the steady speeds
        qint64 readBps = 20LL * 1048576;
        double fastFactor = 4.0;
        qint64 fastBytes = 0;
        int stallPeriodMs = 5000;
        int stallMs = 500;
        double stallFraction = 0.3;
    };

    // When the limits changed, in ms since start(), and what they became.
    struct Change {
        qint64 atMs;
        qint64 writeBps;
        qint64 readBps;
    };

    explicit CardSimulator(const Settings &settings);
    ~CardSimulator() { stop(); }  // the thread must be gone before the card it throttles
    Q_DISABLE_COPY(CardSimulator)

    LoopCard &card() { return *m_card; }
    // Why the simulator cannot run here (no loop cards, no throttle); empty when
    // it can.
    QString skipReason() const;

    // Applies the first limits and starts following the profile. False with
    // error().
    bool start();
    // Stops following the profile; the last limits stay. Safe to call twice.
    void stop();
    QString error() const;

    // When start() was called, on QElapsedTimer's monotonic clock.
    qint64 startedAt() const { return m_clock.msecsSinceReference(); }
    QVector<Change> changes() const;

private:
    bool apply(qint64 writeBps, qint64 readBps);
    void follow();
    bool pause(int ms);  // false once stop() was called

    Settings m_settings;
    std::unique_ptr<LoopCard> m_card;
    QElapsedTimer m_clock;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;  // guards m_changes and m_error
    QVector<Change> m_changes;
    QString m_error;
    qint64 m_writtenAtStart = 0;
};

// In a QtTest function: skip where the simulator cannot run, fail when starting
// it failed.
#define CARDSIM_START(sim)                                                                         \
    do {                                                                                           \
        if (!(sim).skipReason().isEmpty())                                                         \
            QSKIP(qPrintable((sim).skipReason()));                                                 \
        QVERIFY2((sim).card().isReady(), qPrintable((sim).card().failure()));                      \
        QVERIFY2((sim).start(), qPrintable((sim).error()));                                        \
    } while (false)
