// Adaptive exact orientation and in-circle predicates (Shewchuk's method:
// floating-point expansions, error-free sums and products, and error bounds
// that let each stage stop as soon as its sign is certain).
#include "base/triangulate/predicates.h"

ExactArithmetic exactArithmetic;

// The constants depend only on the arithmetic, so they are computed once;
// threads that triangulate at the same time then only read them.
static ExactArithmetic ComputeExactArithmetic()
{
    double half = 0.5;
    double check = 1.0, lastcheck;
    int everyOther = 1;
    double epsilon = 1.0, splitter = 1.0;
    // Halve epsilon until 1 + epsilon rounds to 1 (or stops changing), doubling
    // the splitter every other round: this finds the precision of the arithmetic.
    do {
        lastcheck = check;
        epsilon *= half;
        if (everyOther) splitter *= 2.0;
        everyOther = !everyOther;
        check = 1.0 + epsilon;
    } while (check != 1.0 && check != lastcheck);
    splitter += 1.0;

    ExactArithmetic x;
    double e = epsilon;
    x.epsilon = e;
    x.splitter = splitter;
    x.resultBound = (3.0 + 8.0 * e) * e;
    x.orientBoundA = (3.0 + 16.0 * e) * e;
    x.orientBoundB = (2.0 + 12.0 * e) * e;
    x.orientBoundC = (9.0 + 64.0 * e) * e * e;
    x.inCircleBoundA = (10.0 + 96.0 * e) * e;
    x.inCircleBoundB = (4.0 + 48.0 * e) * e;
    x.inCircleBoundC = (44.0 + 576.0 * e) * e * e;
    x.orient3BoundA = (7.0 + 56.0 * e) * e;
    x.orient3BoundB = (3.0 + 28.0 * e) * e;
    x.orient3BoundC = (26.0 + 288.0 * e) * e * e;
    return x;
}

void ExactInit()
{
#if defined(__i386__) && !defined(__SSE2_MATH__)
    // x87 arithmetic keeps 64-bit mantissas in registers, which breaks the
    // error-free transformations: round every operation to double precision.
    // The control word belongs to the thread, so every run sets it.
    unsigned short control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control = (unsigned short)((control & ~0x300) | 0x200);
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
    static const bool computed = (exactArithmetic = ComputeExactArithmetic(), true);
    (void)computed;
}

// ---- error-free transformations -------------------------------------------

static inline void FastTwoSum(double a, double b, double& x, double& y)
{
    x = a + b;
    double bvirt = x - a;
    y = b - bvirt;
}

static inline void TwoSum(double a, double b, double& x, double& y)
{
    x = a + b;
    double bvirt = x - a;
    double avirt = x - bvirt;
    double bround = b - bvirt;
    double around = a - avirt;
    y = around + bround;
}

static inline void TwoDiffTail(double a, double b, double x, double& y)
{
    double bvirt = a - x;
    double avirt = x + bvirt;
    double bround = bvirt - b;
    double around = a - avirt;
    y = around + bround;
}

static inline void TwoDiff(double a, double b, double& x, double& y)
{
    x = a - b;
    TwoDiffTail(a, b, x, y);
}

static inline void Split(double a, double& hi, double& lo)
{
    double c = exactArithmetic.splitter * a;
    double abig = c - a;
    hi = c - abig;
    lo = a - hi;
}

static inline void TwoProductPresplit(double a, double b, double bhi, double blo, double& x, double& y)
{
    x = a * b;
    double ahi, alo;
    Split(a, ahi, alo);
    double err1 = x - (ahi * bhi);
    double err2 = err1 - (alo * bhi);
    double err3 = err2 - (ahi * blo);
    y = (alo * blo) - err3;
}

static inline void TwoProduct(double a, double b, double& x, double& y)
{
    double bhi, blo;
    Split(b, bhi, blo);
    TwoProductPresplit(a, b, bhi, blo, x, y);
}

static inline void Square(double a, double& x, double& y)
{
    x = a * a;
    double ahi, alo;
    Split(a, ahi, alo);
    double err1 = x - (ahi * ahi);
    double err3 = err1 - ((ahi + ahi) * alo);
    y = (alo * alo) - err3;
}

static inline void TwoOneSum(double a1, double a0, double b, double& x2, double& x1, double& x0)
{
    double i;
    TwoSum(a0, b, i, x0);
    TwoSum(a1, i, x2, x1);
}

