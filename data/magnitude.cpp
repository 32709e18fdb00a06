// Radar magnitudes: the logarithmic 16-bit stretch, and the display range
// from a split Gaussian fitted to the stretched histogram by
// Levenberg-Marquardt least squares.
#include "data/magnitude.h"
#include "data/data_set.h"
#include "base/heap.h"
#include "base/progress.h"
#include <cmath>
#include <cstring>

MagnitudeFitParameters MagnitudeFit;

static const double kDerivativeSteps[4] = {1, 1, 0.5, 1};
constexpr uint16_t kConstantMagnitude = 32768;

void WidenMagnitudeLogRange(const float* values, int count, double* low, double* high)
{
    for (int i = 0; i < count; i++) {
        // An infinite magnitude is no magnitude: it would take the whole range.
        if (!(values[i] > 0) || !std::isfinite(values[i])) continue;
        double l = (float)log10((double)values[i]);
        if (l < *low) *low = l;
        if (l > *high) *high = l;
    }
}

double MagnitudeStretchFactor(double low, double high)
{
    if (!(high > low)) return 0;
    double k = 65534.0 / (high - low);
    return std::isfinite(k) ? k : 0;
}

void ScaleRadarMagnitude(const float* values, uint16_t* out, int count, double a, double k)
{
    for (int i = 0; i < count; i++) {
        float v = values[i];
        if (!(v > 0) || !std::isfinite(v)) {
            out[i] = 0;
            continue;
        }
        if (k == 0) {
            out[i] = kConstantMagnitude;
            continue;
        }
        // The log is rounded as the range was, and a hair is added against
        // the division's rounding, so the largest value reaches 65534.
        double c = k * ((double)(float)log10((double)v) - a) + 1e-9;
        if (c < 2) out[i] = 2;
        else if (c > 65535) out[i] = 65535;
        else out[i] = (uint16_t)(int)c;
    }
}

double SplitGaussian(double x, const double* p)
{
    double d = x < p[1] ? (x - p[1]) / p[2] : (x - p[1]) / p[3];
    double d2 = d * d;
    if (d2 > 20) return p[0] * 0;
    return p[0] * exp(-0.5 * d2);
}

void ModelDerivatives(int m, double x, double* p, double* g)
{
    for (int k = 0; k < m; k++) {
        double v = p[k], h = kDerivativeSteps[k];
        p[k] = v + h;
        double up = SplitGaussian(x, p);
        p[k] = v - h;
        double down = SplitGaussian(x, p);
        g[k] = (up - down) / (2 * h);
        p[k] = v;
    }
}

double MeanSquareResidual(int n, int dof, const double* y, const double* model)
{
    double sum = 0;
    for (int i = 0; i < n; i++) sum += (y[i] - model[i]) * (y[i] - model[i]);
    return sum / dof;
}

int InvertGaussJordan(int m, double a[][10], double* determinant)
{
    int rowOf[10], columnOf[10];
    bool used[10] = {};
    *determinant = 1;
    for (int stage = 0; stage < m; stage++) {
        double biggest = -1;
        int pr = 0, pc = 0;
        for (int j = 0; j < m; j++) {
            if (used[j]) continue;
            for (int k = 0; k < m; k++) {
                if (used[k]) continue;
                if (fabs(a[j][k]) >= biggest) {
                    biggest = fabs(a[j][k]);
                    pr = j;
                    pc = k;
                }
            }
        }
        used[pc] = true;
        if (pr != pc)
            for (int l = 0; l < m; l++) std::swap(a[pr][l], a[pc][l]);
        rowOf[stage] = pr;
        columnOf[stage] = pc;
        double pivot = a[pc][pc];
        if (pivot == 0) {
            *determinant = 0;
            return -1;
        }
        *determinant *= pivot;
        a[pc][pc] = 1;
        for (int l = 0; l < m; l++) a[pc][l] /= pivot;
        for (int j = 0; j < m; j++) {
            if (j == pc) continue;
            double factor = a[j][pc];
            a[j][pc] = 0;
            for (int l = 0; l < m; l++) a[j][l] -= a[pc][l] * factor;
        }
    }
    for (int stage = m - 1; stage >= 0; stage--) {
        if (rowOf[stage] == columnOf[stage]) continue;
        for (int j = 0; j < m; j++) std::swap(a[j][rowOf[stage]], a[j][columnOf[stage]]);
    }
    return 0;
}

static void ModelValues(int n, const double* x, const double* p, double* model)
{
    for (int i = 0; i < n; i++) model[i] = SplitGaussian(x[i], p);
}

