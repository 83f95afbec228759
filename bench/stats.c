#include "stats.h"

#include <stdlib.h>

static int compare(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

double quantile(double* v, int n, double q) {
    if (n <= 0)
        return 0.0;
    qsort(v, (size_t)n, sizeof v[0], compare);
    double at = q * (n - 1);
    int low = (int)at;
    if (low >= n - 1)
        return v[n - 1];
    return v[low] + (at - low) * (v[low + 1] - v[low]);
}

double median(double* v, int n) {
    return quantile(v, n, 0.5);
}
