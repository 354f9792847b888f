// The preparation of a batch run's pairs, once, before the first file.
#pragma once

#include "pattern/BatchSRList.h"
#include "plan/RunPlan.h"

namespace kesto {

struct BatchPreparation {
    int excludedPairs = 0;
    long long sizeChange = 0;  // sum over the pairs of search length - replace length
};

// Sets the flags and working strings of every pair: line-break escapes and real line
// breaks become $, wildcards are counted (a pair whose replace string has more of a kind
// is excluded), doubled backslashes before escape letters are reduced. Sets
// specialCharSession and wildcardSession when any pair needs them. In a regular-expression
// run the working strings are the pairs as written.
BatchPreparation PrepareBatchPairs(CBatchSRList& pairs, RunPlan& options);

}  // namespace kesto