static inline void TwoOneDiff(double a1, double a0, double b, double& x2, double& x1, double& x0)
{
    double i;
    TwoDiff(a0, b, i, x0);
    TwoSum(a1, i, x2, x1);
}

// (a1 + a0) + (b1 + b0) as a four-component expansion x[3..0].
static inline void TwoTwoSum(double a1, double a0, double b1, double b0, double* x)
{
    double j, z;
    TwoOneSum(a1, a0, b0, j, z, x[0]);
    TwoOneSum(j, z, b1, x[3], x[2], x[1]);
}

static inline void TwoTwoDiff(double a1, double a0, double b1, double b0, double* x)
{
    double j, z;
    TwoOneDiff(a1, a0, b0, j, z, x[0]);
    TwoOneDiff(j, z, b1, x[3], x[2], x[1]);
}

// ---- expansions --------------------------------------------------------------

int FastExpansionSumZeroElim(int elen, const double* e, int flen, const double* f, double* h)
{
    double q, qnew, hh;
    int eindex = 0, findex = 0, hindex = 0;
    double enow = e[0];
    double fnow = f[0];
    // Merge by magnitude; never read past the end of either input.
    if ((fnow > enow) == (fnow > -enow)) {
        q = enow;
        ++eindex;
        if (eindex < elen) enow = e[eindex];
    } else {
        q = fnow;
        ++findex;
        if (findex < flen) fnow = f[findex];
    }
    if (eindex < elen && findex < flen) {
        if ((fnow > enow) == (fnow > -enow)) {
            FastTwoSum(enow, q, qnew, hh);
            ++eindex;
            if (eindex < elen) enow = e[eindex];
        } else {
            FastTwoSum(fnow, q, qnew, hh);
            ++findex;
            if (findex < flen) fnow = f[findex];
        }
        q = qnew;
        if (hh != 0.0) h[hindex++] = hh;
        while (eindex < elen && findex < flen) {
            if ((fnow > enow) == (fnow > -enow)) {
                TwoSum(q, enow, qnew, hh);
                ++eindex;
                if (eindex < elen) enow = e[eindex];
            } else {
                TwoSum(q, fnow, qnew, hh);
                ++findex;
                if (findex < flen) fnow = f[findex];
            }
            q = qnew;
            if (hh != 0.0) h[hindex++] = hh;
        }
    }
    while (eindex < elen) {
        TwoSum(q, enow, qnew, hh);
        ++eindex;
        if (eindex < elen) enow = e[eindex];
        q = qnew;
        if (hh != 0.0) h[hindex++] = hh;
    }
    while (findex < flen) {
        TwoSum(q, fnow, qnew, hh);
        ++findex;
        if (findex < flen) fnow = f[findex];
        q = qnew;
        if (hh != 0.0) h[hindex++] = hh;
    }
    if (q != 0.0 || hindex == 0) h[hindex++] = q;
    return hindex;
}

int ScaleExpansionZeroElim(int elen, const double* e, double b, double* h)
{
    double bhi, blo, q, hh, product1, product0, sum;
    Split(b, bhi, blo);
    TwoProductPresplit(e[0], b, bhi, blo, q, hh);
    int hindex = 0;
    if (hh != 0.0) h[hindex++] = hh;
    for (int eindex = 1; eindex < elen; eindex++) {
        TwoProductPresplit(e[eindex], b, bhi, blo, product1, product0);
        TwoSum(q, product0, sum, hh);
        if (hh != 0.0) h[hindex++] = hh;
        FastTwoSum(product1, sum, q, hh);
        if (hh != 0.0) h[hindex++] = hh;
    }
    if (q != 0.0 || hindex == 0) h[hindex++] = q;
    return hindex;
}

double Estimate(int elen, const double* e)
{
    double q = e[0];
    for (int i = 1; i < elen; i++) q += e[i];
    return q;
}

// ---- orientation ---------------------------------------------------------------

