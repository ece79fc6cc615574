#include "cardsimulator.h"

#include <chrono>

namespace {
constexpr int kPollMs = 5;
}  // namespace

CardSimulator::CardSimulator(const Settings &settings)
    : m_settings(settings)
    , m_card(std::make_unique<LoopCard>(settings.imageBytes))
{}

CardSimulator::~CardSimulator()
{
    // The thread must be gone before the card it throttles.
    stop();
}

QString CardSimulator::skipReason() const
{
    if (!m_card->skipReason().isEmpty())
        return m_card->skipReason();
    return LoopCard::throttleProblem();
}

bool CardSimulator::start()
{
    if (m_thread.joinable()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = QStringLiteral("already started");
        return false;
    }
    m_stop = false;
    m_clock.start();
    const bool cliff = m_settings.profile == Profile::SlcCliff && m_settings.fastBytes > 0;
    const qint64 firstWrite =
        cliff ? qRound64(m_settings.writeBps * m_settings.fastFactor) : m_settings.writeBps;
    if (!apply(firstWrite, m_settings.readBps))
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
    if (!ok) {
        m_error = m_card->throttleError();
        return false;
    }
    m_changes.append({at, writeBps, readBps});
    return true;
}

void CardSimulator::follow()
{
    if (m_settings.profile == Profile::SlcCliff)
        followCliff();
    else
        followStalls();
}

void CardSimulator::followCliff()
{
    // Counted by the block layer, so the cache "fills" with what reached the card, not with
    // what the engine has queued.
    while (pause(kPollMs)) {
        const qint64 written = m_card->throttledBytes(QStringLiteral("Write")) - m_writtenAtStart;
        if (written >= m_settings.fastBytes) {
            apply(m_settings.writeBps, m_settings.readBps);
            return;
        }
    }
}

void CardSimulator::followStalls()
{
    const qint64 slowWrite = qRound64(m_settings.writeBps * m_settings.stallFraction);
    const qint64 slowRead = qRound64(m_settings.readBps * m_settings.stallFraction);
    const int steadyMs = m_settings.stallPeriodMs - m_settings.stallMs;
    while (pause(steadyMs)) {
        if (!apply(slowWrite, slowRead) || !pause(m_settings.stallMs))
            break;
        if (!apply(m_settings.writeBps, m_settings.readBps))
            break;
    }
    // Leave the card at its steady speed, whatever the moment it was stopped.
    apply(m_settings.writeBps, m_settings.readBps);
}

bool CardSimulator::pause(int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stop) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - now, std::chrono::milliseconds(kPollMs)));
    }
    return false;
}
