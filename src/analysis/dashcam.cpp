#include "dashcam.h"

#include "verdictcell.h"

#include <QCoreApplication>

#include <cmath>

namespace {
constexpr double kBytesPerMB = 1048576.0;
constexpr double kDecimalMega = 1000000.0;

QString tr(const char *key)
{
    return QCoreApplication::translate("Dashcam", key);
}

// Highest first, so the first met is the one named.
constexpr int kVideoClasses[] = {90, 60, 30, 10, 6};
constexpr int kClasses[] = {10, 6, 4, 2};
struct UhsClass {
    int number;
    double decimalMBps;
};
constexpr UhsClass kUhsClasses[] = {{3, 30.0}, {1, 10.0}};

bool meets(double sustainedMBps, double decimalMBps)
{
    return sustainedMBps >= decimalMBpsToMBps(decimalMBps);
}

struct Preset {
    const char *name;
    const char *titleKey;
    QVector<double> channels;
};

const QVector<Preset> &presets()
{
    static const QVector<Preset> list = {
        {"1080p", "LabelPreset1080p", {12}},
        {"1440p", "LabelPreset1440p", {20}},
        {"4k", "LabelPreset4k", {50}},
        {"4k+1080p", "LabelPreset4kRear", {50, 12}},
        {"taxi", "LabelPresetTaxi", {20, 12, 12}},
    };
    return list;
}

QString bitrateText(double mbit)
{
    return QString::number(mbit, 'g', 6);
}

QString hoursText(double hours)
{
    return QString::number(hours, 'f', 1);
}
}  // namespace

double decimalMBpsToMBps(double decimalMBps)
{
    return decimalMBps * kDecimalMega / kBytesPerMB;
}

double mbitToMBps(double mbit)
{
    return mbit * kDecimalMega / 8.0 / kBytesPerMB;
}

QString SpeedClasses::videoName() const
{
    return video > 0 ? QStringLiteral("V%1").arg(video) : QString();
}

QString SpeedClasses::uhsName() const
{
    return uhs > 0 ? QStringLiteral("U%1").arg(uhs) : QString();
}

QString SpeedClasses::className() const
{
    return speedClass > 0 ? QStringLiteral("C%1").arg(speedClass) : QString();
}

SpeedClasses speedClassesOf(double sustainedMBps)
{
    SpeedClasses c;
    c.sustainedMBps = sustainedMBps;
    for (int v : kVideoClasses) {
        if (meets(sustainedMBps, v)) {
            c.video = v;
            break;
        }
    }
    for (const UhsClass &u : kUhsClasses) {
        if (meets(sustainedMBps, u.decimalMBps)) {
            c.uhs = u.number;
            break;
        }
    }
    for (int n : kClasses) {
        if (meets(sustainedMBps, n)) {
            c.speedClass = n;
            break;
        }
    }
    return c;
}

double DashcamProfile::totalMbit() const
{
    double total = 0.0;
    for (double c : channels)
        total += c;
    return total;
}

QString DashcamProfile::spec() const
{
    if (!preset.isEmpty())
        return preset;
    QStringList parts;
    for (double c : channels)
        parts << bitrateText(c);
    return parts.join(QLatin1Char(','));
}

const QVector<DashcamProfile> &dashcamPresets()
{
    static const QVector<DashcamProfile> list = [] {
        QVector<DashcamProfile> profiles;
        for (const Preset &p : presets())
            profiles.append({QString::fromLatin1(p.name), p.channels});
        return profiles;
    }();
    return list;
}

ProfileError parseDashcamProfile(const QString &text, DashcamProfile *profile)
{
    const QString t = text.trimmed().toLower();
    if (t.isEmpty()) {
        *profile = DashcamProfile();
        return ProfileError::None;
    }
    for (const DashcamProfile &p : dashcamPresets()) {
        if (t == p.preset) {
            *profile = p;
            return ProfileError::None;
        }
    }
    if (!t.front().isDigit() && t.front() != QLatin1Char('.'))
        return ProfileError::UnknownPreset;
    const QStringList parts = t.split(QLatin1Char(','));
    if (parts.size() > kMaxDashcamChannels)
        return ProfileError::TooManyChannels;
    DashcamProfile own;
    for (const QString &part : parts) {
        bool ok = false;
        const double mbit = part.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(mbit) || mbit <= 0.0 || mbit > kMaxChannelMbit)
            return ProfileError::BadBitrate;
        own.channels << mbit;
    }
    *profile = own;
    return ProfileError::None;
}

Verdict judgeChannel(double sustainedMBps, double bitrateMbit, double margin)
{
    const double needed = mbitToMBps(bitrateMbit);
    if (sustainedMBps < needed)
        return Verdict::Fail;
    if (sustainedMBps < needed * margin)
        return Verdict::Warn;
    return Verdict::Pass;
}