double CounterClockwiseAdapt(const double* pa, const double* pb, const double* pc, double detsum)
{
    const ExactArithmetic& k = exactArithmetic;
    double acx = pa[0] - pc[0], bcx = pb[0] - pc[0];
    double acy = pa[1] - pc[1], bcy = pb[1] - pc[1];
    double detleft, detlefttail, detright, detrighttail;
    TwoProduct(acx, bcy, detleft, detlefttail);
    TwoProduct(acy, bcx, detright, detrighttail);
    double b[4];
    TwoTwoDiff(detleft, detlefttail, detright, detrighttail, b);
    double det = Estimate(4, b);
    double errbound = k.orientBoundB * detsum;
    if (det >= errbound || -det >= errbound) return det;

    double acxtail, acytail, bcxtail, bcytail;
    TwoDiffTail(pa[0], pc[0], acx, acxtail);
    TwoDiffTail(pb[0], pc[0], bcx, bcxtail);
    TwoDiffTail(pa[1], pc[1], acy, acytail);
    TwoDiffTail(pb[1], pc[1], bcy, bcytail);
    if (acxtail == 0.0 && acytail == 0.0 && bcxtail == 0.0 && bcytail == 0.0) return det;

    errbound = k.orientBoundC * detsum + k.resultBound * std::fabs(det);
    det += (acx * bcytail + bcy * acxtail) - (acy * bcxtail + bcx * acytail);
    if (det >= errbound || -det >= errbound) return det;

    double s1, s0, t1, t0, u[4], c1[8], c2[12], d[16];
    TwoProduct(acxtail, bcy, s1, s0);
    TwoProduct(acytail, bcx, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, u);
    int c1len = FastExpansionSumZeroElim(4, b, 4, u, c1);
    TwoProduct(acx, bcytail, s1, s0);
    TwoProduct(acy, bcxtail, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, u);
    int c2len = FastExpansionSumZeroElim(c1len, c1, 4, u, c2);
    TwoProduct(acxtail, bcytail, s1, s0);
    TwoProduct(acytail, bcxtail, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, u);
    int dlen = FastExpansionSumZeroElim(c2len, c2, 4, u, d);
    return d[dlen - 1];
}

// ---- in-circle -----------------------------------------------------------------

namespace {
// The final expansion of the in-circle test grows in place: each term is added
// into the other buffer and the two swap roles.
struct Accumulator {
    double buf1[1152], buf2[1152];
    double* now;
    double* other;
    int len;
    void Add(int tlen, const double* t)
    {
        len = FastExpansionSumZeroElim(len, now, tlen, t, other);
        double* s = now;
        now = other;
        other = s;
    }
};
}

