#include "enginerun.h"

#include "speedtester.h"

void recordEngine(SpeedTester &tester, EngineRun &run)
{
    // No context object: the lambdas run on the emitting (engine) thread, so nothing is
    // lost to an event loop the test does not run.
    QObject::connect(&tester, &SpeedTester::writeProgress, [&run](int p, double c, double a) {
        run.writeProgress.append({p, c, a});
    });
    QObject::connect(&tester, &SpeedTester::readProgress, [&run](int p, double c, double a) {
        run.readProgress.append({p, c, a});
    });
    QObject::connect(&tester, &SpeedTester::writeFinished, [&run](double avg) {
        run.events.append(QStringLiteral("writeFinished"));
        run.writeAverages.append(avg);
    });
    QObject::connect(&tester, &SpeedTester::readFinished, [&run](double avg) {
        run.events.append(QStringLiteral("readFinished"));
        run.readAverages.append(avg);
    });
    QObject::connect(&tester, &SpeedTester::testError, [&run](const QString &message) {
        run.events.append(QStringLiteral("testError"));
        run.errors.append(message);
    });
    QObject::connect(&tester, &SpeedTester::log,
                     [&run](const QString &line) { run.logs.append(line); });
}

void runEngine(SpeedTester &tester, EngineRun &run, int timeoutMs)
{
    tester.start();
    run.ended = tester.wait(static_cast<unsigned long>(timeoutMs));
    if (!run.ended) {
        tester.requestStop();
        tester.wait();
    }
}
