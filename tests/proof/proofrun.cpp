#include "proofrun.h"

#include "cardsimulator.h"
#include "speedtester.h"

void collectSamples(SpeedTester &tester, ProofRun &run, const CardSimulator &sim)
{
    run.samples.reset(tester.streamCount());
    QObject::connect(&tester, &SpeedTester::writeProgress, [&run, &sim](int p, double c, double) {
        if (run.samples.addProgress(PassDirection::Write, p, c))
            run.writeSampleMs.append(sim.msSinceStart());
    });
    QObject::connect(&tester, &SpeedTester::readProgress, [&run](int p, double c, double) {
        run.samples.addProgress(PassDirection::Read, p, c);
    });
    QObject::connect(&tester, &SpeedTester::writeFinished, [&run](double avg) {
        run.samples.finishPass(PassDirection::Write, avg);
        run.writeAverages.append(avg);
    });
    QObject::connect(&tester, &SpeedTester::readFinished, [&run](double avg) {
        run.samples.finishPass(PassDirection::Read, avg);
        run.readAverages.append(avg);
    });
    QObject::connect(&tester, &SpeedTester::fileWriteSample,
                     [&run](int i, int p, double c, double a) {
                         run.samples.addStreamSample(PassDirection::Write, i, p, c, a);
                     });
    QObject::connect(&tester, &SpeedTester::fileReadSample,
                     [&run](int i, int p, double c, double a) {
                         run.samples.addStreamSample(PassDirection::Read, i, p, c, a);
                     });
    QObject::connect(&tester, &SpeedTester::testError,
                     [&run](const QString &message) { run.errors.append(message); });
    QObject::connect(&tester, &SpeedTester::log,
                     [&run](const QString &line) { run.logs.append(line); });
}

void runToEnd(SpeedTester &tester, ProofRun &run, int timeoutMs)
{
    tester.start();
    run.ended = tester.wait(static_cast<unsigned long>(timeoutMs));
    if (!run.ended) {
        tester.requestStop();
        tester.wait();
    }
}

ProofRun writeOneStream(CardSimulator &sim, qint64 bytes, int timeoutMs)
{
    ProofRun run;
    {
        SpeedTester tester;
        tester.setTargetDir(sim.card().rootPath());
        tester.setTestSize(bytes);
        tester.setBlockSize(1048576);
        tester.setStreamCount(1);
        collectSamples(tester, run, sim);
        runToEnd(tester, run, timeoutMs);
    }
    sim.stop();
    return run;
}