double InCircleAdaptive(const double* pa, const double* pb, const double* pc, const double* pd,
                        double permanent)
{
    const ExactArithmetic& k = exactArithmetic;
    double adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
    double ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
    double t1, t0, s1, s0;

    double bc[4], ca[4], ab[4];
    TwoProduct(bdx, cdy, s1, s0);
    TwoProduct(cdx, bdy, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, bc);
    TwoProduct(cdx, ady, s1, s0);
    TwoProduct(adx, cdy, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, ca);
    TwoProduct(adx, bdy, s1, s0);
    TwoProduct(bdx, ady, t1, t0);
    TwoTwoDiff(s1, s0, t1, t0, ab);

    double x8[8], xx16[16], y8[8], yy16[16];
    double adet[32], bdet[32], cdet[32], abdet[64];
    int l1, l2;
    l1 = ScaleExpansionZeroElim(4, bc, adx, x8);
    l1 = ScaleExpansionZeroElim(l1, x8, adx, xx16);
    l2 = ScaleExpansionZeroElim(4, bc, ady, y8);
    l2 = ScaleExpansionZeroElim(l2, y8, ady, yy16);
    int alen = FastExpansionSumZeroElim(l1, xx16, l2, yy16, adet);
    l1 = ScaleExpansionZeroElim(4, ca, bdx, x8);
    l1 = ScaleExpansionZeroElim(l1, x8, bdx, xx16);
    l2 = ScaleExpansionZeroElim(4, ca, bdy, y8);
    l2 = ScaleExpansionZeroElim(l2, y8, bdy, yy16);
    int blen = FastExpansionSumZeroElim(l1, xx16, l2, yy16, bdet);
    l1 = ScaleExpansionZeroElim(4, ab, cdx, x8);
    l1 = ScaleExpansionZeroElim(l1, x8, cdx, xx16);
    l2 = ScaleExpansionZeroElim(4, ab, cdy, y8);
    l2 = ScaleExpansionZeroElim(l2, y8, cdy, yy16);
    int clen = FastExpansionSumZeroElim(l1, xx16, l2, yy16, cdet);

    Accumulator fin;
    fin.now = fin.buf1;
    fin.other = fin.buf2;
    int ablen = FastExpansionSumZeroElim(alen, adet, blen, bdet, abdet);
    fin.len = FastExpansionSumZeroElim(ablen, abdet, clen, cdet, fin.now);

    double det = Estimate(fin.len, fin.now);
    double errbound = k.inCircleBoundB * permanent;
    if (det >= errbound || -det >= errbound) return det;

    double adxtail, adytail, bdxtail, bdytail, cdxtail, cdytail;
    TwoDiffTail(pa[0], pd[0], adx, adxtail);
    TwoDiffTail(pa[1], pd[1], ady, adytail);
    TwoDiffTail(pb[0], pd[0], bdx, bdxtail);
    TwoDiffTail(pb[1], pd[1], bdy, bdytail);
    TwoDiffTail(pc[0], pd[0], cdx, cdxtail);
    TwoDiffTail(pc[1], pd[1], cdy, cdytail);
    if (adxtail == 0.0 && bdxtail == 0.0 && cdxtail == 0.0 &&
        adytail == 0.0 && bdytail == 0.0 && cdytail == 0.0) {
        return det;
    }

    errbound = k.inCircleBoundC * permanent + k.resultBound * std::fabs(det);
    det += ((adx * adx + ady * ady) * ((bdx * cdytail + cdy * bdxtail) - (bdy * cdxtail + cdx * bdytail))
            + 2.0 * (adx * adxtail + ady * adytail) * (bdx * cdy - bdy * cdx))
         + ((bdx * bdx + bdy * bdy) * ((cdx * adytail + ady * cdxtail) - (cdy * adxtail + adx * cdytail))
            + 2.0 * (bdx * bdxtail + bdy * bdytail) * (cdx * ady - cdy * adx))
         + ((cdx * cdx + cdy * cdy) * ((adx * bdytail + bdy * adxtail) - (ady * bdxtail + bdx * adytail))
            + 2.0 * (cdx * cdxtail + cdy * cdytail) * (adx * bdy - ady * bdx));
    if (det >= errbound || -det >= errbound) return det;

    double aa[4], bb[4], cc[4];
    if (bdxtail != 0.0 || bdytail != 0.0 || cdxtail != 0.0 || cdytail != 0.0) {
        Square(adx, s1, s0);
        Square(ady, t1, t0);
        TwoTwoSum(s1, s0, t1, t0, aa);
    }
    if (cdxtail != 0.0 || cdytail != 0.0 || adxtail != 0.0 || adytail != 0.0) {
        Square(bdx, s1, s0);
        Square(bdy, t1, t0);
        TwoTwoSum(s1, s0, t1, t0, bb);
    }
    if (adxtail != 0.0 || adytail != 0.0 || bdxtail != 0.0 || bdytail != 0.0) {
        Square(cdx, s1, s0);
        Square(cdy, t1, t0);
        TwoTwoSum(s1, s0, t1, t0, cc);
    }

    double temp8[8], temp16a[16], temp16b[16], temp16c[16];
    double temp32a[32], temp32b[32], temp48[48], temp64[64];
    int temp8len, temp16alen, temp16blen, temp16clen, temp32alen, temp32blen, temp48len, temp64len;
    double axtbc[8], aytbc[8], bxtca[8], bytca[8], cxtab[8], cytab[8];
    int axtbclen = 0, aytbclen = 0, bxtcalen = 0, bytcalen = 0, cxtablen = 0, cytablen = 0;
    double axtbb[8], axtcc[8], aytbb[8], aytcc[8], bxtaa[8], bxtcc[8], bytaa[8], bytcc[8];
    double cxtaa[8], cxtbb[8], cytaa[8], cytbb[8];
    int len;

    // The three partial sums "term a, term b, term c" of one tail coordinate.
    auto addThree = [&](int la, const double* a, int lb, const double* b, int lc, const double* c) {
        temp32alen = FastExpansionSumZeroElim(la, a, lb, b, temp32a);
        temp48len = FastExpansionSumZeroElim(lc, c, temp32alen, temp32a, temp48);
        fin.Add(temp48len, temp48);
    };

    if (adxtail != 0.0) {
        axtbclen = ScaleExpansionZeroElim(4, bc, adxtail, axtbc);
        temp16alen = ScaleExpansionZeroElim(axtbclen, axtbc, 2.0 * adx, temp16a);
        len = ScaleExpansionZeroElim(4, cc, adxtail, axtcc);
        temp16blen = ScaleExpansionZeroElim(len, axtcc, bdy, temp16b);
        len = ScaleExpansionZeroElim(4, bb, adxtail, axtbb);
        temp16clen = ScaleExpansionZeroElim(len, axtbb, -cdy, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }
    if (adytail != 0.0) {
        aytbclen = ScaleExpansionZeroElim(4, bc, adytail, aytbc);
        temp16alen = ScaleExpansionZeroElim(aytbclen, aytbc, 2.0 * ady, temp16a);
        len = ScaleExpansionZeroElim(4, bb, adytail, aytbb);
        temp16blen = ScaleExpansionZeroElim(len, aytbb, cdx, temp16b);
        len = ScaleExpansionZeroElim(4, cc, adytail, aytcc);
        temp16clen = ScaleExpansionZeroElim(len, aytcc, -bdx, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }
    if (bdxtail != 0.0) {
        bxtcalen = ScaleExpansionZeroElim(4, ca, bdxtail, bxtca);
        temp16alen = ScaleExpansionZeroElim(bxtcalen, bxtca, 2.0 * bdx, temp16a);
        len = ScaleExpansionZeroElim(4, aa, bdxtail, bxtaa);
        temp16blen = ScaleExpansionZeroElim(len, bxtaa, cdy, temp16b);
        len = ScaleExpansionZeroElim(4, cc, bdxtail, bxtcc);
        temp16clen = ScaleExpansionZeroElim(len, bxtcc, -ady, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }
    if (bdytail != 0.0) {
        bytcalen = ScaleExpansionZeroElim(4, ca, bdytail, bytca);
        temp16alen = ScaleExpansionZeroElim(bytcalen, bytca, 2.0 * bdy, temp16a);
        len = ScaleExpansionZeroElim(4, cc, bdytail, bytcc);
        temp16blen = ScaleExpansionZeroElim(len, bytcc, adx, temp16b);
        len = ScaleExpansionZeroElim(4, aa, bdytail, bytaa);
        temp16clen = ScaleExpansionZeroElim(len, bytaa, -cdx, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }
    if (cdxtail != 0.0) {
        cxtablen = ScaleExpansionZeroElim(4, ab, cdxtail, cxtab);
        temp16alen = ScaleExpansionZeroElim(cxtablen, cxtab, 2.0 * cdx, temp16a);
        len = ScaleExpansionZeroElim(4, bb, cdxtail, cxtbb);
        temp16blen = ScaleExpansionZeroElim(len, cxtbb, ady, temp16b);
        len = ScaleExpansionZeroElim(4, aa, cdxtail, cxtaa);
        temp16clen = ScaleExpansionZeroElim(len, cxtaa, -bdy, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }
    if (cdytail != 0.0) {
        cytablen = ScaleExpansionZeroElim(4, ab, cdytail, cytab);
        temp16alen = ScaleExpansionZeroElim(cytablen, cytab, 2.0 * cdy, temp16a);
        len = ScaleExpansionZeroElim(4, aa, cdytail, cytaa);
        temp16blen = ScaleExpansionZeroElim(len, cytaa, bdx, temp16b);
        len = ScaleExpansionZeroElim(4, bb, cdytail, cytbb);
        temp16clen = ScaleExpansionZeroElim(len, cytbb, -adx, temp16c);
        addThree(temp16alen, temp16a, temp16blen, temp16b, temp16clen, temp16c);
    }

    double u[4], v[4];
    // Products of a tail with the cross terms of the other two points, and of
    // the tails among themselves (the last, smallest terms of the determinant).
    auto crossTerms = [&](double xt, double y, double x, double yt, double x2t, double y2, double x2,
                          double y2t, double* t, int& tlen, double* tt, int& ttlen) {
        TwoProduct(xt, y, s1, s0);
        TwoProduct(x, yt, t1, t0);
        TwoTwoSum(s1, s0, t1, t0, u);
        TwoProduct(x2t, -y2, s1, s0);
        TwoProduct(x2, -y2t, t1, t0);
        TwoTwoSum(s1, s0, t1, t0, v);
        tlen = FastExpansionSumZeroElim(4, u, 4, v, t);
        TwoProduct(xt, yt, s1, s0);
        TwoProduct(x2t, y2t, t1, t0);
        TwoTwoDiff(s1, s0, t1, t0, tt);
        ttlen = 4;
    };
    // An extra product of two tails with a squared length (b·c terms).
    auto mixedTerm = [&](const double* sq, double tail1, double tail2) {
        temp8len = ScaleExpansionZeroElim(4, sq, tail1, temp8);
        temp16alen = ScaleExpansionZeroElim(temp8len, temp8, tail2, temp16a);
        fin.Add(temp16alen, temp16a);
    };

    double bct[8], bctt[4], cat[8], catt[4], abt[8], abtt[4];
    int bctlen, bcttlen, catlen, cattlen, abtlen, abttlen;

    if (adxtail != 0.0 || adytail != 0.0) {
        if (bdxtail != 0.0 || bdytail != 0.0 || cdxtail != 0.0 || cdytail != 0.0) {
            crossTerms(bdxtail, cdy, bdx, cdytail, cdxtail, bdy, cdx, bdytail, bct, bctlen, bctt, bcttlen);
        } else {
            bct[0] = 0.0; bctlen = 1;
            bctt[0] = 0.0; bcttlen = 1;
        }
        if (adxtail != 0.0) {
            // terms in adxtail: the b-c tail products (in this order to match the expansion)
            double xtt[16], xttt[8];
            temp16alen = ScaleExpansionZeroElim(axtbclen, axtbc, adxtail, temp16a);
            int xttlen = ScaleExpansionZeroElim(bctlen, bct, adxtail, xtt);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, 2.0 * adx, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            if (bdytail != 0.0) mixedTerm(cc, adxtail, bdytail);
            if (cdytail != 0.0) mixedTerm(bb, -adxtail, cdytail);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, adxtail, temp32a);
            int xtttlen = ScaleExpansionZeroElim(bcttlen, bctt, adxtail, xttt);
            temp16alen = ScaleExpansionZeroElim(xtttlen, xttt, 2.0 * adx, temp16a);
            temp16blen = ScaleExpansionZeroElim(xtttlen, xttt, adxtail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
        if (adytail != 0.0) {
            double ytt[16], yttt[8];
            temp16alen = ScaleExpansionZeroElim(aytbclen, aytbc, adytail, temp16a);
            int yttlen = ScaleExpansionZeroElim(bctlen, bct, adytail, ytt);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, 2.0 * ady, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, adytail, temp32a);
            int ytttlen = ScaleExpansionZeroElim(bcttlen, bctt, adytail, yttt);
            temp16alen = ScaleExpansionZeroElim(ytttlen, yttt, 2.0 * ady, temp16a);
            temp16blen = ScaleExpansionZeroElim(ytttlen, yttt, adytail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
    }
    if (bdxtail != 0.0 || bdytail != 0.0) {
        if (cdxtail != 0.0 || cdytail != 0.0 || adxtail != 0.0 || adytail != 0.0) {
            crossTerms(cdxtail, ady, cdx, adytail, adxtail, cdy, adx, cdytail, cat, catlen, catt, cattlen);
        } else {
            cat[0] = 0.0; catlen = 1;
            catt[0] = 0.0; cattlen = 1;
        }
        if (bdxtail != 0.0) {
            double xtt[16], xttt[8];
            temp16alen = ScaleExpansionZeroElim(bxtcalen, bxtca, bdxtail, temp16a);
            int xttlen = ScaleExpansionZeroElim(catlen, cat, bdxtail, xtt);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, 2.0 * bdx, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            if (cdytail != 0.0) mixedTerm(aa, bdxtail, cdytail);
            if (adytail != 0.0) mixedTerm(cc, -bdxtail, adytail);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, bdxtail, temp32a);
            int xtttlen = ScaleExpansionZeroElim(cattlen, catt, bdxtail, xttt);
            temp16alen = ScaleExpansionZeroElim(xtttlen, xttt, 2.0 * bdx, temp16a);
            temp16blen = ScaleExpansionZeroElim(xtttlen, xttt, bdxtail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
        if (bdytail != 0.0) {
            double ytt[16], yttt[8];
            temp16alen = ScaleExpansionZeroElim(bytcalen, bytca, bdytail, temp16a);
            int yttlen = ScaleExpansionZeroElim(catlen, cat, bdytail, ytt);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, 2.0 * bdy, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, bdytail, temp32a);
            int ytttlen = ScaleExpansionZeroElim(cattlen, catt, bdytail, yttt);
            temp16alen = ScaleExpansionZeroElim(ytttlen, yttt, 2.0 * bdy, temp16a);
            temp16blen = ScaleExpansionZeroElim(ytttlen, yttt, bdytail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
    }
    if (cdxtail != 0.0 || cdytail != 0.0) {
        if (adxtail != 0.0 || adytail != 0.0 || bdxtail != 0.0 || bdytail != 0.0) {
            crossTerms(adxtail, bdy, adx, bdytail, bdxtail, ady, bdx, adytail, abt, abtlen, abtt, abttlen);
        } else {
            abt[0] = 0.0; abtlen = 1;
            abtt[0] = 0.0; abttlen = 1;
        }
        if (cdxtail != 0.0) {
            double xtt[16], xttt[8];
            temp16alen = ScaleExpansionZeroElim(cxtablen, cxtab, cdxtail, temp16a);
            int xttlen = ScaleExpansionZeroElim(abtlen, abt, cdxtail, xtt);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, 2.0 * cdx, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            if (adytail != 0.0) mixedTerm(bb, cdxtail, adytail);
            if (bdytail != 0.0) mixedTerm(aa, -cdxtail, bdytail);
            temp32alen = ScaleExpansionZeroElim(xttlen, xtt, cdxtail, temp32a);
            int xtttlen = ScaleExpansionZeroElim(abttlen, abtt, cdxtail, xttt);
            temp16alen = ScaleExpansionZeroElim(xtttlen, xttt, 2.0 * cdx, temp16a);
            temp16blen = ScaleExpansionZeroElim(xtttlen, xttt, cdxtail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
        if (cdytail != 0.0) {
            double ytt[16], yttt[8];
            temp16alen = ScaleExpansionZeroElim(cytablen, cytab, cdytail, temp16a);
            int yttlen = ScaleExpansionZeroElim(abtlen, abt, cdytail, ytt);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, 2.0 * cdy, temp32a);
            temp48len = FastExpansionSumZeroElim(temp16alen, temp16a, temp32alen, temp32a, temp48);
            fin.Add(temp48len, temp48);
            temp32alen = ScaleExpansionZeroElim(yttlen, ytt, cdytail, temp32a);
            int ytttlen = ScaleExpansionZeroElim(abttlen, abtt, cdytail, yttt);
            temp16alen = ScaleExpansionZeroElim(ytttlen, yttt, 2.0 * cdy, temp16a);
            temp16blen = ScaleExpansionZeroElim(ytttlen, yttt, cdytail, temp16b);
            temp32blen = FastExpansionSumZeroElim(temp16alen, temp16a, temp16blen, temp16b, temp32b);
            temp64len = FastExpansionSumZeroElim(temp32alen, temp32a, temp32blen, temp32b, temp64);
            fin.Add(temp64len, temp64);
        }
    }
    return fin.now[fin.len - 1];
}

void Circumcenter(int noExact, const double* origin, const double* destination, const double* apex,
                  double* centre, double* xi, double* eta)
{
    double xdo = destination[0] - origin[0];
    double ydo = destination[1] - origin[1];
    double xao = apex[0] - origin[0];
    double yao = apex[1] - origin[1];
    double dodist = xdo * xdo + ydo * ydo;
    double aodist = xao * xao + yao * yao;
    double denominator;
    if (noExact) denominator = 0.5 / (xdo * yao - xao * ydo);
    else denominator = 0.5 / OrientationTest(0, destination, apex, origin);
    double dx = (yao * dodist - ydo * aodist) * denominator;
    double dy = (xdo * aodist - xao * dodist) * denominator;
    centre[0] = origin[0] + dx;
    centre[1] = origin[1] + dy;
    *xi = (yao * dx - xao * dy) * (2.0 * denominator);
    *eta = (xdo * dy - ydo * dx) * (2.0 * denominator);
}
