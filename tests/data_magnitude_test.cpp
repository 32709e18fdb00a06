// The magnitude stretch and the split-Gaussian fit of its histogram.
#include "test_support.h"
#include "data/magnitude.h"
#include <cmath>
#include <limits>
#include <vector>

TEST(MagnitudeStretch, LogScaleEndsAndConstantImages)
{
    float values[5] = {10, 1000, 100000, 0, -2};
    double low = 3.37e38, high = -3.37e38;
    WidenMagnitudeLogRange(values, 5, &low, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 5);
    uint16_t out[5];
    ScaleRadarMagnitude(values, out, 5, low, MagnitudeStretchFactor(low, high));
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], 65534);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 0);

    // Equal magnitudes leave no range: one constant value, not a division by 0.
    float equal[3] = {7, 7, 0};
    low = 3.37e38, high = -3.37e38;
    WidenMagnitudeLogRange(equal, 3, &low, &high);
    EXPECT_EQ(MagnitudeStretchFactor(low, high), 0);
    ScaleRadarMagnitude(equal, out, 3, low, 0);
    EXPECT_EQ(out[0], out[1]);
    EXPECT_GT(out[0], 1);
    EXPECT_EQ(out[2], 0);
}

TEST(MagnitudeFit, RecoversTheParametersOfASplitGaussianHistogram)
{
    std::vector<int32_t> histogram(kHistogramBins, 0);
    const double truth[4] = {5000, 30000, 900, 2000};
    for (int i = 0; i < kHistogramBins; i++) histogram[i] = (int32_t)lround(SplitGaussian(i, truth));
    double low, high;
    int steps = 0;
    const double* p = FitHistoData(histogram.data(), 4.0, 4.0, &low, &high, &steps);
    EXPECT_NEAR(p[0], 5000, 5);
    EXPECT_NEAR(p[1], 30000, 5);
    EXPECT_NEAR(p[2], 900, 5);
    EXPECT_NEAR(p[3], 2000, 5);
    EXPECT_NEAR(low, 30000 - 4 * 900, 30);
    EXPECT_NEAR(high, 30000 + 4 * 2000, 30);
    EXPECT_LT(steps, kMaxMarquardtSteps);   // it settles before the step limit

    // A model wider than the range is cut at 0 and 65535.
    const double wide[4] = {100, 1000, 400, 30000};
    for (int i = 0; i < kHistogramBins; i++) histogram[i] = (int32_t)lround(SplitGaussian(i, wide));
    FitHistoData(histogram.data(), 4.0, 4.0, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 65535);
}

TEST(MagnitudeFit, AnEmptyHistogramKeepsTheStartValues)
{
    std::vector<int32_t> histogram(kHistogramBins, 0);
    histogram[0] = histogram[1] = 500;   // magnitudes 0 and 1 do not count
    double low, high;
    const double* p = FitHistoData(histogram.data(), 4.0, 4.0, &low, &high);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
}

TEST(MagnitudeFit, AStepThatCannotImproveKeepsItsParameters)
{
    // A count that is not a number makes every trial's chi-square NaN: the
    // lambda retries end and the parameters stay.
    const int n = 200;
    std::vector<double> x(n), y(n), model(n);
    for (int i = 0; i < n; i++) {
        x[i] = i;
        y[i] = 50 * exp(-0.5 * (i - 100) * (i - 100) / 400.0);
    }
    y[10] = std::numeric_limits<double>::quiet_NaN();
    double p[4] = {40, 90, 15, 25}, errors[4], chi = 0, lambda = 0.001;
    EXPECT_EQ(MarquardtStep(n, 4, x.data(), y.data(), model.data(), p, errors, &chi, &lambda), -1);
    EXPECT_EQ(p[0], 40);
    EXPECT_EQ(p[1], 90);
    EXPECT_TRUE(std::isfinite(lambda));

    // Without the bad count the same step improves the fit.
    y[10] = 50 * exp(-0.5 * 90 * 90 / 400.0);
    lambda = 0.001;
    EXPECT_EQ(MarquardtStep(n, 4, x.data(), y.data(), model.data(), p, errors, &chi, &lambda), 0);
    EXPECT_NE(p[1], 90);
}

TEST(MagnitudeFit, ModelAndInversionDetails)
{
    const double p[4] = {10, 50, 5, 20};
    EXPECT_EQ(SplitGaussian(50, p), 10);
    EXPECT_NEAR(SplitGaussian(70, p), 10 * exp(-0.5), 1e-12);   // upper width from the centre on
    EXPECT_NEAR(SplitGaussian(45, p), 10 * exp(-0.5), 1e-12);
    EXPECT_EQ(SplitGaussian(50 - 5 * 4.5, p), 0);               // beyond d^2 = 20

    double m[10][10] = {{2, 1, 0}, {1, 3, 1}, {0, 1, 4}};
    double a[10][10];
    memcpy(a, m, sizeof a);
    double det;
    ASSERT_EQ(InvertGaussJordan(3, a, &det), 0);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            double s = 0;
            for (int k = 0; k < 3; k++) s += m[i][k] * a[k][j];
            EXPECT_NEAR(s, i == j ? 1 : 0, 1e-12);
        }
    double singular[10][10] = {{1, 2}, {2, 4}};
    EXPECT_EQ(InvertGaussJordan(2, singular, &det), -1);
    EXPECT_EQ(det, 0);
}
