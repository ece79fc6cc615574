#include "cardsimulator.h"

#include <chrono>

CardSimulator::CardSimulator(const Settings &settings)
    : m_settings(settings)
    , m_card(std::make_unique<LoopCard>(settings.imageBytes))
{}

QString CardSimulator::skipReason() const
{
    return m_card->skipReason().isEmpty() ? LoopCard::throttleProblem() : m_card->skipReason();
}

bool CardSimulator::start()
{
    m_stop = false;
    m_clock.start();
    const bool cliff = m_settings.profile == Profile::SlcCliff && m_settings.fastBytes > 0;
    if (!apply(cliff ? qRound64(m_settings.writeBps * m_settings.fastFactor) : m_settings.writeBps,
               m_settings.readBps))
        return false;
    m_writtenAtStart = qMax<qint64>(0, m_card->throttledBytes(QStringLiteral("Write")));
    if (cliff || m_settings.profile == Profile::Stalls)
        m_thread = std::thread([this] { follow(); });
    return true;
}

void CardSimulator::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

QString CardSimulator::error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

QVector<CardSimulator::Change> CardSimulator::changes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_changes;
}

bool CardSimulator::apply(qint64 writeBps, qint64 readBps)
{
    const bool ok = m_card->throttle(writeBps, readBps);
    const qint64 at = m_clock.elapsed();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ok)
        m_changes.append({at, writeBps, readBps});
    else
        m_error = m_card->throttleError();
    return ok;
}

void CardSimulator::follow()
{
    const Settings &s = m_settings;
    if (s.profile == Profile::SlcCliff) {
        // Counted by the block layer, so the cache "fills" with what reached the
        // card, not with what the engine has queued.
        while (pause(5)) {
            if (m_card->throttledBytes(QStringLiteral("Write")) - m_writtenAtStart >= s.fastBytes) {
                apply(s.writeBps, s.readBps);
                return;
            }
        }
        return;
    }
    while (pause(s.stallPeriodMs - s.stallMs)) {
        if (!apply(qRound64(s.writeBps * s.stallFraction), qRound64(s.readBps * s.stallFraction))
            || !pause(s.stallMs) || !apply(s.writeBps, s.readBps))
            break;
    }
    // Leave the card at its steady speed, whatever the moment it was stopped.
    apply(s.writeBps, s.readBps);
}

bool CardSimulator::pause(int ms)
{
    using namespace std::chrono;
    const auto until = steady_clock::now() + milliseconds(ms);
    while (!m_stop && steady_clock::now() < until)
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(until - steady_clock::now(), milliseconds(5)));
    return !m_stop;
}
