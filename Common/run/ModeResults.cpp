#include "ModeResults.h"

#include <algorithm>

int32_t combineResults(const std::vector<int32_t>& results) {
    static const int32_t hardFailures[] = {ResultUpdateFailed, ResultUnreachable,
                                           ResultRevisionMismatch, ResultConsentNeeded};
    for (int32_t failure : hardFailures) {
        if (std::find(results.begin(), results.end(), failure) != results.end())
            return failure;
    }
    int32_t leftOut = ResultOk;
    for (int32_t r : results) {
        if (r == ResultOk)
            continue;
        if (leftOut == ResultOk)
            leftOut = r;
        else if (leftOut != r)
            return ResultSeveralNotUpdated;
    }
    return leftOut;
}
