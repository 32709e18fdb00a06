// Radar magnitude images: the logarithmic stretch of raw magnitudes into
// 16-bit display values, and the split-Gaussian fit of their histogram that
// chooses the display range.
#pragma once
#include <cstdint>

struct DataSet;

// Smallest and largest log10 (rounded to f32) of the positive values, kept
// across calls; start with low 3.37e38 and high -3.37e38.
void WidenMagnitudeLogRange(const float* values, int count, double* low, double* high);
// The stretch factor for a log range: 65534 / (high - low), or 0 when the
// range is empty or a single value (every positive magnitude then maps to
// one constant display value).
double MagnitudeStretchFactor(double low, double high);
// v > 0: trunc(k (log10 v - a)) within 2..65535; v <= 0: 0. With k = 0 every
// positive value becomes the middle display value.
void ScaleRadarMagnitude(const float* values, uint16_t* out, int count, double a, double k);

// The fit's parameter vector: amplitude, centre, lower width, upper width.
struct MagnitudeFitParameters {
    double p[4];
};
extern MagnitudeFitParameters MagnitudeFit;   // the last fit's values

// The fit state of a data set whose fitted display range is set.
constexpr int32_t kMagnitudeFitSet = 1500;
constexpr int kHistogramBins = 65536;
constexpr int kMaxMarquardtSteps = 20;
constexpr int kMaxLambdaRetries = 30;

// Sets the data set's fit range from its magnitude grid.
void FitMagnitudeHistogram(DataSet* set);
// Fits the model to the histogram and writes the display range (before the
// final mapping); returns the parameters. `steps` (optional) receives the
// number of Levenberg-Marquardt steps taken.
const double* FitHistoData(int32_t* histogram, double lowFactor, double highFactor, double* low, double* high,
                           int* steps = nullptr);
double SplitGaussian(double x, const double* parameters);
void   ModelDerivatives(int m, double x, double* parameters, double* derivatives);
// One step; 0, or -1 when it cannot proceed (the parameters then stay).
int    MarquardtStep(int n, int m, const double* x, const double* y, double* model, double* parameters,
                     double* errors, double* chiSquare, double* lambda);
// Inverts the leading m x m block (rows of 10); -1 with determinant 0 when a pivot is 0.
int    InvertGaussJordan(int m, double matrix[][10], double* determinant);
double MeanSquareResidual(int n, int degreesOfFreedom, const double* y, const double* model);
