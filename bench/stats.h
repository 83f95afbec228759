/* Order statistics of a few dozen samples. */
#ifndef STATS_H
#define STATS_H

/* The q-quantile (0..1) of n samples, interpolated; sorts v in place. */
double quantile(double* v, int n, double q);
double median(double* v, int n);

#endif
