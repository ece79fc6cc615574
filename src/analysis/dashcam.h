#pragma once

#include "evaluation.h"
#include "verdict.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// What the figures of a test mean for a dashcam: the SD speed classes its sustained write
// meets, and how a recording profile (one bitrate per camera channel) fares on it.

// The SD classes count MB/s of 1,000,000 bytes, bitrates Mbit/s of 1,000,000 bits; this
// program's MB is 1,048,576 bytes.
double decimalMBpsToMBps(double decimalMBps);
double mbitToMBps(double mbit);

// The highest class of each family that a sustained write speed (MB/s) meets, 0 for none:
// Video Speed Class 6, 10, 30, 60, 90; UHS Speed Class 1, 3; Speed Class 2, 4, 6, 10.
struct SpeedClasses {
    double sustainedMBps = 0.0;
    int video = 0;
    int uhs = 0;
    int speedClass = 0;
    // "V30", "U3", "C10"; empty when the family has none met.
    QString videoName() const;
    QString uhsName() const;
    QString className() const;
};
SpeedClasses speedClassesOf(double sustainedMBps);

// A recording profile: a preset or the user's own list of channel bitrates.
struct DashcamProfile {
    QString preset;            // a preset's name, e.g. "4k"; empty for a list of bitrates
    QVector<double> channels;  // Mbit/s, one per camera channel and so one per stream
    bool isSet() const { return !channels.isEmpty(); }
    double totalMbit() const;
    // As typed and stored: the preset's name, or the bitrates joined by commas ("50,12").
    QString spec() const;
};
const QVector<DashcamProfile> &dashcamPresets();

constexpr int kMaxDashcamChannels = 16;  // one stream per channel
constexpr double kMaxChannelMbit = 1000.0;

// A preset's name (case does not matter) or a list of 1 ... 16 bitrates above 0 and up to
// 1000 Mbit/s, e.g. "50,12". An empty text is no profile.
enum class ProfileError { None, UnknownPreset, BadBitrate, TooManyChannels };
ProfileError parseDashcamProfile(const QString &text, DashcamProfile *profile);

// One channel against the stream that recorded it: Fail (not fit) below the bitrate, Warn
// (marginal) below bitrate x margin, Pass (fit) from there on.
Verdict judgeChannel(double sustainedMBps, double bitrateMbit, double margin);

// Hours of loop recording the capacity holds at a total bitrate; -1 when either is unknown.
double recordingHours(qint64 capacityBytes, double totalMbit);

struct DashcamChannel {
    double bitrateMbit = 0.0;
    bool measured = false;  // its stream ran
    double sustainedMBps = 0.0;
    Verdict verdict = Verdict::Pass;
};

struct DashcamJudgement {
    DashcamProfile profile;
    double margin = 1.5;
    int testStreams = 0;
    QVector<DashcamChannel> channels;
    // Only when the test ran one stream per channel; otherwise no channel is judged.
    bool judged = false;
    Verdict verdict = Verdict::Pass;
    double hours = -1.0;  // at the profile's total bitrate; -1 when the capacity is unknown
};

// What a finished test means for a dashcam; the card history keeps it as it is.
struct DashcamAssessment {
    bool measured = false;  // the test has a card-total write figure
    SpeedClasses speedClass;
    std::optional<DashcamJudgement> profile;
    // The profile's verdict, counted like a row's; Pass without a judged profile.
    Verdict verdict() const;
};

// From the rows of the results table (the card total first, then the streams when there
// are several): the classes from the card total's write minimum, each channel from its
// stream's write minimum.
DashcamAssessment assessForDashcam(const QVector<RowResult> &rows, const DashcamProfile &profile,
                                   double margin, qint64 capacityBytes);

// Texts, in the current language.
QString dashcamVerdictWord(Verdict v);  // Fit, Marginal, Not fit
QString dashcamVerdictName(Verdict v);  // "fit", "marginal", "notFit" for reports
QString dashcamProfileTitle(const DashcamProfile &profile);
QString speedClassLine(const SpeedClasses &classes);
// Why a speed class is only what this test measured.
QString speedClassNote();
QString dashcamLine(const DashcamJudgement &judgement);
// One line per channel that is not fit or marginal, and the stream count that does not match.
QStringList dashcamReasonLines(const DashcamJudgement &judgement);
// The hours of every preset on a card of this capacity, one a line.
QStringList presetHoursLines(qint64 capacityBytes);
