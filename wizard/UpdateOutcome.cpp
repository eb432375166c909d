#include "UpdateOutcome.h"

#include "IUpdater.h"

namespace {
const int kFirstButton = 1;
const int kSecondButton = 2;
const uint32_t kStillActive = 259;
} // namespace

uint32_t UpdateOutcome::afterWait(bool ended, bool read, uint32_t code) {
    if (!ended || !read || code == kStillActive)
        return Failed;
    return code;
}

uint32_t UpdateOutcome::run(Steps& steps) {
    const int32_t result = steps.update(false);
    uint32_t code;
    switch (result) {
    case IUpdater::UpdateOk:
        code = Updated;
        break;
    case IUpdater::UpdateConsentNeeded:
        code = afterConsent(steps);
        break;
    case IUpdater::UpdateRevisionMismatch:
        steps.showRevisionPage();
        code = Refused;
        break;
    case IUpdater::UpdateUnreachable:
        code = askAfterNoAnswer(steps);
        break;
    default:
        steps.showErrorPage(failurePage(result));
        code = Failed;
        break;
    }
    steps.reportDone();
    return code;
}

uint32_t UpdateOutcome::afterConsent(Steps& steps) {
    if (steps.showConsentPage() != kFirstButton)
        return ConsentRefused;
    const int32_t result = steps.update(true);
    if (result == IUpdater::UpdateOk)
        return Updated;
    if (result == IUpdater::UpdateUnreachable)
        return askAfterNoAnswer(steps);
    steps.showErrorPage(failurePage(result));
    return Failed;
}

// The failure page tells the user to turn the printer off: never while
// another update holds it, in the middle of that update's flash.
int UpdateOutcome::failurePage(int32_t result) {
    return result == IUpdater::UpdateInUse ? ErrorInUse : ErrorUpdateFailed;
}

// The no-answer page offers giving up (first button) or trying again.
uint32_t UpdateOutcome::askAfterNoAnswer(Steps& steps) {
    const int answer = steps.showErrorPage(ErrorNoAnswer);
    if (answer == kFirstButton)
        return NoAnswerGivenUp;
    if (answer == kSecondButton)
        return TryAgain;
    return NoAnswerUnresolved;
}
