#include "chartscale.h"

#include <cmath>

double niceCeil(double x)
{
    if (!(x > 0.0) || !std::isfinite(x))
        return x;
    static const double steps[] = {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0};
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    const double r = x / p;
    for (double step : steps) {
        if (step >= r)
            return p * step;
    }
    return 10.0 * p;
}

double scaleMaximum(double largestSpeed)
{
    // Written so that NaN falls back to the floor as well.
    const double largest = largestSpeed > 10.0 ? largestSpeed : 10.0;
    return niceCeil(1.08 * largest);
}

QString scaleLabel(double value)
{
    return QString::number(value, 'f', value < 10.0 ? 1 : 0);
}

QStringList scaleLabels(double maximum)
{
    QStringList labels;
    for (int i = 0; i <= kScaleSteps; ++i)
        labels << scaleLabel(i * maximum / kScaleSteps);
    return labels;
}