double recordingHours(qint64 capacityBytes, double totalMbit)
{
    if (capacityBytes <= 0 || totalMbit <= 0.0)
        return -1.0;
    return double(capacityBytes) * 8.0 / (totalMbit * kDecimalMega) / 3600.0;
}

Verdict DashcamAssessment::verdict() const
{
    return profile && profile->judged ? profile->verdict : Verdict::Pass;
}

DashcamAssessment assessForDashcam(const QVector<RowResult> &rows, const DashcamProfile &profile,
                                   double margin, qint64 capacityBytes)
{
    DashcamAssessment a;
    a.measured = !rows.isEmpty();
    if (a.measured)
        a.speedClass = speedClassesOf(rows.first().write.min);
    if (!profile.isSet())
        return a;
    DashcamJudgement j;
    j.profile = profile;
    j.margin = margin;
    j.hours = recordingHours(capacityBytes, profile.totalMbit());
    // With one stream the table has only the card-total row, which is that stream.
    j.testStreams = rows.size() > 1 ? rows.size() - 1 : rows.size();
    j.judged = a.measured && j.testStreams == profile.channels.size();
    for (int i = 0; i < profile.channels.size(); ++i) {
        DashcamChannel c;
        c.bitrateMbit = profile.channels[i];
        if (j.judged) {
            c.measured = true;
            c.sustainedMBps = rows[rows.size() > 1 ? i + 1 : 0].write.min;
            c.verdict = judgeChannel(c.sustainedMBps, c.bitrateMbit, margin);
            j.verdict = combineVerdicts(j.verdict, c.verdict);
        }
        j.channels << c;
    }
    a.profile = j;
    return a;
}

QString dashcamVerdictWord(Verdict v)
{
    switch (v) {
    case Verdict::Fail:
        return tr("VerdictDashcamNotFit");
    case Verdict::Warn:
        return tr("VerdictDashcamMarginal");
    case Verdict::Pass:
        break;
    }
    return tr("VerdictDashcamFit");
}

QString dashcamVerdictName(Verdict v)
{
    switch (v) {
    case Verdict::Fail:
        return QStringLiteral("notFit");
    case Verdict::Warn:
        return QStringLiteral("marginal");
    case Verdict::Pass:
        break;
    }
    return QStringLiteral("fit");
}

QString dashcamProfileTitle(const DashcamProfile &profile)
{
    QStringList rates;
    for (double c : profile.channels)
        rates << bitrateText(c);
    const QString list = rates.join(QStringLiteral(" + "));
    for (const Preset &p : presets()) {
        if (profile.preset == QLatin1String(p.name))
            return tr("LabelDashcamProfile").arg(tr(p.titleKey), list);
    }
    return tr("LabelOwnBitrates").arg(list);
}

QString speedClassLine(const SpeedClasses &classes)
{
    const QString sustained = QString::number(classes.sustainedMBps, 'f', 2);
    QStringList met;
    for (const QString &name : {classes.videoName(), classes.uhsName(), classes.className()}) {
        if (!name.isEmpty())
            met << name;
    }
    if (met.isEmpty())
        return tr("SummarySpeedClassNone").arg(sustained);
    return tr("SummarySpeedClass").arg(met.join(QStringLiteral(" · ")), sustained);
}

QString speedClassNote()
{
    return tr("TipSpeedClass");
}

QString dashcamLine(const DashcamJudgement &j)
{
    QString line =
        tr("SummaryDashcam")
            .arg(dashcamProfileTitle(j.profile),
                 j.judged ? dashcamVerdictWord(j.verdict) : tr("VerdictDashcamNotJudged"));
    if (j.hours >= 0.0)
        line += QStringLiteral(" · ") + tr("SummaryRecordingHours").arg(hoursText(j.hours));
    return line;
}

QStringList dashcamReasonLines(const DashcamJudgement &j)
{
    QStringList lines;
    if (!j.judged) {
        lines << tr("VerdictReasonStreams").arg(j.testStreams).arg(j.channels.size());
        return lines;
    }
    for (int i = 0; i < j.channels.size(); ++i) {
        const DashcamChannel &c = j.channels[i];
        if (c.verdict == Verdict::Pass)
            continue;
        const double needed = mbitToMBps(c.bitrateMbit);
        const double limit = c.verdict == Verdict::Fail ? needed : needed * j.margin;
        const auto [measured, threshold] = figuresApart(c.sustainedMBps, limit);
        lines << tr("VerdictReasonChannel")
                     .arg(QString::number(i + 1), bitrateText(c.bitrateMbit), measured, threshold,
                          dashcamVerdictWord(c.verdict));
    }
    return lines;
}

QStringList presetHoursLines(qint64 capacityBytes)
{
    QStringList lines;
    for (const DashcamProfile &p : dashcamPresets()) {
        const double hours = recordingHours(capacityBytes, p.totalMbit());
        if (hours >= 0.0)
            lines << tr("TipPresetHours").arg(dashcamProfileTitle(p), hoursText(hours));
    }
    return lines;
}