int MarquardtStep(int n, int m, const double* x, const double* y, double* model, double* p, double* errors,
                  double* chiSquare, double* lambda)
{
    int dof = n - m;
    if (dof < 1) {
        *chiSquare = 0;
        return -1;
    }
    double alpha[10][10] = {}, beta[10] = {}, g[10];
    for (int i = 0; i < n; i++) {
        ModelDerivatives(m, x[i], p, g);
        double f = SplitGaussian(x[i], p);
        model[i] = f;
        double dy = y[i] - f;
        for (int j = 0; j < m; j++) {
            beta[j] += dy * g[j];
            for (int k = 0; k <= j; k++) alpha[j][k] += g[j] * g[k];
        }
    }
    for (int j = 0; j < m; j++)
        for (int k = j + 1; k < m; k++) alpha[j][k] = alpha[k][j];
    double oldChi = MeanSquareResidual(n, dof, y, model);

    double inverse[10][10], trial[10], root[10][10];
    for (int j = 0; j < m; j++)
        for (int k = 0; k < m; k++) {
            root[j][k] = sqrt(alpha[j][j] * alpha[k][k]);
            if (root[j][k] == 0) {
                *chiSquare = 0;
                return -1;
            }
        }
    // A chi-square that is not a number never improves: the retries are bounded
    // and the parameters stay as they were.
    for (int attempt = 0;; attempt++) {
        if (attempt >= kMaxLambdaRetries) {
            ModelValues(n, x, p, model);
            *chiSquare = oldChi;
            return -1;
        }
        for (int j = 0; j < m; j++)
            for (int k = 0; k < m; k++) inverse[j][k] = alpha[j][k] / root[j][k];
        for (int j = 0; j < m; j++) inverse[j][j] = 1 + *lambda;
        double determinant;
        if (InvertGaussJordan(m, inverse, &determinant) != 0) {
            ModelValues(n, x, p, model);
            *chiSquare = oldChi;
            return -1;
        }
        for (int j = 0; j < m; j++) {
            trial[j] = p[j];
            for (int k = 0; k < m; k++) trial[j] += inverse[j][k] * beta[k] / root[j][k];
        }
        ModelValues(n, x, trial, model);
        *chiSquare = MeanSquareResidual(n, dof, y, model);
        if (*chiSquare <= oldChi) break;
        *lambda *= 10;
    }
    for (int j = 0; j < m; j++) {
        p[j] = trial[j];
        errors[j] = sqrt(inverse[j][j] / alpha[j][j]);
    }
    *lambda /= 10;
    return 0;
}

const double* FitHistoData(int32_t* histogram, double lowFactor, double highFactor, double* low, double* high,
                           int* steps)
{
    double* p = MagnitudeFit.p;
    histogram[0] = histogram[1] = histogram[kHistogramBins - 1] = 0;
    double* x = (double*)Calloc(kHistogramBins, sizeof(double), "FitHistoData");
    double* y = (double*)Calloc(kHistogramBins, sizeof(double), "FitHistoData");
    double* model = (double*)Calloc(kHistogramBins, sizeof(double), "FitHistoData");
    int64_t total = 0;
    for (int i = 0; i < kHistogramBins; i++) total += histogram[i];
    int64_t half = total / 2;
    int start = 0;
    if (half > 0) {
        int64_t sum = 0;
        for (int i = 0; i < kHistogramBins; i++) {
            sum += histogram[i];
            if (sum >= half) {
                start = i + 1 < kHistogramBins ? i + 1 : i;
                break;
            }
        }
    }
    p[0] = histogram[start];
    p[1] = start;
    p[2] = p[3] = 25;
    int taken = 0;
    if (x && y && model) {
        for (int i = 0; i < kHistogramBins; i++) {
            x[i] = i;
            y[i] = histogram[i];
        }
        double lambda = 0.001, previous = 1000000, chi = 0, errors[4];
        while (taken < kMaxMarquardtSteps && fabs(previous - chi) >= 0.1) {
            previous = chi;
            int result = MarquardtStep(kHistogramBins, 4, x, y, model, p, errors, &chi, &lambda);
            StepProgress();
            taken++;
            if (result != 0) break;
        }
    }
    *low = p[1] - p[2] * lowFactor;
    if (*low < 0) *low = 0;
    *high = p[1] + p[3] * highFactor;
    if (*high > 65535) *high = 65535;
    Free(x);
    Free(y);
    Free(model);
    if (steps) *steps = taken;
    return p;
}

void FitMagnitudeHistogram(DataSet* set)
{
    if (!set || !set->magnitudes) return;
    int32_t* histogram = (int32_t*)Calloc(kHistogramBins, sizeof(int32_t), "histo_fit");
    if (!histogram) return;
    StartProgress((unsigned)(set->rows / 32768 + 21), "MAG Fit");
    for (int32_t r = 0; r < set->rows; r++) {
        if (r % 32768 == 0) StepProgress();
        const uint16_t* row = set->magnitudes[r];
        for (int32_t c = 0; c < set->columns; c++)
            if (row[c] > 1) histogram[row[c]]++;
    }
    double low, high;
    FitHistoData(histogram, set->magnitudeRangeLow, set->magnitudeRangeHigh, &low, &high);
    EndProgress();
    const double stretch = 1.0000457784627592;   // 65536 / 65533
    set->magnitudeFitLow = (low - 1) / stretch + 2;
    if (set->magnitudeFitLow < 0) set->magnitudeFitLow = 0;
    set->magnitudeFitHigh = (high - 1) / stretch + 2;
    set->magnitudeFitState = kMagnitudeFitSet;
    Free(histogram);
}
